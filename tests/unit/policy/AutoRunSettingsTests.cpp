#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>
#include <stdexcept>

#include "AutoRunSettings.h"
#include "Protection.h"
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

// A registry value as stored: type and bytes.
struct Raw
{
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const Raw& o) const { return type == o.type && data == o.data; }
};
void PrintTo(const Raw& raw, std::ostream* out)
{
    *out << "type " << raw.type << ", " << raw.data.size() << " bytes:";
    for (BYTE b : raw.data)
        *out << ' ' << static_cast<int>(b);
}
Raw Dword(DWORD v)
{
    return {REG_DWORD, {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}};
}
Raw Text(const std::wstring& text, DWORD type = REG_SZ)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {type, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}
const Raw kIgnoring = Text(L"@SYS:DoesNotExist");

// The six values in the order PolicyValue names them.
struct Where
{
    HKEY root;
    const std::wstring& key;
    const wchar_t* name;
    const char* label; // as the messages name it
};
const Where kWhere[kPolicyValueCount] = {
    {HKEY_LOCAL_MACHINE, kMappingKey, L"", "(Default)"},
    {HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun", "NoDriveTypeAutoRun"},
    {HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun", "NoDriveTypeAutoRun"},
    {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", "AutoRun"},
    {HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun", "NoDriveAutoRun"},
    {HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun", "NoDriveAutoRun"},
};
using Registry = std::array<std::optional<Raw>, kPolicyValueCount>;

void Put(const Registry& registry)
{
    for (int i = 0; i < kPolicyValueCount; ++i)
    {
        const Where& w = kWhere[i];
        if (registry[i])
            testreg::WriteRaw(w.root, w.key, w.name, registry[i]->type, registry[i]->data.data(),
                              static_cast<DWORD>(registry[i]->data.size()));
        else
            testreg::DeleteValue(w.root, w.key, w.name);
    }
}

Registry Get()
{
    Registry registry;
    for (int i = 0; i < kPolicyValueCount; ++i)
    {
        if (const auto value = testreg::Read(kWhere[i].root, kWhere[i].key, kWhere[i].name))
            registry[i] = Raw{value->type, value->data};
    }
    return registry;
}

void ExpectRegistry(const Registry& expected)
{
    const Registry actual = Get();
    for (int i = 0; i < kPolicyValueCount; ++i)
        EXPECT_EQ(expected[i], actual[i]) << "value " << i << ": " << kWhere[i].label;
}

// How the messages name a value: hive, key and value name.
std::string Named(PolicyValue value)
{
    const Where& w = kWhere[static_cast<int>(value)];
    const char* hive = w.root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    return std::string(hive) + "\\" + testreg::Utf8(w.key) + ", " + w.label;
}

// The message for a value that cannot be read: the fixed message, the value, and what was
// found there against what is expected.
std::string QueryFailed(PolicyValue value, const char* found)
{
    return "Failed to query value. (" + Named(value) + ") : " + found;
}
const char kTextNotNumber[] = "has type REG_SZ (4 bytes); a REG_DWORD is expected";

const std::optional<Raw> kAbsent;
const Raw kNumberAsText = Text(L"1");
const Raw kEightBytesOfFF{REG_DWORD, std::vector<BYTE>(8, 0xFF)};

TEST_F(AutoRunSettingsTest, LoadReadsWhatItCanAndNamesEveryUnreadableValue)
{
    using V = PolicyValue;
    struct Case
    {
        const char* name;
        Registry before;
        std::string error; // empty: Load succeeds
        Fields after;
    };
    const Case cases[] = {
        // Older Windows versions wrote the numbers as four bytes of REG_BINARY.
        {"machine types as 4-byte binary",
         {kAbsent, Raw{REG_BINARY, {0xFF, 0, 0, 0}}, kAbsent, kAbsent, kAbsent, kAbsent}, "",
         {T, F, F, F, F, F, F, L""}},
        {"machine letters as 4-byte binary",
         {kAbsent, kAbsent, kAbsent, kAbsent, Raw{REG_BINARY, {0x14, 0, 0, 0}}, kAbsent}, "",
         {T, T, T, T, T, T, T, L"C,E"}},
        {"service value as 4-byte binary",
         {kAbsent, kAbsent, kAbsent, Raw{REG_BINARY, {0, 0, 0, 0}}, kAbsent, kAbsent}, "",
         {T, T, T, T, T, F, T, L""}},
        {"user types 2 bytes long", {kAbsent, kAbsent, Raw{REG_DWORD, {0x04, 0}}, kAbsent, kAbsent, kAbsent}, "",
         {T, T, F, T, T, T, T, L""}},
        // No bytes at all keep the default like the missing bytes of a short number: the
        // service value stays on, and CD-ROM AutoRun with it.
        {"service value of no bytes", {kIgnoring, Dword(0xDF), kAbsent, Raw{REG_DWORD, {}}, kAbsent, kAbsent}, "",
         {F, F, F, F, F, T, F, L""}},
        {"service value 0 in 2 bytes", {kIgnoring, Dword(0xDF), kAbsent, Raw{REG_DWORD, {0, 0}}, kAbsent, kAbsent}, "",
         {F, F, F, F, F, F, F, L""}},
        // An unreadable value counts as absent for the fields, so the window shows the
        // rest; the mapping then reads as honoured, the least safe reading.
        {"mapping expandable",
         {Text(L"@SYS:DoesNotExist", REG_EXPAND_SZ), Dword(0x95), kAbsent, kAbsent, kAbsent, kAbsent},
         QueryFailed(V::IniFileMapping, "has type REG_EXPAND_SZ (36 bytes); a REG_SZ is expected"),
         {T, F, F, T, F, T, T, L""}},
        {"machine types as text",
         {kIgnoring, kNumberAsText, Dword(0x08), kAbsent, Dword(0x14), kAbsent}, QueryFailed(V::MachineDriveTypes, kTextNotNumber),
         {F, T, T, F, T, T, T, L"C,E"}},
        {"user types as text, letters in both hives",
         {kAbsent, kAbsent, kNumberAsText, Dword(1), Dword(0x14), Dword(0x40)}, QueryFailed(V::UserDriveTypes, kTextNotNumber),
         {T, T, T, T, T, T, T, L"C,E,G"}},
        {"service value as text", {kAbsent, Dword(0x04), kAbsent, kNumberAsText, kAbsent, kAbsent},
         QueryFailed(V::CdromAutoRun, kTextNotNumber), {T, T, F, T, T, T, T, L""}},
        {"machine letters as binary of 2 bytes",
         {kAbsent, kAbsent, kAbsent, kAbsent, Raw{REG_BINARY, {0x14, 0}}, Dword(0x8)},
         QueryFailed(V::MachineDriveLetters, "has type REG_BINARY (2 bytes); a REG_DWORD is expected"),
         {T, T, T, T, T, T, T, L"D"}},
        {"user letters 8 bytes long",
         {kAbsent, kAbsent, kAbsent, kAbsent, Dword(0x4), Raw{REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}},
         QueryFailed(V::UserDriveLetters, "has type REG_QWORD (8 bytes); a REG_DWORD is expected"),
         {T, T, T, T, T, T, T, L"C"}},
        {"machine types REG_DWORD of 8 bytes", {kAbsent, kEightBytesOfFF, kAbsent, kAbsent, kAbsent, kAbsent},
         QueryFailed(V::MachineDriveTypes, "has type REG_DWORD (8 bytes); a REG_DWORD of 4 bytes is expected"),
         {T, T, T, T, T, T, T, L""}},
        {"two values at once", {kAbsent, kNumberAsText, kAbsent, kAbsent, kAbsent, kNumberAsText},
         QueryFailed(V::MachineDriveTypes, kTextNotNumber) + "\r\n" + QueryFailed(V::UserDriveLetters, kTextNotNumber),
         {T, T, T, T, T, T, T, L""}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Clear();
        Put(c.before);
        AutoRunSettings settings;
        c.after.Inverted().To(settings);
        if (c.error.empty())
        {
            settings.Load();
            EXPECT_TRUE(settings.ReadComplete());
        }
        else
        {
            EXPECT_EQ(c.error, FailureText([&] { settings.Load(); }));
            EXPECT_FALSE(settings.ReadComplete());
            EXPECT_EQ(ProtectionState::Unreadable, EvaluateProtection(settings));
        }
        EXPECT_EQ(c.after, Fields::Of(settings));
    }
}

TEST_F(AutoRunSettingsTest, SaveKeepsWhatCouldNotBeReadUnlessTheUserChangedIt)
{
    enum Action
    {
        kSaveUntouched,
        kUntickAutorunInf,
        kClearRemovable,
        kTypeLetterX,
        kClearCdrom,
        kChooseCdromOn, // as MorvexCtl's "set --cdrom on" does
        kDisableEverything
    };
    struct Case
    {
        const char* name;
        Registry before;
        Action action;
        Registry after;
    };
    const Raw machineTypesAsBinary{REG_BINARY, {0xFF, 0, 0, 0}};
    const Raw mappingExpandable = Text(L"@SYS:DoesNotExist", REG_EXPAND_SZ);
    const Case cases[] = {
        // What was read is written as every Save writes it: both hives, as REG_DWORD.
        {"user types unreadable, untouched",
         {kAbsent, kAbsent, kNumberAsText, Dword(1), Dword(0x14), Dword(0x40)}, kSaveUntouched,
         {kAbsent, Dword(0x02), kNumberAsText, Dword(1), Dword(0x54), Dword(0x54)}},
        {"user types unreadable, a letter typed",
         {kAbsent, kAbsent, kNumberAsText, Dword(1), Dword(0x14), Dword(0x40)}, kTypeLetterX,
         {kAbsent, Dword(0x02), kNumberAsText, Dword(1), Dword(0x800054), Dword(0x800054)}},
        // A change to the value that could not be read replaces it: the repair. What it held
        // is not known, so every drive type the user did not change is written off; the
        // service value, not changed, stays.
        {"user types unreadable, removable cleared",
         {kAbsent, kAbsent, kNumberAsText, Dword(1), Dword(0x14), Dword(0x40)}, kClearRemovable,
         {kAbsent, Dword(0xFF), Dword(0xFF), Dword(1), Dword(0x54), Dword(0x54)}},
        {"machine types 8 bytes of 0xFF, CD-ROM cleared", {kAbsent, kEightBytesOfFF, kAbsent, kAbsent, kAbsent, kAbsent},
         kClearCdrom, {kAbsent, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0), Dword(0)}},
        // Only what the user chose is enabled.
        {"machine types 8 bytes of 0xFF, CD-ROM chosen on",
         {kAbsent, kEightBytesOfFF, kAbsent, kAbsent, kAbsent, kAbsent}, kChooseCdromOn,
         {kAbsent, Dword(0xDF), Dword(0xDF), Dword(1), Dword(0), Dword(0)}},
        {"machine types as binary, untouched", {kAbsent, machineTypesAsBinary, kAbsent, kAbsent, kAbsent, kAbsent},
         kSaveUntouched, {kAbsent, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0), Dword(0)}},
        {"mapping unreadable, untouched", {mappingExpandable, Dword(0x95), kAbsent, kAbsent, kAbsent, kAbsent},
         kSaveUntouched, {mappingExpandable, Dword(0x97), Dword(0x97), Dword(1), Dword(0), Dword(0)}},
        {"mapping unreadable, autorun.inf unticked",
         {mappingExpandable, Dword(0x95), kAbsent, kAbsent, kAbsent, kAbsent}, kUntickAutorunInf,
         {kIgnoring, Dword(0x97), Dword(0x97), Dword(1), Dword(0), Dword(0)}},
        {"service value unreadable, untouched", {kAbsent, Dword(0x04), kAbsent, kNumberAsText, kAbsent, kAbsent},
         kSaveUntouched, {kAbsent, Dword(0x06), Dword(0x06), kNumberAsText, Dword(0), Dword(0)}},
        {"user letters unreadable, untouched",
         {kAbsent, kAbsent, kAbsent, kAbsent, Dword(0x14), kNumberAsText}, kSaveUntouched,
         {kAbsent, Dword(0x02), Dword(0x02), Dword(1), Dword(0x14), kNumberAsText}},
        {"user letters unreadable, a letter typed",
         {kAbsent, kAbsent, kAbsent, kAbsent, Dword(0x14), kNumberAsText}, kTypeLetterX,
         {kAbsent, Dword(0x02), Dword(0x02), Dword(1), Dword(0x800014), Dword(0x800014)}},
        // Everything off means every switch value, the unreadable one too; the letters
        // stay as stored.
        {"disable everything, user types unreadable",
         {kAbsent, kAbsent, kNumberAsText, Dword(1), Dword(0x14), Dword(0x40)}, kDisableEverything,
         {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0x54), Dword(0x54)}},
        {"disable everything, mapping and user letters unreadable",
         {mappingExpandable, kAbsent, kAbsent, kAbsent, Dword(0x14), kNumberAsText}, kDisableEverything,
         {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0x14), kNumberAsText}},
        {"disable everything, all readable",
         {kAbsent, Dword(0x91), Dword(0x91), kAbsent, Dword(0x14), Dword(0x14)}, kDisableEverything,
         {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0x14), Dword(0x14)}},
        {"disable everything, nothing stored", {}, kDisableEverything,
         {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0), Dword(0)}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Clear();
        Put(c.before);
        if (c.action == kDisableEverything)
        {
            DisableEverythingAndSave();
        }
        else
        {
            AutoRunSettings settings;
            try
            {
                settings.Load();
            }
            catch (const std::exception&)
            {
            }
            if (c.action == kUntickAutorunInf)
                settings.runAutorunInf = false;
            if (c.action == kClearRemovable)
                settings.removableDrives = false;
            if (c.action == kTypeLetterX)
                settings.disabledLetters += L", x";
            if (c.action == kClearCdrom)
                settings.cdromDrives = false;
            if (c.action == kChooseCdromOn)
                settings.Choose(5, true);
            settings.Save();
        }
        ExpectRegistry(c.after);
    }
}

TEST_F(AutoRunSettingsTest, SaveWritesNothingWhenAnotherProgramChangedThePolicy)
{
    const Registry shown{kAbsent, Dword(0x91), kAbsent, Dword(1), Dword(0x14), kAbsent};
    const Registry changedMeanwhile{kAbsent, Dword(0x91), kAbsent, Dword(0), Dword(0x14), Dword(0x40)};
    Put(shown);
    AutoRunSettings settings;
    settings.Load();

    Put(changedMeanwhile);
    settings.removableDrives = false;
    try
    {
        settings.Save();
        ADD_FAILURE() << "no PolicyChangedError";
    }
    catch (const PolicyChangedError& error)
    {
        // The first changed value in the order of the writes is named.
        EXPECT_EQ(PolicyValue::CdromAutoRun, error.Changed());
        EXPECT_TRUE(error.Written().empty());
        EXPECT_EQ("Another program has changed the AutoRun policy since it was read (" + Named(PolicyValue::CdromAutoRun) +
                      "). Nothing was saved.",
                  std::string(error.what()));
    }
    ExpectRegistry(changedMeanwhile);

    // Read again, the same change is saved over the other program's state.
    settings.Load();
    settings.removableDrives = false;
    settings.Save();
    ExpectRegistry({kAbsent, Dword(0xB7), Dword(0xB7), Dword(0), Dword(0x54), Dword(0x54)});

    // A value that becomes unreadable meanwhile is a change too.
    settings.Load();
    Put({kAbsent, Dword(0xB7), kNumberAsText, Dword(0), Dword(0x54), Dword(0x54)});
    EXPECT_THROW(settings.Save(), PolicyChangedError);
}

// A second writer that writes one policy value the moment one of Save's writes lands. A thread
// woken by a change notification comes too late about one time in three (Save's six writes take
// a few milliseconds under Wine), so the test puts itself into its own import of
// RegSetValueExW instead: the real write is made, and right after the n-th one, the other
// writer's. The product's code is not touched.
using SetValueFn = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);

SetValueFn* ImportSlot(const char* module, const char* function)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
         ++entry)
    {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), module) != 0 || entry->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<SetValueFn*>(&slots->u1.Function);
        }
    }
    return nullptr;
}

class WriterBetweenWrites
{
public:
    WriterBetweenWrites(int afterWrite, PolicyValue target, DWORD number)
        : afterWrite(afterWrite), where(kWhere[static_cast<int>(target)]), number(number)
    {
        slot = ImportSlot("advapi32.dll", "RegSetValueExW");
        if (slot == nullptr)
            return;
        real = *slot;
        active = this;
        Replace(&WriteThenIntervene);
    }
    ~WriterBetweenWrites()
    {
        if (slot != nullptr)
            Replace(real);
        active = nullptr;
    }
    bool Installed() const { return slot != nullptr; }
    bool Wrote() const { return wrote; }

private:
    static LONG WINAPI WriteThenIntervene(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                          DWORD size)
    {
        WriterBetweenWrites* self = active;
        const LONG result = self->real(key, name, reserved, type, data, size);
        if (!self->wrote && ++self->writes == self->afterWrite)
        {
            self->wrote = true; // first, as the write below comes through here too
            testreg::WriteDword(self->where.root, self->where.key, self->where.name, self->number);
        }
        return result;
    }
    void Replace(SetValueFn function)
    {
        DWORD protection = 0;
        VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
        *slot = function;
        VirtualProtect(slot, sizeof(*slot), protection, &protection);
    }

    static WriterBetweenWrites* active;
    int afterWrite;
    Where where;
    DWORD number;
    SetValueFn* slot = nullptr;
    SetValueFn real = nullptr;
    int writes = 0;
    bool wrote = false;
};
WriterBetweenWrites* WriterBetweenWrites::active = nullptr;

// Save compares each value right before writing it and reads it back after: a change another
// program makes between two of Save's writes is never reverted; Save stops at it, and says what
// it had written.
TEST_F(AutoRunSettingsTest, SaveStopsAtAValueAnotherProgramWritesMeanwhile)
{
    using V = PolicyValue;
    struct Case
    {
        const char* name;
        int afterWrite; // Save's writes are the mapping, the user's and the machine's drive
                        // types, the service value, the machine's and the user's letters
        PolicyValue target;
        std::vector<PolicyValue> written;
        Registry after;
    };
    const Case cases[] = {
        {"the next value", 1, V::UserDriveTypes, {V::IniFileMapping},
         {kIgnoring, kAbsent, Dword(0x40), kAbsent, kAbsent, kAbsent}},
        {"the last value", 1, V::UserDriveLetters,
         {V::IniFileMapping, V::UserDriveTypes, V::MachineDriveTypes, V::CdromAutoRun, V::MachineDriveLetters},
         {kIgnoring, Dword(0x06), Dword(0x06), Dword(1), Dword(0), Dword(0x40)}},
        // Found by the read-back: the other program had the last word on it.
        {"the value just written", 2, V::UserDriveTypes, {V::IniFileMapping},
         {kIgnoring, kAbsent, Dword(0x40), kAbsent, kAbsent, kAbsent}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Clear();
        AutoRunSettings settings;
        settings.Load();
        settings.runAutorunInf = false; // the mapping is then written as text, the first RegSetValueExW
        settings.removableDrives = false;

        std::string expected = "Another program has changed the AutoRun policy since it was read (" + Named(c.target) +
                               "). Saving stopped there; already saved:";
        for (PolicyValue value : c.written)
            expected += "\r\n" + Named(value);
        WriterBetweenWrites otherProgram(c.afterWrite, c.target, 0x40);
        ASSERT_TRUE(otherProgram.Installed());
        try
        {
            settings.Save();
            ADD_FAILURE() << "no PolicyChangedError";
        }
        catch (const PolicyChangedError& error)
        {
            EXPECT_EQ(c.target, error.Changed());
            EXPECT_EQ(c.written, error.Written());
            EXPECT_EQ(expected, std::string(error.what()));
        }
        EXPECT_TRUE(otherProgram.Wrote());
        ExpectRegistry(c.after);
    }
}

TEST_F(AutoRunSettingsTest, DecidedOnlyWhereTheReadableValuesSettleTheSwitch)
{
    struct Case
    {
        const char* name;
        Registry before;
        std::array<bool, kSwitchCount> decided; // by switch index
    };
    const Case cases[] = {
        {"everything readable", {kAbsent, Dword(0x91), kAbsent, Dword(1), kAbsent, kAbsent}, {T, T, T, T, T, T, T}},
        {"mapping unreadable", {Text(L"x", REG_EXPAND_SZ), kAbsent, kAbsent, kAbsent, kAbsent, kAbsent}, {F, T, T, T, T, T, T}},
        // A bit set in the readable hive switches its drive type off whatever the other holds;
        // the service value 0 does the same for CD-ROM.
        {"machine types unreadable, user 0x84, service 0",
         {kAbsent, kEightBytesOfFF, Dword(0x84), Dword(0), kAbsent, kAbsent}, {T, T, T, F, F, T, F}},
        {"user types unreadable, nothing else", {kAbsent, kAbsent, kNumberAsText, kAbsent, kAbsent, kAbsent},
         {T, F, F, F, F, F, F}},
        {"service value unreadable", {kAbsent, Dword(0x04), kAbsent, kNumberAsText, kAbsent, kAbsent},
         {T, T, T, T, T, F, T}},
        {"service value unreadable, CD-ROM bit set", {kAbsent, Dword(0x20), kAbsent, kNumberAsText, kAbsent, kAbsent},
         {T, T, T, T, T, T, T}},
        {"letters unreadable", {kAbsent, kAbsent, kAbsent, kAbsent, kNumberAsText, kNumberAsText},
         {T, T, T, T, T, T, T}},
    };
    EXPECT_TRUE(AutoRunSettings().Decided(5)) << "before any Load";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Clear();
        Put(c.before);
        AutoRunSettings settings;
        try
        {
            settings.Load();
        }
        catch (const PolicyError&)
        {
        }
        for (int i = 0; i < kSwitchCount; ++i)
            EXPECT_EQ(c.decided[i], settings.Decided(i)) << "switch " << i;
        EXPECT_TRUE(settings.Decided(-1));
        EXPECT_TRUE(settings.Decided(kSwitchCount));
    }
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

    // The user's drive types fail first and do not stop the machine's; the user's letters,
    // written last, end Save, and the message names both values that were not stored.
    const std::string notStored = " : " + SystemText(ERROR_CHILD_MUST_BE_VOLATILE);
    EXPECT_EQ(testreg::Utf8(kExplorerKey) + " (HKEY_CURRENT_USER, NoDriveTypeAutoRun)" + notStored +
                  testreg::Utf8(kExplorerKey) + " (HKEY_CURRENT_USER, NoDriveAutoRun)" + notStored,
              FailureText([&] { settings.Save(); }));
    EXPECT_EQ(L"C, E", settings.disabledLetters);
    EXPECT_TRUE(testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L""));
    EXPECT_EQ(0x26u, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun"));
    EXPECT_EQ(0u, ReadDword(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"));
    EXPECT_EQ(0x14u, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun"));
    EXPECT_FALSE(testreg::KeyExists(HKEY_CURRENT_USER, kExplorerKey));
}

// The user's policy key denies writing, as policy keys do to a process without the rights.
// With the mapping unreadable and so left alone, the user's drive types are the first write.
// Save goes on to the machine's hive of the pair, as the window always has; SaveUnlessRefused,
// for a process that runs with whatever rights it was given, stops there with nothing written.
TEST_F(AutoRunSettingsTest, AccessDeniedAtTheFirstWrite)
{
    const auto denied = [](const char* value) {
        return testreg::Utf8(kExplorerKey) + " (HKEY_CURRENT_USER, " + value + ") : " + SystemText(ERROR_ACCESS_DENIED);
    };
    for (const bool unlessRefused : {false, true})
    {
        SCOPED_TRACE(unlessRefused ? "SaveUnlessRefused" : "Save");
        Apply(kNothing.MachineTypes(0x91).UserTypes(0x91));
        testreg::WriteDword(HKEY_LOCAL_MACHINE, kMappingKey, L"", 1);
        AutoRunSettings settings;
        EXPECT_THROW(settings.Load(), PolicyError);
        settings.Choose(2, false); // removable drives off: a new number for both hives

        std::string text;
        bool refused = false;
        {
            const testreg::ReadOnlyKey readOnly(HKEY_CURRENT_USER, kExplorerKey);
            try
            {
                unlessRefused ? settings.SaveUnlessRefused() : settings.Save();
                ADD_FAILURE() << "saved";
            }
            catch (const RightsRefusedError& error)
            {
                refused = true;
                text = error.what();
            }
            catch (const std::exception& error)
            {
                text = error.what();
            }
        }
        EXPECT_EQ(unlessRefused, refused);
        EXPECT_EQ(unlessRefused ? denied("NoDriveTypeAutoRun") : denied("NoDriveTypeAutoRun") + denied("NoDriveAutoRun"),
                  text);
        EXPECT_EQ(0x91u, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun"));
        const std::optional<DWORD> machine = ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun");
        if (unlessRefused)
        {
            EXPECT_EQ(0x91u, machine);
            EXPECT_FALSE(ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun")) << "written after the refusal";
        }
        else
        {
            EXPECT_NE(0x91u, machine) << "the machine's hive of the pair is written";
        }
    }
}

TEST_F(AutoRunSettingsTest, MachinePolicyKeyNotWritable)
{
    Apply(kNothing.Cdrom(0x55u));
    MakePoliciesVolatile(HKEY_LOCAL_MACHINE);
    AutoRunSettings settings;
    Fields{F, T, T, T, T, T, F, L"c, e"}.To(settings);

    // The machine's drive types are the second write of their pair: Save ends there, and
    // what was written before stays.
    EXPECT_EQ(testreg::Utf8(kExplorerKey) + " (HKEY_LOCAL_MACHINE, NoDriveTypeAutoRun) : " +
                  SystemText(ERROR_CHILD_MUST_BE_VOLATILE),
              FailureText([&] { settings.Save(); }));
    EXPECT_TRUE(testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L""));
    EXPECT_EQ(0x42u, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveTypeAutoRun"));
    EXPECT_EQ(0x55u, ReadDword(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"));
    EXPECT_FALSE(ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun"));
    EXPECT_EQ(L"c, e", settings.disabledLetters);
}

} // namespace
