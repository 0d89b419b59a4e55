// The words MorvexCtl prints for a failure, its JSON strings and how it reads its command
// line. Its folder has no translation files: English.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "CommandLine.h"
#include "StatusReport.h"

namespace {

TEST(CtlText, AChangedPolicyIsSaidInTheConsolesOwnWords)
{
    // Not the window's "...the window now shows the current policy": a command shows nothing
    // afterwards, so it says what to do instead.
    EXPECT_EQ("Nothing was saved: the AutoRun policy changed since it was read (Group Policy, a script or another "
              "window). Run the command again.\n"
              "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer, NoDriveAutoRun",
              ErrorText(PolicyChangedError(PolicyValue::UserDriveLetters, {})));
    EXPECT_EQ("HKEY_CURRENT_USER\\X : Access denied.", ErrorText(std::runtime_error("HKEY_CURRENT_USER\\X : Access denied.")));
}

// Whatever bytes a translation file holds, the JSON is valid UTF-8: each broken sequence
// becomes one U+FFFD, valid characters of every length pass as they are.
TEST(CtlText, JsonStringsAreValidUtf8WhateverTheText)
{
    const std::string fffd = "\xEF\xBF\xBD";
    const struct
    {
        const char* name;
        std::string in;
        std::string out;
    } cases[] = {
        {"ascii and escapes", "a\"b\\c\n\x01", "\"a\\\"b\\\\c\\n\\u0001\""},
        {"two to four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"Latin-1 byte", "caf\xE9!", "\"caf" + fffd + "!\""},
        {"lone continuation", "\x80x", "\"" + fffd + "x\""},
        {"overlong slash", "\xC0\xAF", "\"" + fffd + fffd + "\""},
        {"overlong three bytes", "\xE0\x80\xAF", "\"" + fffd + fffd + fffd + "\""},
        {"surrogate", "\xED\xA0\x80", "\"" + fffd + fffd + fffd + "\""},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\"" + fffd + fffd + fffd + fffd + "\""},
        {"cut at the end", "ok\xE2\x82", "\"ok" + fffd + "\""},
        {"cut before ascii", "\xF0\x9F\x98\"", "\"" + fffd + "\\\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, JsonString(c.in)) << c.name;
}

CtlCommand Parse(std::vector<const wchar_t*> arguments)
{
    arguments.insert(arguments.begin(), L"MorvexCtl.exe");
    return ParseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

std::string UsageErrorOf(std::vector<const wchar_t*> arguments)
{
    try
    {
        Parse(arguments);
    }
    catch (const UsageError& error)
    {
        return error.what();
    }
    return "(accepted)";
}

TEST(CtlCommandLine, FlagValuesAttachedOrFollowingAndOnOffInAnyCase)
{
    const CtlCommand command = Parse({L"set", L"--removable=OFF", L"--cdrom", L"On", L"--letters=d e,a", L"--lang=de"});
    EXPECT_EQ(Verb::Set, command.verb);
    EXPECT_EQ(false, command.switches[2]);
    EXPECT_EQ(true, command.switches[5]);
    EXPECT_FALSE(command.switches[0].has_value());
    EXPECT_EQ(L"d e,a", command.letters.value_or(L"(none)"));
    EXPECT_EQ("de", command.language);
    EXPECT_EQ(L"", Parse({L"set", L"--letters="}).letters.value_or(L"(none)"));
    EXPECT_EQ(L"", Parse({L"set", L"--letters", L""}).letters.value_or(L"(none)"));
    for (const wchar_t* help : {L"-h", L"/?", L"--help"})
        EXPECT_EQ(Verb::Help, Parse({L"status", help}).verb);
}

// Anything but drive letters, commas and blanks is refused by name instead of being dropped.
TEST(CtlCommandLine, LettersTakeOnlyDriveLetters)
{
    const std::string rule = "--letters takes drive letters A to Z separated by commas or blanks (\"\" for none), not ";
    const struct
    {
        const wchar_t* list;
        std::string error; // empty: accepted
    } cases[] = {
        {L"C,E", ""},
        {L" c  e,,z\t", ""},
        {L"a;c", ""},
        {L"C,1,ZZ", rule + "\"1\""},
        {L"C,ZZ", rule + "\"ZZ\""},
        {L"C:", rule + "\"C:\""},
        {L"\u00c4", rule + "\"\xC3\x84\""},
    };
    for (const auto& c : cases)
    {
        const std::string error = UsageErrorOf({L"set", L"--letters", c.list});
        EXPECT_EQ(c.error.empty() ? "(accepted)" : c.error, error);
    }
}

TEST(CtlCommandLine, FlagsOnlyWhereTheyBelong)
{
    const struct
    {
        std::vector<const wchar_t*> arguments;
        const char* error;
    } cases[] = {
        {{L"status", L"--json=yes"}, "--json takes no value"},
        {{L"set", L"--fixed=maybe"}, "--fixed takes on or off, not \"maybe\""},
        {{L"set", L"--fixed="}, "--fixed takes on or off, not \"\""},
        {{L"set", L"--perfdata", L"--fixed", L"off"}, "--perfdata belongs to status, not to set"},
        {{L"status", L"--perfdata", L"--json"}, "--perfdata belongs to the status line; --json does not apply"},
        {{L"set", L"--baseline", L"--fixed", L"off"}, "--baseline belongs to disable-all and export, not to set"},
        {{L"status", L"--baseline"}, "--baseline belongs to disable-all and export, not to status"},
        {{L"status", L"--verbose=1"}, "unknown flag --verbose"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.error, UsageErrorOf(c.arguments));
    EXPECT_TRUE(Parse({L"status", L"--perfdata"}).perfData);
    EXPECT_TRUE(Parse({L"disable-all", L"--baseline"}).baseline);
    EXPECT_TRUE(Parse({L"export", L"--baseline"}).baseline);
}

} // namespace
