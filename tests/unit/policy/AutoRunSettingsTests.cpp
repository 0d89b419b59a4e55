#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "AutoRunSettings.h"
#include "PolicyFixture.h"
#include "RegistryTestSupport.h"

namespace {

using namespace policytest;
using testreg::SystemText;

const bool T = true;
const bool F = false;
const wchar_t kAllLetters[] = L"A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,W,X,Y,Z";

class AutoRunSettingsTest : public PolicyRegistryTest
{
};

// Runs Load or Save, which must fail, and returns the text the user would see.
std::string FailureText(const std::function<void()>& operation)
{
    try
    {
        operation();
    }
    catch (const std::exception& error)
    {
        return error.what();
    }
    ADD_FAILURE() << "no exception";
    return std::string();
}

TEST_F(AutoRunSettingsTest, LoadReadsEveryFieldFromTheRegistry)
{
    struct Case
    {
        const char* name;
        PolicyState before;
        Fields after;
    };
    const Case cases[] = {
        {"nothing there", kNothing, {T, T, T, T, T, T, T, L""}},
        {"machine 0x91", kNothing.MachineTypes(0x91u), {T, F, T, T, F, T, T, L""}},
        {"machine 0x04, user 0x08", kNothing.MachineTypes(0x04u).UserTypes(0x08u), {T, T, F, F, T, T, T, L""}},
        {"only the second unknown bit", kNothing.MachineTypes(0x80u), {T, F, T, T, T, T, T, L""}},
        {"user 0x01", kNothing.UserTypes(0x01u), {T, F, T, T, T, T, T, L""}},
        {"every type bit", kNothing.MachineTypes(0xFFu), {T, F, F, F, F, F, F, L""}},
        {"no-root and higher bits ignored", kNothing.MachineTypes(0xFFFFFF02u), {T, T, T, T, T, T, T, L""}},
        {"service 0, bit clear", kNothing.Cdrom(0u), {T, T, T, T, T, F, T, L""}},
        {"service 1, bit set", kNothing.MachineTypes(0x20u).Cdrom(1u), {T, T, T, T, T, F, T, L""}},
        {"service 7, bit clear", kNothing.Cdrom(7u), {T, T, T, T, T, T, T, L""}},
        {"mapping as written", kNothing.Mapping(L"@SYS:DoesNotExist"), {F, T, T, T, T, T, T, L""}},
        {"mapping in other case", kNothing.Mapping(L"@sys:DOESNOTEXIST"), {F, T, T, T, T, T, T, L""}},
        {"mapping with a blank", kNothing.Mapping(L"@SYS:DoesNotExist "), {T, T, T, T, T, T, T, L""}},
        {"mapping elsewhere", kNothing.Mapping(L"SYS:Autorun"), {T, T, T, T, T, T, T, L""}},
        {"empty mapping", kNothing.Mapping(L""), {T, T, T, T, T, T, T, L""}},
        {"letters C and E", kNothing.MachineLetters(0x14u), {T, T, T, T, T, T, T, L"C,E"}},
        {"A from machine, Z from user",
         kNothing.MachineLetters(0x1u).UserLetters(0x2000000u),
         {T, T, T, T, T, T, T, L"A,Z"}},
        {"all 26 letters", kNothing.UserLetters(0x3FFFFFFu),
         {T, T, T, T, T, T, T, kAllLetters}},
        {"bits above Z name no letter", kNothing.MachineLetters(0xFC000000u),
         {T, T, T, T, T, T, T, L""}},
        {"every bit", kNothing.MachineLetters(0xFFFFFFFFu),
         {T, T, T, T, T, T, T, kAllLetters}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Apply(c.before);
        AutoRunSettings settings;
        c.after.Inverted().To(settings);
        settings.Load();
        EXPECT_EQ(c.after, Fields::Of(settings));
    }
}

TEST_F(AutoRunSettingsTest, SaveWritesEveryValueWithItsType)
{
    struct Case
    {
        const char* name;
        Fields fields;
        bool mappingDeleted;
        DWORD types;
        DWORD cdromService;
        DWORD letters;
        const wchar_t* lettersAfter;
    };
    const Case cases[] = {
        {"everything on", {T, T, T, T, T, T, T, L""}, true, 0x02, 1, 0, L""},
        {"everything off", {F, F, F, F, F, F, F, L""}, false, 0xFF, 0, 0, L""},
        {"unknown off", {T, F, T, T, T, T, T, L""}, true, 0x83, 1, 0, L""},
        {"CD-ROM off", {T, T, T, T, T, F, T, L""}, true, 0x22, 0, 0, L""},
        {"removable and RAM off", {F, T, F, T, T, T, F, L""}, false, 0x46, 1, 0, L""},
        {"fixed and network off", {T, T, T, F, F, T, T, L""}, true, 0x1A, 1, 0, L""},
        {"free letter text", {T, T, T, T, T, T, T, L"a, c;x"}, true, 0x02, 1, 0x800005, L"A, C;X"},
        {"all letters", {T, T, T, T, T, T, T, L"ABCDEFGHIJKLMNOPQRSTUVWXYZ"}, true, 0x02, 1, 0x3FFFFFF,
         L"ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {"a letter twice", {T, T, T, T, T, T, T, L"zZ"}, true, 0x02, 1, 0x2000000, L"ZZ"},
        {"no letters among other signs", {T, T, T, T, T, T, T, L"1 [`{@ \u00E4\u00E9"}, true, 0x02, 1, 0,
         L"1 [`{@ \u00E4\u00E9"},
    };
    const PolicyState sentinels{L"sentinel", 0x1234u, 0x1234u, 0x55u, 0xFC000000u, 0xFC000000u};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Apply(sentinels);
        AutoRunSettings settings;
        c.fields.To(settings);
        settings.Save();

        Fields expectedFields = c.fields;
        expectedFields.disabledLetters = c.lettersAfter;
        EXPECT_EQ(expectedFields, Fields::Of(settings));

        const auto mapping = testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L"");
        if (c.mappingDeleted)
        {
            EXPECT_FALSE(mapping);
            EXPECT_TRUE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kMappingKey));
        }
        else
        {
            ASSERT_TRUE(mapping);
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), mapping->type);
            const wchar_t stored[] = L"@SYS:DoesNotExist";
            EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<const BYTE*>(stored),
                                        reinterpret_cast<const BYTE*>(stored) + sizeof(stored)),
                      mapping->data);
        }
        EXPECT_EQ(c.types, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun"));
        EXPECT_EQ(c.types, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun"));
        EXPECT_EQ(c.cdromService, ReadDword(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"));
        EXPECT_EQ(c.letters, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun"));
        EXPECT_EQ(c.letters, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun"));
    }
}

TEST_F(AutoRunSettingsTest, SaveCreatesTheMappingKeyEmptyWhenAutorunInfIsHonoured)
{
    ASSERT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kMappingKey));
    AutoRunSettings settings;
    settings.runAutorunInf = true;
    settings.Save();
    ASSERT_TRUE(testreg::KeyExists(HKEY_LOCAL_MACHINE, kMappingKey));
    EXPECT_EQ(0u, testreg::ValueCount(HKEY_LOCAL_MACHINE, kMappingKey));
}

TEST_F(AutoRunSettingsTest, LoadAfterSaveGivesTheSameSwitchesAndCanonicalLetters)
{
    const Fields cases[] = {
        {F, T, F, T, F, T, F, L"z, b a;b"},
        {T, F, T, F, T, F, T, L""},
    };
    for (const Fields& saved : cases)
    {
        AutoRunSettings settings;
        saved.To(settings);
        settings.Save();
        AutoRunSettings loaded;
        loaded.Load();
        Fields expected = saved;
        expected.disabledLetters = saved.disabledLetters.empty() ? L"" : L"A,B,Z";
        EXPECT_EQ(expected, Fields::Of(loaded));
    }
}

// A value of the wrong type is an easy real read failure.
void WriteWrongType(HKEY root, const std::wstring& path, const wchar_t* name)
{
    testreg::WriteText(root, path, name, L"1");
}

TEST_F(AutoRunSettingsTest, LoadFailuresKeepTheFieldsNotYetRead)
{
    const std::string invalidData = "Failed to query value. : " + SystemText(ERROR_INVALID_DATA);
    const Fields before{F, F, F, F, F, F, F, L"Q"};

    // The mapping is read first: nothing changes.
    Apply(kNothing);
    testreg::WriteText(HKEY_LOCAL_MACHINE, kMappingKey, L"", L"@SYS:DoesNotExist", REG_EXPAND_SZ);
    AutoRunSettings settings;
    before.To(settings);
    EXPECT_EQ(invalidData, FailureText([&] { settings.Load(); }));
    EXPECT_EQ(before, Fields::Of(settings));

    // The user's drive types fail twice: only the mapping has been taken.
    Apply(kNothing.MachineTypes(0x08u));
    WriteWrongType(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun");
    before.To(settings);
    EXPECT_EQ(invalidData, FailureText([&] { settings.Load(); }));
    EXPECT_EQ((Fields{T, F, F, F, F, F, F, L"Q"}), Fields::Of(settings));

    // The CD-ROM service value fails: the drive types have been taken, not the letters.
    Apply(kNothing.MachineTypes(0x04u));
    WriteWrongType(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun");
    before.To(settings);
    EXPECT_EQ(invalidData, FailureText([&] { settings.Load(); }));
    EXPECT_EQ((Fields{T, T, F, T, T, T, T, L"Q"}), Fields::Of(settings));

    // The user's letters fail: everything but the letters has been taken.
    Apply(kNothing.Mapping(L"@SYS:DoesNotExist").MachineTypes(0x10u).Cdrom(0u).MachineLetters(0x4u));
    WriteWrongType(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun");
    before.To(settings);
    EXPECT_EQ(invalidData, FailureText([&] { settings.Load(); }));
    EXPECT_EQ((Fields{F, T, T, T, F, F, T, L"Q"}), Fields::Of(settings));
}

TEST_F(AutoRunSettingsTest, UnreadableMachineValueContributesNothing)
{
    Apply(kNothing.UserTypes(0x04u).UserLetters(0x8u));
    WriteWrongType(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun");
    testreg::WriteRaw(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun", REG_BINARY, "\x01\x00\x00\x00", 4);
    AutoRunSettings settings;
    settings.Load();
    EXPECT_EQ((Fields{T, T, F, T, T, T, T, L"D"}), Fields::Of(settings));
}

// Replaces a "policies" key by a volatile one, so that its Explorer subkey cannot be
// created; what was there comes back at the end of the test.
void MakePoliciesVolatile(HKEY root)
{
    testreg::DeleteTree(root, kPoliciesKey);
    testreg::CreateKey(root, kPoliciesKey, REG_OPTION_VOLATILE);
}

TEST_F(AutoRunSettingsTest, UserPolicyKeyNotWritable)
{
    MakePoliciesVolatile(HKEY_CURRENT_USER);
    AutoRunSettings settings;
    Fields{F, T, F, T, T, F, T, L"c, e"}.To(settings);

    // The user's drive types are swallowed; the user's letters, written last, end Save.
    EXPECT_EQ(testreg::Utf8(kExplorerKey) + " : " + SystemText(ERROR_CHILD_MUST_BE_VOLATILE),
              FailureText([&] { settings.Save(); }));
    EXPECT_EQ(L"C, E", settings.disabledLetters);
    EXPECT_TRUE(testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L""));
    EXPECT_EQ(0x26u, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun"));
    EXPECT_EQ(0u, ReadDword(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"));
    EXPECT_EQ(0x14u, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun"));
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, kExplorerKey));
}

TEST_F(AutoRunSettingsTest, MachinePolicyKeyNotWritable)
{
    Apply(kNothing.Cdrom(0x55u));
    MakePoliciesVolatile(HKEY_LOCAL_MACHINE);
    AutoRunSettings settings;
    Fields{F, T, T, T, T, T, F, L"c, e"}.To(settings);

    // The machine's drive types are the second write of their pair: Save ends there, and
    // what was written before stays.
    EXPECT_EQ(testreg::Utf8(kExplorerKey) + " : " + SystemText(ERROR_CHILD_MUST_BE_VOLATILE),
              FailureText([&] { settings.Save(); }));
    EXPECT_TRUE(testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L""));
    EXPECT_EQ(0x42u, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun"));
    EXPECT_EQ(0x55u, ReadDword(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun"));
    EXPECT_EQ(L"c, e", settings.disabledLetters);
}

} // namespace
