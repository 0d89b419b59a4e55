#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "OptionsStore.h"
#include "RegistryTestSupport.h"
#include "Win32Exception.h"

namespace {

using testreg::SystemText;
using testreg::Utf8;

const std::wstring kScratch = L"Software\\MorvexPolicyTests";

// Each test works below a scratch key of the user hive that it owns alone.
class OptionsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { testreg::DeleteTree(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { testreg::DeleteTree(HKEY_CURRENT_USER, kScratch); }

    static std::wstring Path(const wchar_t* below) { return kScratch + L"\\" + below; }

    OptionsStore store;
};

// Runs an operation that must throw a Win32Exception and returns its text.
std::string ErrorText(const std::function<void()>& operation)
{
    try
    {
        operation();
    }
    catch (const Win32Exception& error)
    {
        return error.what();
    }
    ADD_FAILURE() << "no Win32Exception";
    return std::string();
}

TEST_F(OptionsStoreTest, ReadsBelowAMissingKeyGiveTheDefaultAndCreateNothing)
{
    const std::wstring path = Path(L"Missing\\Deeper");
    DWORD number = 1;
    std::wstring text = L"old";
    EXPECT_FALSE(store.GetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", number, 7));
    EXPECT_EQ(7u, number);
    EXPECT_FALSE(store.GetString(HKEY_CURRENT_USER, path.c_str(), L"Value", text, L"fallback"));
    EXPECT_EQ(L"fallback", text);
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, Path(L"Missing")));
}

TEST_F(OptionsStoreTest, MissingValueInExistingKeyGivesTheDefault)
{
    const std::wstring path = Path(L"Key");
    testreg::WriteDword(HKEY_CURRENT_USER, path, L"Other", 5);
    DWORD number = 1;
    std::wstring text = L"old";
    EXPECT_FALSE(store.GetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", number, 7));
    EXPECT_EQ(7u, number);
    EXPECT_FALSE(store.GetString(HKEY_CURRENT_USER, path.c_str(), L"", text, L"fallback"));
    EXPECT_EQ(L"fallback", text);
}

TEST_F(OptionsStoreTest, ReadsStoredNumbers)
{
    struct Case
    {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        DWORD expected;
    };
    const Case cases[] = {
        {"number", REG_DWORD, {0x91, 0, 0, 0xFC}, 0xFC000091u},
        // The form older Windows versions wrote, which the system still reads.
        {"4-byte binary", REG_BINARY, {0x95, 0, 0, 0}, 0x95u},
        // A short number fills the low bytes of the default.
        {"2-byte number", REG_DWORD, {0x04, 0}, 0x12340004u},
        {"empty number", REG_DWORD, {}, 0x12345678u},
    };
    const std::wstring path = Path(L"Key");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        testreg::WriteRaw(HKEY_CURRENT_USER, path, L"Value", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        DWORD number = 0;
        EXPECT_TRUE(store.GetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", number, 0x12345678u));
        EXPECT_EQ(c.expected, number);
    }
}

std::vector<BYTE> Bytes(const std::wstring& units)
{
    std::vector<BYTE> bytes(units.size() * sizeof(wchar_t));
    if (!bytes.empty())
        std::memcpy(bytes.data(), units.data(), bytes.size());
    return bytes;
}

TEST_F(OptionsStoreTest, ReadsTextUpToItsNullOrTheEndOfItsData)
{
    struct Case
    {
        const char* name;
        std::vector<BYTE> data; // stored as REG_SZ exactly as given
        std::wstring expected;
    };
    std::vector<BYTE> oddLength = Bytes(std::wstring(L"abc"));
    oddLength.push_back('d');
    const std::wstring nul(1, L'\0');
    const Case cases[] = {
        {"terminated", Bytes(L"abc" + nul), L"abc"},
        {"empty data", {}, L""},
        {"31 characters and null, 64 bytes", Bytes(std::wstring(31, L'x') + nul), std::wstring(31, L'x')},
        {"32 characters without null, 64 bytes", Bytes(std::wstring(32, L'y')), std::wstring(32, L'y')},
        {"short without null", Bytes(L"abc"), L"abc"},
        {"200 characters", Bytes(std::wstring(200, L'z') + nul), std::wstring(200, L'z')},
        {"40 characters without null", Bytes(std::wstring(40, L'w')), std::wstring(40, L'w')},
        {"stops at the first null", Bytes(L"ab" + nul + L"cd" + nul), L"ab"},
        {"odd byte count", oddLength, L"abc"},
        {"non-ASCII", Bytes(L"Gr\u00FC\u00DFe \u20AC" + nul), L"Gr\u00FC\u00DFe \u20AC"},
    };
    const std::wstring path = Path(L"Texts");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        testreg::WriteRaw(HKEY_CURRENT_USER, path, L"Text", REG_SZ, c.data.data(), static_cast<DWORD>(c.data.size()));
        std::wstring text = L"old";
        EXPECT_TRUE(store.GetString(HKEY_CURRENT_USER, path.c_str(), L"Text", text, L"fallback"));
        EXPECT_EQ(c.expected, text);
    }
}

TEST_F(OptionsStoreTest, WrongTypeOrSizeThrowsAndKeepsTheDefault)
{
    struct Case
    {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        bool readAsText;
        const char* found; // what was found against what is expected
    };
    const std::wstring nul(1, L'\0');
    const Case cases[] = {
        {"2-byte binary as number", REG_BINARY, {1, 0}, false, "has type REG_BINARY (2 bytes); a REG_DWORD is expected"},
        {"4-byte text as number", REG_SZ, Bytes(L"1" + nul), false, "has type REG_SZ (4 bytes); a REG_DWORD is expected"},
        {"big-endian number", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}, false,
         "has type REG_DWORD_BIG_ENDIAN (4 bytes); a REG_DWORD is expected"},
        // Too long for the buffer of a number: the system says only "more data".
        {"8-byte number", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false,
         "has type REG_QWORD (8 bytes); a REG_DWORD is expected"},
        {"REG_DWORD of 8 bytes", REG_DWORD, {0xFF, 0, 0, 0, 0, 0, 0, 0}, false,
         "has type REG_DWORD (8 bytes); a REG_DWORD of 4 bytes is expected"},
        {"long binary", REG_BINARY, std::vector<BYTE>(300, 0xFF), false,
         "has type REG_BINARY (300 bytes); a REG_DWORD is expected"},
        {"1-byte value of a type without a name", 0x77, {1}, false, "has type 119 (1 byte); a REG_DWORD is expected"},
        {"expandable text", REG_EXPAND_SZ, Bytes(L"%TEMP%" + nul), true,
         "has type REG_EXPAND_SZ (14 bytes); a REG_SZ is expected"},
        {"long expandable text", REG_EXPAND_SZ, Bytes(std::wstring(100, L'e') + nul), true,
         "has type REG_EXPAND_SZ (202 bytes); a REG_SZ is expected"},
        {"number as text", REG_DWORD, {1, 0, 0, 0}, true, "has type REG_DWORD (4 bytes); a REG_SZ is expected"},
        {"multi-text", REG_MULTI_SZ, Bytes(L"a" + nul + nul), true, "has type REG_MULTI_SZ (6 bytes); a REG_SZ is expected"},
    };
    const std::wstring path = Path(L"Typed");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        testreg::WriteRaw(HKEY_CURRENT_USER, path, L"Value", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        // The message says which value to fix (hive, key and name) and what is wrong with it.
        const std::string expected =
            "Failed to query value. (HKEY_CURRENT_USER\\" + Utf8(path) + ", Value) : " + c.found;
        if (c.readAsText)
        {
            std::wstring text = L"old";
            EXPECT_EQ(expected, ErrorText([&] { store.GetString(HKEY_CURRENT_USER, path.c_str(), L"Value", text, L"fallback"); }));
            EXPECT_EQ(L"fallback", text);
        }
        else
        {
            DWORD number = 0x55;
            EXPECT_EQ(expected, ErrorText([&] { store.GetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", number, 9); }));
            EXPECT_EQ(9u, number);
        }
    }
}

TEST_F(OptionsStoreTest, WritesCreateTheKeyAndStoreTypedData)
{
    const std::wstring path = Path(L"New\\Nested");
    EXPECT_TRUE(store.SetDword(HKEY_CURRENT_USER, path.c_str(), L"Number", 0xFF));
    EXPECT_TRUE(store.SetString(HKEY_CURRENT_USER, path.c_str(), L"", L"@SYS:DoesNotExist"));
    EXPECT_TRUE(store.SetString(HKEY_CURRENT_USER, path.c_str(), L"Empty", L""));
    EXPECT_TRUE(store.SetString(HKEY_CURRENT_USER, path.c_str(), L"Umlaut", L"\u00C4rger"));

    const auto number = testreg::Read(HKEY_CURRENT_USER, path, L"Number");
    ASSERT_TRUE(number);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), number->type);
    EXPECT_EQ((std::vector<BYTE>{0xFF, 0, 0, 0}), number->data);

    const std::wstring nul(1, L'\0');
    const struct
    {
        const wchar_t* name;
        std::wstring stored;
    } texts[] = {{L"", L"@SYS:DoesNotExist" + nul}, {L"Empty", nul}, {L"Umlaut", L"\u00C4rger" + nul}};
    for (const auto& t : texts)
    {
        SCOPED_TRACE(Utf8(t.name));
        const auto value = testreg::Read(HKEY_CURRENT_USER, path, t.name);
        ASSERT_TRUE(value);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
        EXPECT_EQ(Bytes(t.stored), value->data); // (characters + 1) * 2 bytes
    }
}

TEST_F(OptionsStoreTest, SetDwordReplacesAValueOfAnotherType)
{
    const std::wstring path = Path(L"Key");
    testreg::WriteText(HKEY_CURRENT_USER, path, L"Value", L"text");
    store.SetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", 3);
    DWORD number = 0;
    EXPECT_TRUE(store.GetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", number, 0));
    EXPECT_EQ(3u, number);
}

TEST_F(OptionsStoreTest, DeleteValueReportsWhetherSomethingWasThere)
{
    const std::wstring path = Path(L"Key");
    testreg::WriteText(HKEY_CURRENT_USER, path, L"", L"default");
    testreg::WriteDword(HKEY_CURRENT_USER, path, L"Number", 1);

    EXPECT_TRUE(store.DeleteValue(HKEY_CURRENT_USER, path.c_str(), L""));
    EXPECT_FALSE(testreg::Read(HKEY_CURRENT_USER, path, L""));
    EXPECT_TRUE(testreg::Read(HKEY_CURRENT_USER, path, L"Number"));
    EXPECT_FALSE(store.DeleteValue(HKEY_CURRENT_USER, path.c_str(), L""));

    // A missing key is created, empty.
    const std::wstring missing = Path(L"Absent\\Key");
    EXPECT_FALSE(store.DeleteValue(HKEY_CURRENT_USER, missing.c_str(), L""));
    ASSERT_TRUE(testreg::KeyExists(HKEY_CURRENT_USER, missing));
    EXPECT_EQ(0u, testreg::ValueCount(HKEY_CURRENT_USER, missing));
}

TEST_F(OptionsStoreTest, FailureToCreateTheKeyNamesThePathInUtf8)
{
    // A non-volatile key cannot be created below a volatile one.
    testreg::CreateKey(HKEY_CURRENT_USER, Path(L"Volatile"), REG_OPTION_VOLATILE);
    const std::wstring path = Path(L"Volatile\\Schl\u00FCssel");
    const std::string expected = Utf8(path) + " (HKEY_CURRENT_USER, Value) : " + SystemText(ERROR_CHILD_MUST_BE_VOLATILE);
    ASSERT_NE(std::string::npos, expected.find("Schl\xC3\xBCssel"));

    EXPECT_EQ(expected, ErrorText([&] { store.SetDword(HKEY_CURRENT_USER, path.c_str(), L"Value", 1); }));
    EXPECT_EQ(expected, ErrorText([&] { store.SetString(HKEY_CURRENT_USER, path.c_str(), L"Value", L"x"); }));
    EXPECT_EQ(expected, ErrorText([&] { store.DeleteValue(HKEY_CURRENT_USER, path.c_str(), L"Value"); }));
    const std::string defaultValue = Utf8(path) + " (HKEY_CURRENT_USER, (Default)) : " +
                                     SystemText(ERROR_CHILD_MUST_BE_VOLATILE);
    EXPECT_EQ(defaultValue, ErrorText([&] { store.SetString(HKEY_CURRENT_USER, path.c_str(), L"", L"x"); }));
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, path));
}

} // namespace
