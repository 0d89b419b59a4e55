#include <windows.h>

#include <gtest/gtest.h>

#include "RegistryTestSupport.h"
#include "Win32Exception.h"

namespace {

using testreg::SystemText;

TEST(Win32ExceptionText, JoinsContextAndSystemText)
{
    struct Case
    {
        const char* context;
        DWORD code;
        std::string expected;
    };
    const Case cases[] = {
        {"Failed set value.", ERROR_ACCESS_DENIED, "Failed set value. : " + SystemText(ERROR_ACCESS_DENIED)},
        {"Failed to query value.", ERROR_INVALID_DATA, "Failed to query value. : " + SystemText(ERROR_INVALID_DATA)},
        {nullptr, ERROR_INVALID_DATA, SystemText(ERROR_INVALID_DATA)},
        {"", ERROR_FILE_NOT_FOUND, SystemText(ERROR_FILE_NOT_FOUND)},
        // A UTF-8 context (a key path with an umlaut) passes through unchanged.
        {"SOFTWARE\\Gr\xC3\xBC\xC3\x9F" "e", ERROR_CHILD_MUST_BE_VOLATILE,
         "SOFTWARE\\Gr\xC3\xBC\xC3\x9F" "e : " + SystemText(ERROR_CHILD_MUST_BE_VOLATILE)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.code);
        ASSERT_FALSE(SystemText(c.code).empty());
        const Win32Exception error(c.context, c.code);
        EXPECT_EQ(c.expected, error.what());
    }
}

TEST(Win32ExceptionText, CodeWithoutSystemTextLeavesContextAndSeparator)
{
    const DWORD unknownCode = 0x2000ABCD; // customer range: the system has no text for it
    ASSERT_TRUE(SystemText(unknownCode).empty());
    EXPECT_STREQ("Failed to delete value. : ", Win32Exception("Failed to delete value.", unknownCode).what());
    EXPECT_STREQ("", Win32Exception(nullptr, unknownCode).what());
}

TEST(Win32ExceptionText, SystemTextWithInsertsIsTakenLiterally)
{
    // ERROR_BAD_EXE_FORMAT's text has a %1 placeholder; without arguments the message
    // function must leave it as it is instead of reading an argument that is not there.
    const std::string systemText = SystemText(ERROR_BAD_EXE_FORMAT);
    ASSERT_NE(std::string::npos, systemText.find("%1"));
    EXPECT_EQ("Context : " + systemText, Win32Exception("Context", ERROR_BAD_EXE_FORMAT).what());
}

} // namespace
