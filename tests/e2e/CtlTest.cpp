// MorvexCtl.exe as a process, the way scripts and monitoring agents run it: command line and
// start state in the registry, then its standard output, standard error, exit code and the
// registry's 64-bit view afterwards. And "Disable Everything and Save" of the window against
// disable-all of the command line, from the same start states.
#include "MorvexFixture.h"

#include "Accessibility.h"
#include "MorvexVersion.h"
#include "PlantedSources.h"
#include "RegistryTestSupport.h"
#include "resource.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace e2e {
namespace {

constexpr bool T = true;
constexpr bool F = false;
constexpr DWORD kUsage = 64;

std::wstring CtlExe()
{
    return ToWindowsPath(MORVEX_CTL_EXE);
}

std::wstring ExportFile()
{
    return TestOutputFolder() + L"\\morvex-ctl-export.reg";
}

const wchar_t kAutoplayPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer";

// The two values that MorvexCtl only reads, beside the policy.
std::vector<ValueName> BaselineValues()
{
    return {{HKEY_LOCAL_MACHINE, kAutoplayPolicyKey, L"NoAutoplayfornonVolume"},
            {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoAutorun"}};
}

std::vector<ValueName> AllValues()
{
    std::vector<ValueName> names = PolicyValues();
    for (const ValueName& name : BaselineValues())
        names.push_back(name);
    return names;
}

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WithoutCr(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c != '\r')
            out += c;
    }
    return out;
}

// A registry file's text (UTF-8), or a note of what is wrong with its encoding.
std::string RegistryFileText(const std::string& bytes)
{
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE' || bytes.size() % 2 != 0)
        return "(not UTF-16LE with a byte-order mark: " + std::to_string(bytes.size()) + " bytes)";
    std::wstring wide;
    for (size_t i = 2; i < bytes.size(); i += 2)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return Utf8(wide);
}

struct CtlRun
{
    DWORD exitCode = STILL_ACTIVE;
    std::string out; // raw bytes
    std::string err; // raw bytes
};

CtlRun RunCtl(const std::wstring& arguments)
{
    const std::wstring outFile = TestOutputFolder() + L"\\morvex-ctl-stdout.txt";
    const std::wstring errFile = TestOutputFolder() + L"\\morvex-ctl-stderr.txt";
    CtlRun run;
    Process process;
    if (!process.Start(CtlExe(), outFile, arguments, errFile)) {
        ADD_FAILURE() << "cannot start " << Utf8(CtlExe()) << ": error " << GetLastError();
        return run;
    }
    run.exitCode = process.WaitForExit(milliseconds(30000 * kTimeScale));
    process.Kill();
    run.out = ReadBytes(outFile);
    run.err = ReadBytes(errFile);
    return run;
}

// The status lines for a policy, in a language as the shipped files give it.
std::string StatusLines(const std::array<bool, 7>& fields, const std::string& letters, const std::string& status,
                        const char* language = "en")
{
    const auto strings = LanguageFile(language);
    const char* const labels[7] = {
        "Automatically run autorun.inf files", "Enabled for unknown drives", "Enabled for removable drives",
        "Enabled for fixed drives",            "Enabled for network drives", "Enabled for CD/DVD-ROM/Blu-ray drives",
        "Enabled for RAM disks"};
    // The page's labels without their access-key marks.
    const auto label = [&](const char* key) {
        std::string text = Translated(strings, key);
        text.erase(text.find('&'), 1);
        return text;
    };
    std::string text = Translated(strings, status) + "\n";
    for (size_t i = 0; i < 7; ++i)
        text += label(labels[i]) + ": " + Translated(strings, fields[i] ? "yes" : "no") + "\n";
    text += label("Additionally auto-run is disabled on the following drive letters:") + " " +
            (letters.empty() ? Translated(strings, "none") : letters) + "\n";
    return text;
}

const char kUnsafe[] = "Your PC is currently not safe. AutoRun is not controlled.";
const char kPartial[] = "Your PC is not completely safe. AutoRun is not completely disabled.";
const char kSafe[] = "Your PC is safe. AutoRun is disabled.";

std::string UsageText(const std::string& problem)
{
    return "MorvexCtl: " + problem + "\nRun \"MorvexCtl --help\" for the commands and flags.\n";
}

// A value read with the wrong type: the policy cannot use it.
const RegSetting kUnreadableUserLetters{HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveAutoRun", String(L"4")};
const RegSetting kUnreadableUserTypes{HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveTypeAutoRun", String(L"9")};

// One line of an error text as standard error shows it.
std::string Line(const std::string& text)
{
    const std::string line = WithoutCr(text);
    return !line.empty() && line.back() == '\n' ? line : line + "\n";
}

// The text of the error box for a value of the wrong type or size, and the line standard error
// shows. The unreadable values above are texts of one character.
const char kTextNotNumber[] = "has type REG_SZ (4 bytes); a REG_DWORD is expected";
std::string QueryFailedBox(const char* hive, const char* key, const char* value, const char* found = kTextNotNumber)
{
    return "Failed to query value. (" + std::string(hive) + "\\" + key + ", " + value + ") : " + found;
}
std::string QueryFailed(const char* hive, const char* key, const char* value, const char* found = kTextNotNumber)
{
    return Line(QueryFailedBox(hive, key, value, found));
}
const char kExplorerKeyUtf8[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";

// Values in both hives: the mapping in another letter case, one drive type per hive, one
// letter per hive; and the baseline values set.
std::vector<RegSetting> BothHives()
{
    return {{HKEY_LOCAL_MACHINE, kIniMappingKey, L"", String(L"@sys:DoesNotExist")},
            {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x04)},
            {HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x08)},
            {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", Dword(1)},
            {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveAutoRun", Dword(0x1)},
            {HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveAutoRun", Dword(0x2000000)},
            {HKEY_LOCAL_MACHINE, kAutoplayPolicyKey, L"NoAutoplayfornonVolume", Dword(1)},
            {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoAutorun", Dword(1)}};
}

std::vector<RegSetting> Plus(std::vector<RegSetting> settings, const RegSetting& more)
{
    settings.push_back(more);
    return settings;
}

std::vector<std::optional<RegValue>> WithoutUserValues(std::vector<std::optional<RegValue>> values)
{
    values[2].reset();
    values[5].reset();
    return values;
}

std::string RegFile(const std::string& mapping, DWORD types, DWORD cdrom, DWORD letters, bool userLetters = true)
{
    char hex[3][16];
    snprintf(hex[0], sizeof hex[0], "%08lx", static_cast<unsigned long>(types));
    snprintf(hex[1], sizeof hex[1], "%08lx", static_cast<unsigned long>(cdrom));
    snprintf(hex[2], sizeof hex[2], "%08lx", static_cast<unsigned long>(letters));
    const std::string explorer = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer]\r\n");
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf]\r\n"
           "@=" + mapping + "\r\n\r\n"
           "[HKEY_CURRENT_USER\\" + explorer +
           "\"NoDriveTypeAutoRun\"=dword:" + hex[0] + "\r\n" +
           (userLetters ? "\"NoDriveAutoRun\"=dword:" + std::string(hex[2]) + "\r\n" : std::string()) +
           "\r\n[HKEY_LOCAL_MACHINE\\" + explorer +
           "\"NoDriveTypeAutoRun\"=dword:" + hex[0] + "\r\n"
           "\"NoDriveAutoRun\"=dword:" + hex[2] + "\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\cdrom]\r\n"
           "\"AutoRun\"=dword:" + hex[1] + "\r\n\r\n";
}

enum class Output { Text, RegistryFile };

struct CtlCase
{
    const char* name;
    std::vector<RegSetting> start;
    std::wstring arguments; // {out} stands for the export file
    DWORD exitCode;
    std::string out; // standard output without CR, or the registry file's text
    std::string err; // standard error without CR
    // The six policy values afterwards; empty: all eight values (with the baseline) as they were.
    std::vector<std::optional<RegValue>> after{};
    Output output = Output::Text;
    std::string file{};                // the export file's text, when one is written
    bool volatileUserPolicies = false; // the user's policy key cannot be created: writes there fail
};

std::ostream& operator<<(std::ostream& out, const CtlCase& c)
{
    return out << c.name;
}

std::vector<CtlCase> CtlCases()
{
    const std::string typicalJson =
        "{\"runAutorunInf\":true,\"unknownDrives\":false,\"removableDrives\":true,\"fixedDrives\":true,"
        "\"networkDrives\":false,\"cdromDrives\":true,\"ramDisks\":true,\"disabledLetters\":\"C,E\","
        "\"status\":\"unsafe\",\"statusText\":\"Your PC is currently not safe. AutoRun is not controlled.\","
        "\"registry\":{\"HKLM\":{\"IniFileMapping\":null,\"NoDriveTypeAutoRun\":145,\"CdromAutoRun\":null,"
        "\"NoDriveAutoRun\":20},\"HKCU\":{\"NoDriveTypeAutoRun\":null,\"NoDriveAutoRun\":null}},\"unreadable\":[],"
        "\"baseline\":{\"NoAutoplayfornonVolume\":null,\"NoAutorun\":null,\"CC-000180\":\"fail\","
        "\"CC-000185\":\"fail\",\"CC-000190\":\"fail\"},\"managedBy\":[],\"managedUnknown\":[]}\n";
    const std::string bothHivesJson =
        "{\"runAutorunInf\":false,\"unknownDrives\":true,\"removableDrives\":false,\"fixedDrives\":false,"
        "\"networkDrives\":true,\"cdromDrives\":true,\"ramDisks\":true,\"disabledLetters\":\"A,Z\","
        "\"status\":\"partial\",\"statusText\":\"Your PC is not completely safe. AutoRun is not completely "
        "disabled.\",\"registry\":{\"HKLM\":{\"IniFileMapping\":\"@sys:DoesNotExist\",\"NoDriveTypeAutoRun\":4,"
        "\"CdromAutoRun\":1,\"NoDriveAutoRun\":1},\"HKCU\":{\"NoDriveTypeAutoRun\":8,\"NoDriveAutoRun\":33554432}},"
        "\"unreadable\":[],\"baseline\":{\"NoAutoplayfornonVolume\":1,\"NoAutorun\":1,\"CC-000180\":\"pass\","
        "\"CC-000185\":\"pass\",\"CC-000190\":\"fail\"},\"managedBy\":[],\"managedUnknown\":[]}\n";
    // Everything off, one baseline value of the wrong type: listed, failed, but no reason
    // for any other exit code than the policy's own.
    const std::string allOffJson =
        "{\"runAutorunInf\":false,\"unknownDrives\":false,\"removableDrives\":false,\"fixedDrives\":false,"
        "\"networkDrives\":false,\"cdromDrives\":false,\"ramDisks\":false,\"disabledLetters\":\"\","
        "\"status\":\"safe\",\"statusText\":\"Your PC is safe. AutoRun is disabled.\","
        "\"registry\":{\"HKLM\":{\"IniFileMapping\":\"@SYS:DoesNotExist\",\"NoDriveTypeAutoRun\":255,"
        "\"CdromAutoRun\":0,\"NoDriveAutoRun\":null},\"HKCU\":{\"NoDriveTypeAutoRun\":null,\"NoDriveAutoRun\":null}},"
        "\"unreadable\":[\"HKLM\\\\NoAutoplayfornonVolume\"],\"baseline\":{\"NoAutoplayfornonVolume\":null,"
        "\"NoAutorun\":null,\"CC-000180\":\"fail\",\"CC-000185\":\"fail\",\"CC-000190\":\"pass\"},\"managedBy\":[],\"managedUnknown\":[]}\n";
    // A mapping that needs escaping in JSON, and an unreadable value.
    const std::string unreadableJson =
        "{\"runAutorunInf\":true,\"unknownDrives\":false,\"removableDrives\":true,\"fixedDrives\":true,"
        "\"networkDrives\":false,\"cdromDrives\":true,\"ramDisks\":true,\"disabledLetters\":\"C,E\","
        "\"status\":\"unreadable\",\"statusText\":\"The AutoRun state could not be read completely.\","
        "\"registry\":{\"HKLM\":{\"IniFileMapping\":\"say \\\"hi\\\"\\\\\\t\xC3\xA9\",\"NoDriveTypeAutoRun\":145,"
        "\"CdromAutoRun\":null,\"NoDriveAutoRun\":20},\"HKCU\":{\"NoDriveTypeAutoRun\":null,\"NoDriveAutoRun\":null}},"
        "\"unreadable\":[\"HKCU\\\\NoDriveAutoRun\"],\"baseline\":{\"NoAutoplayfornonVolume\":null,"
        "\"NoAutorun\":null,\"CC-000180\":\"fail\",\"CC-000185\":\"fail\",\"CC-000190\":\"fail\"},\"managedBy\":[],\"managedUnknown\":[]}\n";

    const std::string lettersError = QueryFailed("HKEY_CURRENT_USER", kExplorerKeyUtf8, "NoDriveAutoRun");
    const std::string cannotCreate =
        Line(ErrorText((std::string(kExplorerKeyUtf8) + " (HKEY_CURRENT_USER, NoDriveTypeAutoRun)").c_str(),
                       ERROR_CHILD_MUST_BE_VOLATILE)) +
        Line(ErrorText((std::string(kExplorerKeyUtf8) + " (HKEY_CURRENT_USER, NoDriveAutoRun)").c_str(),
                       ERROR_CHILD_MUST_BE_VOLATILE));
    const std::vector<RegSetting> unreadable = Plus(kTypical, kUnreadableUserLetters);

    return {
        // status: every start state, as lines and as JSON.
        {"StatusNothingStored", {}, L"status", 2, StatusLines({T, T, T, T, T, T, T}, "", kUnsafe), "", {}},
        {"StatusJsonTypical", kTypical, L"status --json", 2, typicalJson, "", {}},
        {"StatusJsonBothHives", BothHives(), L"status --json", 1, bothHivesJson, "", {}},
        {"StatusJsonAllOff",
         Plus(kAllOff, {HKEY_LOCAL_MACHINE, kAutoplayPolicyKey, L"NoAutoplayfornonVolume", String(L"1")}),
         L"status --json", 0, allOffJson, "", {}},
        {"StatusJsonUnreadable",
         Plus(unreadable, {HKEY_LOCAL_MACHINE, kIniMappingKey, L"", String(L"say \"hi\"\\\t\u00e9")}),
         L"--json status", 3, unreadableJson, lettersError, {}},
        // A service value of no bytes keeps CD-ROM AutoRun on, as a missing one does.
        {"StatusEmptyCdromService",
         {{HKEY_LOCAL_MACHINE, kIniMappingKey, L"", String(kDoesNotExist)},
          {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0xDF)},
          {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", RegValue{REG_DWORD, {}}}},
         L"status", 1, StatusLines({F, F, F, F, F, T, F}, "", kPartial), "", {}},
        {"StatusGerman", kTypical, L"status --lang de", 2, StatusLines({T, F, T, T, F, T, T}, "C,E", kUnsafe, "de"),
         "", {}},

        // disable-all: everything off, the stored letters kept.
        {"DisableAllTypical", kTypical, L"disable-all", 0, StatusLines({F, F, F, F, F, F, F}, "C,E", kSafe), "",
         SavedValues({F, F, F, F, F, F, F}, 0x14)},

        // set: only the named switches change; the whole policy is saved.
        {"SetTwoFlags", {}, L"set --removable off --letters \"d e, a\"", 2,
         StatusLines({T, T, F, T, T, T, T}, "A,D,E", kUnsafe), "", SavedValues({T, T, F, T, T, T, T}, 0x19)},
        {"SetAutorunInfOff", kTypical, L"set --autorun-inf off", 1, StatusLines({F, F, T, T, F, T, T}, "C,E", kPartial),
         "", SavedValues({F, F, T, T, F, T, T}, 0x14)},
        // The unreadable letters are reported, then replaced because --letters names new ones.
        {"SetRepairsUnreadableLetters", unreadable, L"set --letters C", 2,
         StatusLines({T, F, T, T, F, T, T}, "C", kUnsafe), lettersError, SavedValues({T, F, T, T, F, T, T}, 0x4)},
        // Over drive types that could not be read, only what the flag names is written new;
        // every other drive type stays off, as the unreadable value may have had it.
        {"SetCdromOffOverUnreadableTypes",
         {{HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun",
           RegValue{REG_DWORD, std::vector<BYTE>(8, 0xFF)}}},
         L"set --cdrom off", 2, StatusLines({T, F, F, F, F, F, F}, "", kUnsafe),
         QueryFailed("HKEY_LOCAL_MACHINE", kExplorerKeyUtf8, "NoDriveTypeAutoRun",
                     "has type REG_DWORD (8 bytes); a REG_DWORD of 4 bytes is expected"),
         SavedValues({T, F, F, F, F, F, F}, 0)},
        // The user's hive cannot be written: the error as the window shows it, exit 3, and
        // what was read back.
        {"SetWriteFails", {}, L"set --removable off", 3, StatusLines({T, T, F, T, T, T, T}, "", kUnsafe),
         cannotCreate, WithoutUserValues(SavedValues({T, T, F, T, T, T, T}, 0)), Output::Text, "", true},

        // export: what Save would write, the registry untouched.
        {"ExportToStandardOutput", kTypical, L"export", 0, RegFile("-", 0x93, 1, 0x14), "", {},
         Output::RegistryFile},
        {"ExportFileWithFlags", BothHives(), L"export --out \"{out}\" --autorun-inf on --letters \"\"", 0, "", "", {},
         Output::Text, RegFile("-", 0x0E, 1, 0)},
        // The value that could not be read is left out, as Save would leave it.
        {"ExportUnreadable", unreadable, L"export --out \"{out}\" --autorun-inf off", 3, "", lettersError, {},
         Output::Text, RegFile("\"@SYS:DoesNotExist\"", 0x93, 1, 0x14, false)},

        // Usage errors: said on standard error, nothing written.
        {"UsageNoCommand", BothHives(), L"", kUsage, "", UsageText("no command given"), {}},
        {"UsageUnknownCommand", BothHives(), L"enable-all", kUsage, "", UsageText("unknown command \"enable-all\""),
         {}},
        {"UsageUnknownFlag", BothHives(), L"status --verbose", kUsage, "", UsageText("unknown flag --verbose"), {}},
        {"UsageNotOnOrOff", BothHives(), L"set --removable yes", kUsage, "",
         UsageText("--removable takes on or off, not \"yes\""), {}},
        {"UsageMissingValue", BothHives(), L"set --fixed off --cdrom", kUsage, "", UsageText("--cdrom needs a value"),
         {}},
        {"UsageSetWithoutFlags", BothHives(), L"set --json", kUsage, "",
         UsageText("set needs at least one switch or --letters flag"), {}},
        {"UsageFlagOfAnotherVerb", BothHives(), L"disable-all --network on", kUsage, "",
         UsageText("disable-all takes no switch or --letters flags"), {}},
        {"UsageOutIntoMissingFolder", BothHives(), L"export --out C:\\no\\such\\folder\\policy.reg", kUsage, "",
         UsageText("--out C:\\no\\such\\folder\\policy.reg: the folder C:\\no\\such\\folder does not exist"), {}},
        {"UsageUnknownLanguage", BothHives(), L"status --lang nl", kUsage, "",
         UsageText("--lang takes en, de or fr, not \"nl\""), {}},

        {"Version", BothHives(), L"--version", 0, "MorvexCtl " MORVEX_VERSION_TEXT "\n", "", {}},
    };
}

// Also puts back the two baseline values and the user's policy key, which some cases replace
// by a volatile one.
class CtlFixture : public MorvexTest
{
protected:
    void SetUp() override
    {
        MorvexTest::SetUp();
        baseline = std::make_unique<RegistrySnapshot>(BaselineValues());
        for (const ValueName& name : BaselineValues())
            DeleteValue(name.root, name.key, name.name);
        userPolicies = testreg::Capture(HKEY_CURRENT_USER, kPoliciesKey);
        DeleteFileW(ExportFile().c_str());
    }
    void TearDown() override
    {
        testreg::Restore(HKEY_CURRENT_USER, kPoliciesKey, userPolicies);
        baseline->Restore();
        MorvexTest::TearDown();
    }

    static constexpr const wchar_t* kPoliciesKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies";
    std::unique_ptr<RegistrySnapshot> baseline;
    testreg::Tree userPolicies;
};

class CtlTest : public CtlFixture, public ::testing::WithParamInterface<CtlCase>
{
};

TEST_P(CtlTest, OutputExitCodeAndRegistry)
{
    const CtlCase& c = GetParam();
    if (c.volatileUserPolicies) {
        testreg::DeleteTree(HKEY_CURRENT_USER, kPoliciesKey);
        testreg::CreateKey(HKEY_CURRENT_USER, kPoliciesKey, REG_OPTION_VOLATILE);
    }
    Apply(c.start);
    const RegistrySnapshot before(AllValues());

    std::wstring arguments = c.arguments;
    const size_t placeholder = arguments.find(L"{out}");
    if (placeholder != std::wstring::npos)
        arguments.replace(placeholder, 5, ExportFile());
    const CtlRun run = RunCtl(arguments);

    EXPECT_EQ(c.exitCode, run.exitCode);
    if (c.output == Output::RegistryFile)
        EXPECT_EQ(c.out, RegistryFileText(run.out));
    else
        EXPECT_EQ(c.out, WithoutCr(run.out));
    EXPECT_EQ(c.err, WithoutCr(run.err));

    const std::string file = ReadBytes(ExportFile());
    if (c.file.empty())
        EXPECT_TRUE(file.empty()) << "an export file was written";
    else
        EXPECT_EQ(c.file, RegistryFileText(file));

    if (c.after.empty()) {
        const RegistrySnapshot after(AllValues());
        EXPECT_TRUE(before == after) << before.Differences(after);
    } else {
        for (size_t i = 0; i < c.after.size(); ++i) {
            const ValueName& name = PolicyValues()[i];
            EXPECT_EQ(Describe(c.after[i]), Describe(ReadValue(name.root, name.key, name.name)))
                << "value " << i << " " << Utf8(name.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlTest, ::testing::ValuesIn(CtlCases()),
                         [](const ::testing::TestParamInfo<CtlCase>& info) { return std::string(info.param.name); });

// --help names every command and flag, and goes to standard output.
TEST_F(CtlFixture, HelpListsEveryCommandAndFlag)
{
    const CtlRun run = RunCtl(L"--help");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("", run.err);
    for (const char* word : {"status", "disable-all", "set", "export", "--json", "--out", "--autorun-inf", "--unknown",
                             "--removable", "--fixed", "--network", "--cdrom", "--ramdisk", "--letters", "--lang",
                             "--version"})
        EXPECT_NE(std::string::npos, run.out.find(word)) << word;
}

struct DisableCase
{
    const char* name;
    std::vector<RegSetting> start;
    const char* unreadable; // the user's value that cannot be read (the window opens with an error box)
    bool reloadFails; // the value that cannot be read carries no switch, so it is still there
    const char* letters;
};

std::ostream& operator<<(std::ostream& out, const DisableCase& c)
{
    return out << c.name;
}

class DisableAllMatchesWindow : public CtlFixture, public ::testing::WithParamInterface<DisableCase>
{
};

// The window's button and the command line leave the same registry behind.
TEST_P(DisableAllMatchesWindow, SameRegistryAfterwards)
{
    const DisableCase& c = GetParam();
    Apply(c.start);
    if (c.unreadable != nullptr) {
        const std::string box = QueryFailedBox("HKEY_CURRENT_USER", kExplorerKeyUtf8, c.unreadable);
        ASSERT_TRUE(LaunchThroughError(L"Error", Wide(box)));
    } else {
        ASSERT_TRUE(Launch());
    }
    Click(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING));
    if (c.reloadFails) {
        const MessageBoxInfo box = WaitForMessageBox();
        if (box.window)
            AnswerMessageBox(box.window);
    } else {
        ExpectScreen(ExpectedScreen({F, F, F, F, F, F, F}, c.letters));
    }
    CancelAndExpectExit();
    const RegistrySnapshot window;

    ClearPolicy();
    Apply(c.start);
    const CtlRun run = RunCtl(L"disable-all");
    EXPECT_EQ(c.reloadFails ? 3u : 0u, run.exitCode) << run.err;
    const RegistrySnapshot ctl;
    EXPECT_TRUE(window == ctl) << window.Differences(ctl);
}

INSTANTIATE_TEST_SUITE_P(
    Ctl, DisableAllMatchesWindow,
    ::testing::Values(
        DisableCase{"Typical", kTypical, nullptr, false, "C,E"},
        DisableCase{"BothHives", BothHives(), nullptr, false, "A,Z"},
        DisableCase{"UnreadableDriveTypes", Plus(kTypical, kUnreadableUserTypes), "NoDriveTypeAutoRun", false, "C,E"},
        DisableCase{"UnreadableLetters", Plus(kTypical, kUnreadableUserLetters), "NoDriveAutoRun", true, "C,E"}),
    [](const ::testing::TestParamInfo<DisableCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e

// ---------------------------------------------------------------- who else sets the policy
// Sources planted where Windows records them; each row checks the overview's line and its
// details, the message after "Disable Everything and Save", and MorvexCtl's lines, JSON and
// warnings, from the same start state.
namespace e2e {
namespace {

using testreg::PlantedSources;

// A Registry.pol built byte by byte, apart from the program's own writer.
std::vector<BYTE> PolFile(const std::vector<std::vector<BYTE>>& records)
{
    std::vector<BYTE> bytes = {'P', 'R', 'e', 'g', 1, 0, 0, 0};
    for (const auto& record : records)
        bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

void PutUnit(std::vector<BYTE>& bytes, wchar_t unit)
{
    bytes.push_back(static_cast<BYTE>(unit & 0xFF));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
}

void PutNumber(std::vector<BYTE>& bytes, DWORD number)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<BYTE>(number >> (8 * i)));
}

std::vector<BYTE> PolRecord(const std::wstring& key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data)
{
    std::vector<BYTE> bytes;
    PutUnit(bytes, L'[');
    for (wchar_t c : key + L'\0' + L';' + name + L'\0' + L';')
        PutUnit(bytes, c);
    PutNumber(bytes, type);
    PutUnit(bytes, L';');
    PutNumber(bytes, static_cast<DWORD>(data.size()));
    PutUnit(bytes, L';');
    bytes.insert(bytes.end(), data.begin(), data.end());
    PutUnit(bytes, L']');
    return bytes;
}

std::vector<BYTE> PolDword(const std::wstring& key, const std::wstring& name, DWORD number)
{
    std::vector<BYTE> data;
    PutNumber(data, number);
    return PolRecord(key, name, REG_DWORD, data);
}

std::vector<BYTE> PolDelete(const std::wstring& key, const std::wstring& name)
{
    return PolRecord(key, L"**del." + name, REG_SZ, {' ', 0, 0, 0});
}

const wchar_t kGpoId[] = L"{31B2F340-016D-11D2-945F-00C04FB984F9}";

std::wstring LocalMachinePol()
{
    return PlantedSources::SystemFolder() + L"\\GroupPolicy\\Machine\\Registry.pol";
}

std::string JsonPath(const std::wstring& path)
{
    std::string json;
    for (char c : Utf8(path))
        json += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return json;
}

struct ManagedCase
{
    const char* name;
    std::function<void(PlantedSources&)> plant;
    std::string line;     // the overview's line; empty: none shown
    std::string details;  // the details box's text
    std::string overridden; // the lines of the message after Disable Everything and Save
    std::string managedBy;  // the JSON arrays' contents
    std::string managedUnknown;
    std::string markedBy = "";       // the name of the marks on the lines a source sets
    std::vector<int> markedLines = {}; // drive-type page lines by switch index; 7: the letters
};

std::ostream& operator<<(std::ostream& out, const ManagedCase& c)
{
    return out << c.name;
}

const char kManages[] =
    "Group Policy manages some of these settings; changes made here are undone at the next policy refresh.";
const char kCannotTell[] = "Morvex could not tell whether Group Policy manages these settings.";

std::vector<ManagedCase> ManagedCases()
{
    const std::wstring share = PlantedSources::ProgramData() + L"\\morvex-test-share\\Policies\\" + kGpoId;
    const std::string truncated = "Local Group Policy: could not be read (" + Utf8(LocalMachinePol()) + ")";
    return {
        {"LocalMachinePolicy",
         [](PlantedSources& p) { p.File(LocalMachinePol(), PolFile({PolDword(kExplorerPolicyKey, L"NoDriveTypeAutoRun", 0x91)})); },
         kManages, "HKLM\\NoDriveTypeAutoRun: 145 (0x91), set by local Group Policy",
         "HKLM\\NoDriveTypeAutoRun was saved as 255 (0xFF); local Group Policy sets 145 (0x91).",
         "{\"value\":\"HKLM\\\\NoDriveTypeAutoRun\",\"source\":\"localGroupPolicy\",\"name\":null,\"data\":145}", "",
         "Managed by local Group Policy", {1, 2, 3, 4, 5, 6}},
        {"DomainObjectDeletes",
         [share](PlantedSources& p) {
             p.File(share + L"\\Machine\\Registry.pol", PolFile({PolDelete(kExplorerPolicyKey, L"NoDriveAutoRun")}));
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kTemplatesHistory, L"0", L"Workstations", kGpoId,
                            share + L"\\Machine");
         },
         kManages, "HKLM\\NoDriveAutoRun: deleted by Group Policy object \"Workstations\"",
         "HKLM\\NoDriveAutoRun was saved as 20 (0x14); Group Policy object \"Workstations\" deletes it.",
         "{\"value\":\"HKLM\\\\NoDriveAutoRun\",\"source\":\"groupPolicy\",\"name\":\"Workstations\",\"data\":\"delete\"}",
         "", "Managed by Group Policy object \"Workstations\"", {7}},
        // Sets what Disable Everything and Save writes too: nothing to undo.
        {"PreferenceReplacesTheMapping",
         [](PlantedSources& p) {
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kPreferencesHistory, L"0", L"Kiosk", kGpoId, L"");
             p.File(PlantedSources::ProgramData() + L"\\Microsoft\\Group Policy\\History\\" + kGpoId +
                        L"\\Machine\\Preferences\\Registry\\Registry.xml",
                    std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><RegistrySettings clsid=\"{A3CCFC41-DFDB-"
                                "43a5-8D26-0FE8B954DA51}\"><Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" "
                                "name=\"(Default)\"><Properties action=\"R\" hive=\"HKEY_LOCAL_MACHINE\" key=\"SOFTWARE\\"
                                "Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf\" name=\"\" "
                                "default=\"1\" type=\"REG_SZ\" value=\"@SYS:DoesNotExist\"/></Registry>"
                                "</RegistrySettings>"));
         },
         kManages, "HKLM\\IniFileMapping: \"@SYS:DoesNotExist\", set by a Group Policy preference of \"Kiosk\"", "",
         "{\"value\":\"HKLM\\\\IniFileMapping\",\"source\":\"preference\",\"name\":\"Kiosk\",\"data\":"
         "\"@SYS:DoesNotExist\"}",
         "", "Managed by a Group Policy preference of \"Kiosk\"", {0}},
        {"MdmAutoplay",
         [](PlantedSources& p) {
             p.Mdm(L"TurnOffAutoPlay", L"<enabled/><data id=\"Autorun_Box\" value=\"181\"/>");
             p.Mdm(L"SetDefaultAutoRunBehavior", L"<enabled/><data id=\"NoAutorun_Dropdown\" value=\"1\"/>");
         },
         kManages, "HKLM\\NoDriveTypeAutoRun: 181 (0xB5), set by MDM (Intune)\nHKLM\\NoAutorun: 1 (0x1), set by MDM (Intune)",
         "HKLM\\NoDriveTypeAutoRun was saved as 255 (0xFF); MDM (Intune) sets 181 (0xB5).",
         "{\"value\":\"HKLM\\\\NoDriveTypeAutoRun\",\"source\":\"mdm\",\"name\":null,\"data\":181},"
         "{\"value\":\"HKLM\\\\NoAutorun\",\"source\":\"mdm\",\"name\":null,\"data\":1}",
         "", "Managed by MDM (Intune)", {1, 2, 3, 4, 5, 6}},
        {"TruncatedPolicyFile",
         [](PlantedSources& p) {
             std::vector<BYTE> bytes = PolFile({PolDword(kExplorerPolicyKey, L"NoDriveTypeAutoRun", 0xFF)});
             bytes.resize(bytes.size() - 5);
             p.File(LocalMachinePol(), bytes);
         },
         kCannotTell, truncated, "", "",
         "{\"source\":\"localGroupPolicy\",\"name\":null,\"path\":\"" + JsonPath(LocalMachinePol()) + "\"}"},
        {"Nothing", [](PlantedSources&) {}, "", "", "", "", ""},
    };
}

class ManagedTest : public CtlFixture, public ::testing::WithParamInterface<ManagedCase>
{
};

TEST_P(ManagedTest, WindowAndMorvexCtlSayWhoSetsThePolicy)
{
    const ManagedCase& c = GetParam();
    PlantedSources planted;
    c.plant(planted);
    Apply(kTypical);

    // The overview's line, and its details by the button.
    ASSERT_TRUE(Launch());
    const HWND line = PageItem(kOverviewPage, IDC_MANAGED_TEXT);
    const HWND details = PageItem(kOverviewPage, IDC_MANAGED_DETAILS);
    EXPECT_EQ(!c.line.empty(), IsWindowVisible(line) != FALSE);
    EXPECT_EQ(!c.line.empty(), IsWindowVisible(details) != FALSE);
    EXPECT_EQ(!c.line.empty(), IsWindowVisible(PageItem(kOverviewPage, IDC_MANAGED_PICTURE)) != FALSE);
    if (!c.line.empty()) {
        EXPECT_EQ(c.line, Utf8(TextOf(line)));
        Click(details);
        const MessageBoxInfo box = WaitForMessageBox();
        EXPECT_EQ("Managed settings", Utf8(box.caption));
        EXPECT_EQ(c.details, Utf8(box.text));
        if (box.window)
            AnswerMessageBox(box.window);
    }

    // The marks beside the lines a source sets, named by whom, and the lines' own names.
    const char* const labels[7] = {"Automatically run autorun.inf files", "Enabled for unknown drives",
                                   "Enabled for removable drives", "Enabled for fixed drives",
                                   "Enabled for network drives", "Enabled for CD/DVD-ROM/Blu-ray drives",
                                   "Enabled for RAM disks"};
    for (int i = 0; i <= 7; ++i) {
        const bool marked = std::find(c.markedLines.begin(), c.markedLines.end(), i) != c.markedLines.end();
        const HWND mark = i < 7 ? PageItem(kDriveTypePage, IDC_MARK_RUN_AUTORUN_INF + i)
                                : PageItem(kDriveLetterPage, IDC_MARK_DRIVE_LETTERS);
        EXPECT_EQ(marked, (GetWindowLongW(mark, GWL_STYLE) & WS_VISIBLE) != 0) << "line " << i;
        if (!marked)
            continue;
        EXPECT_EQ(c.markedBy, Utf8(AccessibleOf(mark).name)) << "line " << i;
        const std::string name = i < 7 ? Utf8(AccessibleOf(PageItem(kDriveTypePage, IDC_RUN_AUTORUN_INF + i)).name)
                                       : Utf8(AccessibleOf(PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS)).name);
        const std::string label = i < 7 ? labels[i] : "Additionally auto-run is disabled on the following drive letters:";
        EXPECT_EQ(label + " (" + c.markedBy + ")", name) << "line " << i;
    }

    // What the save wrote that a source will undo.
    Click(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING));
    if (!c.overridden.empty()) {
        const MessageBoxInfo box = WaitForMessageBox();
        EXPECT_EQ("Saved, but a policy sets these values otherwise and will undo them at its next refresh:\n" +
                      c.overridden,
                  Utf8(box.text));
        if (box.window)
            AnswerMessageBox(box.window);
    }
    ExpectScreen(ExpectedScreen({F, F, F, F, F, F, F}, "C,E"));
    ExpectNoMessageBox();
    CancelAndExpectExit();

    // MorvexCtl from the same start state: a line per finding after the switches, the JSON
    // arrays, and a warning per value disable-all wrote that a source will undo.
    ClearPolicy();
    Apply(kTypical);
    const CtlRun status = RunCtl(L"status");
    EXPECT_EQ(2u, status.exitCode);
    const std::string letters = "drive letters: C,E\n";
    const std::string out = WithoutCr(status.out);
    const size_t end = out.find(letters);
    ASSERT_NE(std::string::npos, end) << out;
    EXPECT_EQ(c.details.empty() ? "" : c.details + "\n", out.substr(end + letters.size()));

    const CtlRun json = RunCtl(L"status --json");
    const std::string arrays =
        ",\"managedBy\":[" + c.managedBy + "],\"managedUnknown\":[" + c.managedUnknown + "]}\n";
    const std::string jsonOut = WithoutCr(json.out);
    EXPECT_EQ(arrays, jsonOut.substr(jsonOut.size() - std::min(jsonOut.size(), arrays.size())));

    const CtlRun disable = RunCtl(L"disable-all");
    EXPECT_EQ(0u, disable.exitCode);
    EXPECT_EQ(c.overridden.empty() ? "" : "Warning: " + c.overridden + "\n", WithoutCr(disable.err));
}

INSTANTIATE_TEST_SUITE_P(Ctl, ManagedTest, ::testing::ValuesIn(ManagedCases()),
                         [](const ::testing::TestParamInfo<ManagedCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
