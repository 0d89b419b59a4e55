// The controls of a dialog template put into the tab order before the dialog is made.
#include "DialogTemplate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Control
{
    int id;
    std::u16string className; // empty: the ordinal 0x0080 (a button)
    std::u16string text;
    std::vector<unsigned char> creationData;
};

void Put16(std::vector<unsigned char>& out, unsigned value)
{
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, unsigned long value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, (value >> 16) & 0xFFFF);
}

void PutString(std::vector<unsigned char>& out, const std::u16string& text)
{
    for (const char16_t c : text)
        Put16(out, c);
    Put16(out, 0);
}

// An extended template as the resource compiler writes it: header, title, font, then each
// control on a four-byte boundary.
std::vector<unsigned char> Template(const std::vector<Control>& controls, unsigned long style = 0x40 /* DS_SETFONT */)
{
    std::vector<unsigned char> out;
    Put16(out, 1);
    Put16(out, 0xFFFF);
    Put32(out, 0);     // help id
    Put32(out, 0);     // extended style
    Put32(out, style);
    Put16(out, static_cast<unsigned>(controls.size()));
    for (int i = 0; i < 4; ++i)
        Put16(out, 10 * i);
    Put16(out, 0);                 // no menu
    Put16(out, 0);                 // the dialog class
    PutString(out, u"Title");      // odd length: the controls need padding
    if (style & 0x40)
    {
        Put16(out, 8);
        Put16(out, 400);
        out.push_back(0);
        out.push_back(1);
        PutString(out, u"MS Shell Dlg");
    }
    for (const Control& control : controls)
    {
        out.resize((out.size() + 3) / 4 * 4, 0);
        Put32(out, 0);
        Put32(out, 0);
        Put32(out, 0x50000000);
        for (int i = 0; i < 4; ++i)
            Put16(out, 5 + i);
        Put32(out, static_cast<unsigned long>(control.id));
        if (control.className.empty())
        {
            Put16(out, 0xFFFF);
            Put16(out, 0x0080);
        }
        else
        {
            PutString(out, control.className);
        }
        PutString(out, control.text);
        Put16(out, static_cast<unsigned>(control.creationData.size()));
        out.insert(out.end(), control.creationData.begin(), control.creationData.end());
    }
    return out;
}

const Control kBanner = {10, u"Static", u"", {}};
const Control kSave = {1, u"", u"&Save", {}};
const Control kCancel = {2, u"", u"&Cancel!", {0xAB, 0xCD, 0xEF}}; // creation data of odd size
const Control kTabs = {20, u"SysTabControl32", u"", {}};
const Control kStatic = {-1, u"Static", u"x", {}};

struct OrderCase
{
    const char* name;
    std::vector<Control> given;
    std::vector<int> ids;
    std::vector<Control> expected;
};

TEST(DialogTemplate, ControlsComeInTheGivenOrderAndTheRestKeepTheirs)
{
    const OrderCase cases[] = {
        {"the main window's order", {kBanner, kSave, kCancel, kTabs, kStatic}, {10, 20, 1, 2},
         {kBanner, kTabs, kSave, kCancel, kStatic}},
        {"an id the template does not hold", {kSave, kCancel, kTabs}, {99, 20}, {kTabs, kSave, kCancel}},
        {"no ids", {kSave, kCancel}, {}, {kSave, kCancel}},
        {"a shared id: its first control", {kSave, kStatic, kStatic, kCancel}, {-1, 1}, {kStatic, kSave, kStatic, kCancel}},
        {"no controls", {}, {1, 2}, {}},
    };
    for (const OrderCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> given = Template(c.given);
        EXPECT_EQ(Template(c.expected), ReorderDialogTemplate(given.data(), given.size(), c.ids));
    }
    const std::vector<unsigned char> noFont = Template({kSave, kCancel}, 0);
    EXPECT_EQ(Template({kCancel, kSave}, 0), ReorderDialogTemplate(noFont.data(), noFont.size(), {2}));
}

TEST(DialogTemplate, WhatIsNotAWholeExtendedTemplateGivesNothing)
{
    const std::vector<unsigned char> whole = Template({kBanner, kSave, kCancel});
    for (size_t size = 0; size < whole.size(); ++size)
        EXPECT_TRUE(ReorderDialogTemplate(whole.data(), size, {1}).empty()) << "cut at " << size;

    std::vector<unsigned char> classic = whole;
    classic[2] = 0; // a classic DLGTEMPLATE begins with its style, not with version 1 and 0xFFFF
    EXPECT_TRUE(ReorderDialogTemplate(classic.data(), classic.size(), {1}).empty());

    std::vector<unsigned char> tooMany = whole;
    tooMany[16] = 4; // says four controls, holds three
    EXPECT_TRUE(ReorderDialogTemplate(tooMany.data(), tooMany.size(), {1}).empty());
    EXPECT_TRUE(ReorderDialogTemplate(nullptr, 0, {1}).empty());
}

} // namespace
