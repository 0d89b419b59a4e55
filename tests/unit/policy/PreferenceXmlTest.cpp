// Registry.xml of Group Policy preferences: which items apply and what they do, the refusal of
// malformed documents, and the writer's text. Pure code, no registry.
#include "PreferenceXml.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace regpol;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf8(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// A document with the given items inside RegistrySettings, as the console writes it.
std::string Document(const std::string& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
           "<RegistrySettings clsid=\"{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}\">" +
           items + "</RegistrySettings>";
}

std::string Item(const std::string& properties, const std::string& registryAttributes = "")
{
    return "<Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" name=\"n\"" + registryAttributes +
           "><Properties " + properties + "/></Registry>";
}

const char kMachineDword[] = "action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"A\" "
                             "type=\"REG_DWORD\" value=\"000000FF\"";

Bytes Dword(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

ValueEffect Sets(std::uint32_t type, const Bytes& data, bool soft = false)
{
    return {ValueEffect::Kind::Sets, soft, type, data};
}

ValueEffect Deletes()
{
    ValueEffect effect;
    effect.kind = ValueEffect::Kind::Deletes;
    return effect;
}

std::vector<ValueEffect> Evaluate(const std::string& document, const std::vector<PreferenceRef>& asked)
{
    const auto items = ReadPreferenceXml(Utf8(document));
    if (!items)
        return {};
    return EvaluatePreferences(*items, asked);
}

} // namespace

TEST(PreferenceXmlReader, ItemsApplyInDocumentOrder)
{
    const std::vector<PreferenceRef> asked = {
        {Hive::LocalMachine, L"Software\\T", L"A"},
        {Hive::CurrentUser, L"Software\\T", L"A"},
        {Hive::LocalMachine, L"Software\\T", L""},
        {Hive::LocalMachine, L"Software\\T\\Sub", L"A"},
    };
    const ValueEffect none;
    const std::string userDword = "action=\"U\" hive=\"HKEY_CURRENT_USER\" key=\"software\\t\" name=\"a\" "
                                  "type=\"REG_DWORD\" value=\"1\"";
    const struct
    {
        const char* what;
        std::string items;
        std::vector<ValueEffect> expected;
    } cases[] = {
        {"update", Item(kMachineDword), {Sets(kRegDword, Dword(0xFF)), none, none, none}},
        {"hive decides, keys and names without case", Item(userDword), {none, Sets(kRegDword, Dword(1)), none, none}},
        {"replace", Item("action=\"R\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"A\" type=\"REG_DWORD\" value=\"0000000a\""),
         {Sets(kRegDword, Dword(10)), none, none, none}},
        {"create is soft",
         Item("action=\"C\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"A\" type=\"REG_DWORD\" value=\"00000001\""),
         {Sets(kRegDword, Dword(1), true), none, none, none}},
        {"create after an update changes nothing",
         Item(kMachineDword) +
             Item("action=\"C\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"A\" type=\"REG_DWORD\" value=\"00000001\""),
         {Sets(kRegDword, Dword(0xFF)), none, none, none}},
        {"delete after update",
         Item(kMachineDword) + Item("action=\"D\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"A\""),
         {Deletes(), none, none, none}},
        {"default value, its name ignored",
         Item("action=\"U\" default=\"1\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"A\" type=\"REG_SZ\" value=\"@SYS:DoesNotExist\""),
         {none, none, Sets(kRegSz, Utf16LeBytes(L"@SYS:DoesNotExist", true)), none}},
        {"deleting the key takes what is below",
         Item(kMachineDword) + Item("action=\"D\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"\""),
         {Deletes(), none, Deletes(), Deletes()}},
        {"updating the key sets no value",
         Item("action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"Software\\T\" name=\"\" default=\"0\""),
         {none, none, none, none}},
        {"a disabled item does not apply", Item(kMachineDword, " disabled=\"1\""), {none, none, none, none}},
        {"an item disabled=\"0\" applies", Item(kMachineDword, " disabled=\"0\""), {Sets(kRegDword, Dword(0xFF)), none, none, none}},
        {"items in nested collections",
         "<Collection clsid=\"{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}\" name=\"c\"><Collection name=\"d\">" +
             Item(kMachineDword) + "</Collection></Collection>",
         {Sets(kRegDword, Dword(0xFF)), none, none, none}},
        {"a disabled collection takes its items",
         "<Collection name=\"c\" disabled=\"1\">" + Item(kMachineDword) + "</Collection>", {none, none, none, none}},
        {"filters, comments and text around the items",
         "<!-- c -->\n  " + std::string("<Registry name=\"n\"><Properties ") + kMachineDword +
             "/><Filters><FilterGroup bool=\"AND\" not=\"0\"/></Filters></Registry>\n",
         {Sets(kRegDword, Dword(0xFF)), none, none, none}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Evaluate(Document(c.items), asked)) << c.what;
}

TEST(PreferenceXmlReader, EntitiesAndCharacterReferences)
{
    const std::string document = Document(Item(
        "action=\"U\" hive=\"HKEY_CURRENT_USER\" key=\"Software\\&amp;&lt;&gt;\" name='q&quot;&apos;' type=\"REG_SZ\" "
        "value=\"&#65;&#x42;&#xe9;&#x1F600;\t \"",
        ""));
    const auto items = ReadPreferenceXml(Utf8(document));
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(1u, items->size());
    const PreferenceItem& item = items->front();
    EXPECT_EQ(L"Software\\&<>", item.key);
    EXPECT_EQ(L"q\"'", item.name);
    const ValueEffect effect = Sets(item.type, item.data);
    // A literal tab in an attribute is read as a space.
    std::wstring expected = L"AB\u00E9";
    expected += sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, static_cast<wchar_t>(0x1F600));
    expected += L"  ";
    EXPECT_EQ(expected, effect.String().value_or(L"?"));
}

TEST(PreferenceXmlReader, EncodingsWithAndWithoutMark)
{
    const std::string document = Document(Item(kMachineDword));
    Bytes utf8Bom = {0xEF, 0xBB, 0xBF};
    utf8Bom.insert(utf8Bom.end(), document.begin(), document.end());
    Bytes utf16le = {0xFF, 0xFE};
    Bytes utf16be = {0xFE, 0xFF};
    for (const char c : document)
    {
        utf16le.push_back(static_cast<std::uint8_t>(c));
        utf16le.push_back(0);
        utf16be.push_back(0);
        utf16be.push_back(static_cast<std::uint8_t>(c));
    }
    for (const Bytes& bytes : {Utf8(document), utf8Bom, utf16le, utf16be})
    {
        const auto items = ReadPreferenceXml(bytes);
        ASSERT_TRUE(items.has_value()) << bytes.size();
        ASSERT_EQ(1u, items->size());
        EXPECT_EQ(Dword(0xFF), items->front().data);
    }
}

TEST(PreferenceXmlReader, MalformedDocumentsAreUnreadable)
{
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "<Collection>";
    for (int i = 0; i < 100; ++i)
        deep += "</Collection>";
    const struct
    {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"no element", "<?xml version=\"1.0\"?>"},
        {"not XML", "RegistrySettings"},
        {"another root", "<Files></Files>"},
        {"unclosed root", "<RegistrySettings>"},
        {"mismatched end tag", Document("<Collection></Registry>")},
        {"unterminated attribute", Document("<Collection name=\"x></Collection>")},
        {"unquoted attribute", Document("<Collection name=x></Collection>")},
        {"attributes run together", Document("<Collection a=\"1\"b=\"2\"></Collection>")},
        {"duplicate attribute", Document("<Collection name=\"a\" name=\"b\"></Collection>")},
        {"'<' in an attribute", Document("<Collection name=\"<\"></Collection>")},
        {"unknown entity", Document("<Collection name=\"&nbsp;\"></Collection>")},
        {"bare '&'", Document("<Collection name=\"a & b\"></Collection>")},
        {"reference to NUL", Document("<Collection name=\"&#0;\"></Collection>")},
        {"reference past Unicode", Document("<Collection name=\"&#x110000;\"></Collection>")},
        {"unknown entity in text", Document("&copy;")},
        {"document type", "<!DOCTYPE r [<!ENTITY a \"b\">]><RegistrySettings/>"},
        {"two roots", Document("") + "<RegistrySettings/>"},
        {"text after the root", Document("") + "x"},
        {"'--' in a comment", Document("<!-- a -- b -->")},
        {"unterminated comment", Document("<!-- a")},
        {"declaration not at the start", " " + Document("")},
        {"unterminated CDATA", Document("<![CDATA[ x")},
        {"nesting too deep", Document(deep)},
        {"Registry without Properties", Document("<Registry name=\"n\"></Registry>")},
        {"unknown action", Document(Item("action=\"X\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\" type=\"REG_SZ\" value=\"\""))},
        {"unknown hive", Document(Item("action=\"U\" hive=\"HKLM\" key=\"K\" name=\"A\" type=\"REG_SZ\" value=\"\""))},
        {"unknown type", Document(Item("action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\" type=\"REG_FOO\" value=\"\""))},
        {"DWORD too long", Document(Item("action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\" type=\"REG_DWORD\" value=\"100000000\""))},
        {"DWORD not hex", Document(Item("action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\" type=\"REG_DWORD\" value=\"0x1\""))},
        {"DWORD empty", Document(Item("action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\" type=\"REG_DWORD\" value=\"\""))},
        {"binary of odd length", Document(Item("action=\"U\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\" type=\"REG_BINARY\" value=\"abc\""))},
        {"a bad item even when disabled", Document(Item("action=\"X\" hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"A\"", " disabled=\"1\""))},
        {"invalid UTF-8", Document("<Collection name=\"\xC3\x28\"/>")},
        {"overlong UTF-8", Document("<Collection name=\"\xC0\xBC\"/>")},
        {"UTF-8 surrogate", Document("<Collection name=\"\xED\xA0\x80\"/>")},
        {"control character", Document("<Collection name=\"\x01\"/>")},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ReadPreferenceXml(Utf8(c.text)).has_value()) << c.what;

    // A lone surrogate in UTF-16, and a cut in the middle of a code unit.
    EXPECT_FALSE(ReadPreferenceXml(Bytes{0xFF, 0xFE, '<', 0, 0x00, 0xD8, 'a', 0}).has_value());
    EXPECT_FALSE(ReadPreferenceXml(Bytes{0xFF, 0xFE, '<', 0, 'a'}).has_value());
    // Well-formed but empty is readable: no items.
    const auto none = ReadPreferenceXml(Utf8("<RegistrySettings/>"));
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(PreferenceXmlWriter, WritesWhatTheConsoleWrites)
{
    const std::vector<PreferenceValue> values = {
        {Hive::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoDriveTypeAutoRun",
         kRegDword, 0xFF, L""},
        {Hive::LocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf", L"",
         kRegSz, 0, L"@SYS:DoesNotExist"},
    };
    const UidSource counted = [](const PreferenceValue&, std::size_t index) {
        return "{00000000-0000-0000-0000-00000000000" + std::to_string(index) + "}";
    };
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
              "<RegistrySettings clsid=\"{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}\">"
              "<Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" name=\"NoDriveTypeAutoRun\" "
              "status=\"NoDriveTypeAutoRun\" image=\"12\" changed=\"2000-02-29 00:00:00\" "
              "uid=\"{00000000-0000-0000-0000-000000000000}\"><Properties action=\"U\" displayDecimal=\"0\" "
              "default=\"0\" hive=\"HKEY_LOCAL_MACHINE\" "
              "key=\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\" name=\"NoDriveTypeAutoRun\" "
              "type=\"REG_DWORD\" value=\"000000FF\"/></Registry>"
              "<Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" name=\"(Default)\" status=\"(Default)\" "
              "image=\"7\" changed=\"2000-02-29 00:00:00\" uid=\"{00000000-0000-0000-0000-000000000001}\">"
              "<Properties action=\"U\" displayDecimal=\"0\" default=\"1\" hive=\"HKEY_LOCAL_MACHINE\" "
              "key=\"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf\" name=\"\" "
              "type=\"REG_SZ\" value=\"@SYS:DoesNotExist\"/></Registry>"
              "</RegistrySettings>",
              WritePreferenceXml(values, 951782400, counted));
}

TEST(PreferenceXmlWriter, TimesInUtc)
{
    const struct
    {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "1970-01-01 00:00:00"},
        {1709251199, "2024-02-29 23:59:59"},
        {-1, "1969-12-31 23:59:59"},
    };
    for (const auto& c : cases)
    {
        const std::string xml = WritePreferenceXml({{Hive::CurrentUser, L"K", L"V", kRegDword, 1, L""}}, c.seconds);
        EXPECT_NE(std::string::npos, xml.find(std::string("changed=\"") + c.text + "\"")) << c.seconds;
    }
}

TEST(PreferenceXmlWriter, WhatItWritesReadsBackTheSame)
{
    const std::vector<PreferenceValue> values = {
        {Hive::CurrentUser, L"Software\\Policies\\Explorer", L"NoDriveAutoRun", kRegDword, 0x3FFFFFF, L""},
        {Hive::LocalMachine, L"K & <k>", L"n\"'", kRegSz, 0, L"a&b<c>d\"e'f\tg\nh\ri \u00E9\u4E2D"},
        {Hive::LocalMachine, L"K", L"", kRegSz, 0, L""},
    };
    const auto items = ReadPreferenceXml(Utf8(WritePreferenceXml(values, 0)));
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(values.size(), items->size());
    std::vector<PreferenceRef> asked;
    for (const PreferenceValue& value : values)
        asked.push_back({value.hive, value.key, value.name});
    const std::vector<ValueEffect> effects = EvaluatePreferences(*items, asked);
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        EXPECT_EQ('U', (*items)[i].action);
        if (values[i].type == kRegDword)
            EXPECT_EQ(values[i].number, effects[i].Dword().value_or(0)) << i;
        else
            EXPECT_EQ(values[i].text, effects[i].String().value_or(L"?")) << i;
    }
}

TEST(PreferenceXmlWriter, DeleteItemsCarryNoDataAndReadBackAsDeletions)
{
    // The value set first, so that reading back shows the delete item really deletes it.
    const std::vector<PreferenceValue> values = {
        {Hive::LocalMachine, L"K", L"", kRegSz, 0, L"@SYS:DoesNotExist"},
        {Hive::LocalMachine, L"K", L"", kRegSz, 0, L"@SYS:DoesNotExist", 'D'},
        {Hive::CurrentUser, L"K", L"N", kRegDword, 7, L"", 'D'},
    };
    const std::string xml = WritePreferenceXml(values, 0);
    EXPECT_NE(std::string::npos, xml.find("name=\"(Default)\" status=\"(Default)\" image=\"8\"")) << xml;
    EXPECT_NE(std::string::npos, xml.find("<Properties action=\"D\" displayDecimal=\"0\" default=\"1\" "
                                          "hive=\"HKEY_LOCAL_MACHINE\" key=\"K\" name=\"\" type=\"REG_SZ\" "
                                          "value=\"\"/>"))
        << xml;
    EXPECT_NE(std::string::npos, xml.find("image=\"13\"")) << xml;
    EXPECT_EQ(std::string::npos, xml.find("00000007")) << xml;
    const auto items = ReadPreferenceXml(Utf8(xml));
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(3u, items->size());
    EXPECT_EQ('D', (*items)[1].action);
    EXPECT_TRUE((*items)[1].isDefault);
    const std::vector<ValueEffect> effects =
        EvaluatePreferences(*items, {{Hive::LocalMachine, L"K", L""}, {Hive::CurrentUser, L"K", L"N"}});
    EXPECT_EQ(ValueEffect::Kind::Deletes, effects[0].kind);
    EXPECT_EQ(ValueEffect::Kind::Deletes, effects[1].kind);
}

TEST(PreferenceXmlWriter, RefusesWhatXmlCannotCarry)
{
    const std::wstring bad[] = {std::wstring(L"a\0b", 3), L"\x01", L"\xFFFE"};
    for (const std::wstring& text : bad)
    {
        EXPECT_THROW(WritePreferenceXml({{Hive::LocalMachine, L"K", L"V", kRegSz, 0, text}}, 0), std::invalid_argument);
        EXPECT_THROW(WritePreferenceXml({{Hive::LocalMachine, text, L"V", kRegDword, 0, L""}}, 0), std::invalid_argument);
    }
    EXPECT_THROW(WritePreferenceXml({{Hive::LocalMachine, L"K", L"V", kRegBinary, 0, L""}}, 0), std::invalid_argument);
    // Create and replace items are not written: 'C' would leave a stored value alone.
    for (const char action : {'C', 'R', '\0'})
        EXPECT_THROW(WritePreferenceXml({{Hive::LocalMachine, L"K", L"V", kRegDword, 1, L"", action}}, 0),
                     std::invalid_argument)
            << action;
}

TEST(PreferenceXmlWriter, StableUidsFollowTheValueNotItsCase)
{
    const PreferenceValue a{Hive::LocalMachine, L"Software\\K", L"Name", kRegDword, 1, L""};
    const PreferenceValue b{Hive::LocalMachine, L"SOFTWARE\\k", L"name", kRegDword, 2, L""};
    const PreferenceValue c{Hive::CurrentUser, L"Software\\K", L"Name", kRegDword, 1, L""};
    const std::string uid = StableUid(a, 0);
    EXPECT_EQ(38u, uid.size());
    EXPECT_EQ('{', uid.front());
    EXPECT_EQ('}', uid.back());
    for (std::size_t dash : {9, 14, 19, 24})
        EXPECT_EQ('-', uid[dash]) << uid;
    EXPECT_EQ(uid, StableUid(b, 5));
    EXPECT_NE(uid, StableUid(c, 0));
}
