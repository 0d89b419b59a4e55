// MorvexCtl.exe as a process, the way scripts and monitoring agents run it: command line and
// start state in the registry, then its standard output, standard error, exit code and the
// registry's 64-bit view afterwards. And "Disable Everything and Save" of the window against
// disable-all of the command line, from the same start states.
#include "MorvexFixture.h"

#include "Accessibility.h"
#include "MorvexVersion.h"
#include "PlantedSources.h"
#include "PreferenceXml.h"
#include "RegistryPol.h"
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

// The folder of the Group Policy exports, with its Machine and User folders.
std::wstring ExportFolder()
{
    return TestOutputFolder() + L"\\morvex-ctl-gp";
}

const wchar_t* const kHalves[] = {L"Machine", L"User"};
const wchar_t* const kGroupPolicyFiles[] = {L"Registry.pol", L"Registry.xml"};

void RemoveExportFolder()
{
    for (const wchar_t* half : kHalves) {
        for (const wchar_t* file : kGroupPolicyFiles)
            DeleteFileW((ExportFolder() + L"\\" + half + L"\\" + file).c_str());
        RemoveDirectoryW((ExportFolder() + L"\\" + half).c_str());
    }
    RemoveDirectoryW(ExportFolder().c_str());
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

// One line per record or item, read with the project's readers, in file order:
// "set KEY\NAME=dword:000000ff", "set KEY\@=sz:TEXT", "delete KEY\@"; each half after its name.
std::string GroupPolicyLine(bool set, const std::wstring& key, const std::wstring& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& data)
{
    std::string line = std::string(set ? "set " : "delete ") + Utf8(key) + "\\" + (name.empty() ? "@" : Utf8(name));
    if (set) {
        const regpol::ValueEffect effect{regpol::ValueEffect::Kind::Sets, false, type, data};
        char hex[16];
        if (type == regpol::kRegDword && effect.Dword()) {
            snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(*effect.Dword()));
            line += std::string("=dword:") + hex;
        } else if (type == regpol::kRegSz && effect.String()) {
            line += "=sz:" + Utf8(*effect.String());
        } else {
            line += "=type " + std::to_string(type) + ", " + std::to_string(data.size()) + " bytes";
        }
    }
    return line + "\n";
}

enum class Output { Text, RegistryFile, PolFolder, GppFolder };

std::string GroupPolicyDump(Output format)
{
    std::string dump;
    for (int i = 0; i < 2; ++i) {
        const bool machine = i == 0;
        dump += Utf8(kHalves[i]) + ":\n";
        const std::wstring path =
            ExportFolder() + L"\\" + kHalves[i] + L"\\" + kGroupPolicyFiles[format == Output::PolFolder ? 0 : 1];
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            dump += "(no file)\n";
            continue;
        }
        const std::string text = ReadBytes(path);
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        if (format == Output::PolFolder) {
            const auto records = regpol::ReadRegistryPol(bytes);
            if (!records) {
                dump += "(unreadable)\n";
                continue;
            }
            for (const regpol::PolRecord& record : *records) {
                const bool set = record.valueName.rfind(L"**del.", 0) != 0;
                dump += GroupPolicyLine(set, record.key, set ? record.valueName : record.valueName.substr(6),
                                        record.type, record.data);
            }
        } else {
            const auto items = regpol::ReadPreferenceXml(bytes);
            if (!items) {
                dump += "(unreadable)\n";
                continue;
            }
            for (const regpol::PreferenceItem& item : *items) {
                if (item.hive != (machine ? regpol::Hive::LocalMachine : regpol::Hive::CurrentUser))
                    dump += "(other hive) ";
                if (item.action != 'U' && item.action != 'D')
                    dump += std::string("(action ") + item.action + ") ";
                dump += GroupPolicyLine(item.action != 'D', item.key, item.name, item.type, item.data);
            }
        }
    }
    return dump;
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


// The Group Policy files of the same writes as RegFile: mapping "-" is its deletion.
std::string GroupPolicyFiles(const std::string& mapping, DWORD types, DWORD cdrom, DWORD letters,
                             bool userLetters = true)
{
    char hex[3][16];
    snprintf(hex[0], sizeof hex[0], "%08lx", static_cast<unsigned long>(types));
    snprintf(hex[1], sizeof hex[1], "%08lx", static_cast<unsigned long>(cdrom));
    snprintf(hex[2], sizeof hex[2], "%08lx", static_cast<unsigned long>(letters));
    const std::string explorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\";
    const std::string mappingValue = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf\\@";
    return "Machine:\n" +
           (mapping == "-" ? "delete " + mappingValue : "set " + mappingValue + "=sz:" + mapping) + "\n" +
           "set " + explorer + "NoDriveTypeAutoRun=dword:" + hex[0] + "\n" +
           "set SYSTEM\\CurrentControlSet\\Services\\cdrom\\AutoRun=dword:" + hex[1] + "\n" +
           "set " + explorer + "NoDriveAutoRun=dword:" + hex[2] + "\n" +
           "User:\n" +
           "set " + explorer + "NoDriveTypeAutoRun=dword:" + hex[0] + "\n" +
           (userLetters ? "set " + explorer + "NoDriveAutoRun=dword:" + hex[2] + "\n" : std::string());
}

// A registry file with the two baseline values after the policy's: NoAutorun in the machine's
// Explorer policy key, NoAutoplayfornonVolume in a section of its own at the end.
std::string WithBaseline(std::string file)
{
    const std::string machineLetters = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer]";
    const size_t section = file.find(machineLetters);
    const size_t letters = file.find("\"NoDriveAutoRun\"", section);
    const size_t lineEnd = file.find("\r\n", letters) + 2;
    file.insert(lineEnd, "\"NoAutorun\"=dword:00000001\r\n");
    return file + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer]\r\n"
                  "\"NoAutoplayfornonVolume\"=dword:00000001\r\n\r\n";
}

// The status lines with performance data after the status line.
std::string WithPerfData(std::string lines, const std::string& perfData)
{
    return lines.insert(lines.find('\n'), " | " + perfData);
}


struct CtlCase
{
    const char* name;
    std::vector<RegSetting> start;
    std::wstring arguments; // {out} stands for the export file, {dir} for the export folder
    DWORD exitCode;
    std::string out; // standard output without CR, or the registry file's text
    std::string err; // standard error without CR
    // The six policy values afterwards; empty: all eight values (with the baseline) as they were.
    std::vector<std::optional<RegValue>> after{};
    Output output = Output::Text;
    std::string file{};                // the export file's text, or the files' (GroupPolicyDump)
    bool volatileUserPolicies = false; // the user's policy key cannot be created: writes there fail
    // With after: the two baseline values afterwards; empty: as they were.
    std::vector<std::optional<RegValue>> afterBaseline{};
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
    // disable-all --baseline: everything off, both AutoPlay values written, all three checks pass.
    const auto baselineJson = [](const char* letters, DWORD lettersMask) {
        const std::string mask = std::to_string(lettersMask);
        return "{\"runAutorunInf\":false,\"unknownDrives\":false,\"removableDrives\":false,\"fixedDrives\":false,"
               "\"networkDrives\":false,\"cdromDrives\":false,\"ramDisks\":false,\"disabledLetters\":\"" +
               std::string(letters) +
               "\",\"status\":\"safe\",\"statusText\":\"Your PC is safe. AutoRun is disabled.\","
               "\"registry\":{\"HKLM\":{\"IniFileMapping\":\"@SYS:DoesNotExist\",\"NoDriveTypeAutoRun\":255,"
               "\"CdromAutoRun\":0,\"NoDriveAutoRun\":" + mask + "},\"HKCU\":{\"NoDriveTypeAutoRun\":255,"
               "\"NoDriveAutoRun\":" + mask + "}},\"unreadable\":[],\"baseline\":{\"NoAutoplayfornonVolume\":1,"
               "\"NoAutorun\":1,\"CC-000180\":\"pass\",\"CC-000185\":\"pass\",\"CC-000190\":\"pass\"},"
               "\"managedBy\":[],\"managedUnknown\":[]}\n";
    };
    const std::vector<std::optional<RegValue>> baselineWritten = {Dword(1), Dword(1)};
    const char kUnreadableStatus[] = "The AutoRun state could not be read completely.";

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

        // A flag names its value: written also over a value that could not be read, and
        // also where the letters equal what the readable hive gave.
        {"SetLettersOverUnreadableAsRead", unreadable, L"set --letters C,E", 2,
         StatusLines({T, F, T, T, F, T, T}, "C,E", kUnsafe), lettersError, SavedValues({T, F, T, T, F, T, T}, 0x14)},
        {"SetCdromOnOverUnreadableService", Plus(kTypical, {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", String(L"1")}),
         L"set --cdrom on", 2, StatusLines({T, F, T, T, F, T, T}, "C,E", kUnsafe),
         QueryFailed("HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Services\\cdrom", "AutoRun"),
         SavedValues({T, F, T, T, F, T, T}, 0x14)},
        {"SetAutorunInfOnOverUnreadableMapping", Plus(kTypical, {HKEY_LOCAL_MACHINE, kIniMappingKey, L"", Dword(0)}),
         L"set --autorun-inf on", 2, StatusLines({T, F, T, T, F, T, T}, "C,E", kUnsafe),
         QueryFailed("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf",
                     "(Default)", "has type REG_DWORD (4 bytes); a REG_SZ is expected"),
         SavedValues({T, F, T, T, F, T, T}, 0x14)},

        // Conventions: a value after "=", on and off in any letter case.
        {"SetAttachedValues", kTypical, L"set --removable=OFF --letters=e --ramdisk Off", 2,
         StatusLines({T, F, F, T, F, T, F}, "E", kUnsafe), "", SavedValues({T, F, F, T, F, T, F}, 0x10)},
        {"UsageLettersNotDriveLetters", kTypical, L"set --letters C,1,ZZ", kUsage, "",
         UsageText("--letters takes drive letters A to Z separated by commas or blanks (\"\" for none), not \"1\""),
         {}},

        // Performance data for monitoring, U where a value could not be read.
        {"StatusPerfData", kTypical, L"status --perfdata", 2,
         WithPerfData(StatusLines({T, F, T, T, F, T, T}, "C,E", kUnsafe),
                      "enabled_drive_types=4;;;0;6 autorun_inf=1 disabled_letters=2;;;0;26"),
         "", {}},
        {"StatusPerfDataAllOff", kAllOff, L"status --perfdata", 0,
         WithPerfData(StatusLines({F, F, F, F, F, F, F}, "", kSafe),
                      "enabled_drive_types=0;;;0;6 autorun_inf=0 disabled_letters=0;;;0;26"),
         "", {}},
        {"StatusPerfDataUnreadable", unreadable, L"status --perfdata", 3,
         WithPerfData(StatusLines({T, F, T, T, F, T, T}, "C,E", kUnreadableStatus),
                      "enabled_drive_types=4;;;0;6 autorun_inf=1 disabled_letters=U;;;0;26"),
         lettersError, {}},

        // The security baseline on request; without the flag its values are left alone.
        {"DisableAllBaselineFromNothing", {}, L"disable-all --baseline --json", 0, baselineJson("", 0), "",
         SavedValues({F, F, F, F, F, F, F}, 0), Output::Text, "", false, baselineWritten},
        {"DisableAllBaselineTypical", Plus(kTypical, {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoAutorun", Dword(0)}),
         L"disable-all --baseline --json", 0, baselineJson("C,E", 0x14), "", SavedValues({F, F, F, F, F, F, F}, 0x14),
         Output::Text, "", false, baselineWritten},
        {"DisableAllLeavesBaselineAlone",
         Plus(kTypical, {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoAutorun", Dword(0)}), L"disable-all", 0,
         StatusLines({F, F, F, F, F, F, F}, "C,E", kSafe), "", SavedValues({F, F, F, F, F, F, F}, 0x14)},
        {"ExportBaseline", kTypical, L"export --baseline", 0, WithBaseline(RegFile("-", 0x93, 1, 0x14)), "", {},
         Output::RegistryFile},

        // export: what Save would write, the registry untouched.
        {"ExportToStandardOutput", kTypical, L"export", 0, RegFile("-", 0x93, 1, 0x14), "", {},
         Output::RegistryFile},
        {"ExportFileWithFlags", BothHives(), L"export --out \"{out}\" --autorun-inf on --letters \"\"", 0, "", "", {},
         Output::Text, RegFile("-", 0x0E, 1, 0)},
        // The value that could not be read is left out, as Save would leave it.
        {"ExportUnreadable", unreadable, L"export --out \"{out}\" --autorun-inf off", 3, "", lettersError, {},
         Output::Text, RegFile("\"@SYS:DoesNotExist\"", 0x93, 1, 0x14, false)},
        {"ExportRegNamed", kTypical, L"export --format reg", 0, RegFile("-", 0x93, 1, 0x14), "", {},
         Output::RegistryFile},
        // The same writes as Group Policy files, split by hive into the Machine and User folders;
        // the folder is made.
        {"ExportPol", kTypical, L"export --format pol --out \"{dir}\"", 0, "", "", {}, Output::PolFolder,
         GroupPolicyFiles("-", 0x93, 1, 0x14)},
        {"ExportPolWithFlags", BothHives(), L"export --out \"{dir}\\\\\" --autorun-inf off --letters C --format pol", 0,
         "", "", {}, Output::PolFolder, GroupPolicyFiles("@SYS:DoesNotExist", 0x0E, 1, 0x4)},
        {"ExportGpp", BothHives(), L"export --format gpp --out \"{dir}\" --autorun-inf on --letters \"\"", 0, "", "",
         {}, Output::GppFolder, GroupPolicyFiles("-", 0x0E, 1, 0)},
        {"ExportGppUnreadable", unreadable, L"export --format gpp --out \"{dir}\"", 3, "", lettersError, {},
         Output::GppFolder, GroupPolicyFiles("-", 0x93, 1, 0x14, false)},
        // Neither of the user's values can be read: its file is still written, setting nothing.
        {"ExportPolNothingForTheUser", Plus(unreadable, kUnreadableUserTypes), L"export --format pol --out \"{dir}\"",
         3, "",
         QueryFailed("HKEY_CURRENT_USER", kExplorerKeyUtf8, "NoDriveTypeAutoRun") + lettersError, {},
         Output::PolFolder,
         "Machine:\n"
         "delete SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf\\@\n"
         "set SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\NoDriveTypeAutoRun=dword:00000093\n"
         "set SYSTEM\\CurrentControlSet\\Services\\cdrom\\AutoRun=dword:00000001\n"
         "set SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\NoDriveAutoRun=dword:00000014\n"
         "User:\n"},

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
        {"UsageUnknownFormat", BothHives(), L"export --format csv --out \"{dir}\"", kUsage, "",
         UsageText("--format takes reg, pol or gpp, not \"csv\""), {}},
        {"UsagePolWithoutOut", BothHives(), L"export --format pol", kUsage, "",
         UsageText("export --format pol needs --out FOLDER"), {}},
        {"UsageGppIntoMissingParent", BothHives(), L"export --format gpp --out C:\\no\\such\\folder", kUsage, "",
         UsageText("--out C:\\no\\such\\folder: the folder C:\\no\\such does not exist"), {}},
        {"UsagePolOutIsAFile", BothHives(), L"export --format pol --out C:\\windows\\win.ini", kUsage, "",
         UsageText("--out C:\\windows\\win.ini is a file, not a folder"), {}},
        {"UsageFormatOfAnotherVerb", BothHives(), L"status --format pol", kUsage, "",
         UsageText("--format belongs to export, not to status"), {}},
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
        RemoveExportFolder();
    }
    void TearDown() override
    {
        RemoveExportFolder();
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
    for (const auto& placeholder : {std::make_pair(L"{out}", ExportFile()), std::make_pair(L"{dir}", ExportFolder())}) {
        const size_t at = arguments.find(placeholder.first);
        if (at != std::wstring::npos)
            arguments.replace(at, 5, placeholder.second);
    }
    const CtlRun run = RunCtl(arguments);

    EXPECT_EQ(c.exitCode, run.exitCode);
    if (c.output == Output::RegistryFile)
        EXPECT_EQ(c.out, RegistryFileText(run.out));
    else
        EXPECT_EQ(c.out, WithoutCr(run.out));
    EXPECT_EQ(c.err, WithoutCr(run.err));

    const std::string file = ReadBytes(ExportFile());
    const bool folderOutput = c.output == Output::PolFolder || c.output == Output::GppFolder;
    if (c.file.empty() || folderOutput)
        EXPECT_TRUE(file.empty()) << "an export file was written";
    else
        EXPECT_EQ(c.file, RegistryFileText(file));
    if (folderOutput)
        EXPECT_EQ(c.file, GroupPolicyDump(c.output));
    else
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ExportFolder().c_str())) << "an export folder was made";

    if (c.after.empty()) {
        const RegistrySnapshot after(AllValues());
        EXPECT_TRUE(before == after) << before.Differences(after);
    } else {
        for (size_t i = 0; i < c.after.size(); ++i) {
            const ValueName& name = PolicyValues()[i];
            EXPECT_EQ(Describe(c.after[i]), Describe(ReadValue(name.root, name.key, name.name)))
                << "value " << i << " " << Utf8(name.name);
        }
        const std::vector<ValueName> baselineValues = BaselineValues();
        for (size_t i = 0; i < baselineValues.size(); ++i) {
            const ValueName& name = baselineValues[i];
            const std::optional<RegValue> expected =
                c.afterBaseline.empty() ? before.Value(PolicyValues().size() + i) : c.afterBaseline[i];
            EXPECT_EQ(Describe(expected), Describe(ReadValue(name.root, name.key, name.name))) << Utf8(name.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlTest, ::testing::ValuesIn(CtlCases()),
                         [](const ::testing::TestParamInfo<CtlCase>& info) { return std::string(info.param.name); });

// --help names every command and flag, and goes to standard output; -h and /? show the same.
TEST_F(CtlFixture, HelpListsEveryCommandAndFlag)
{
    const CtlRun run = RunCtl(L"--help");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("", run.err);
    for (const char* word : {"status", "disable-all", "set", "export", "--json", "--out", "--autorun-inf", "--unknown",
                             "--removable", "--fixed", "--network", "--cdrom", "--ramdisk", "--letters", "--lang",
                             "--format", "--version", "--perfdata", "--baseline", "77"})
        EXPECT_NE(std::string::npos, run.out.find(word)) << word;
    for (const wchar_t* alias : {L"-h", L"/?", L"status /?"}) {
        const CtlRun other = RunCtl(alias);
        EXPECT_EQ(0u, other.exitCode) << Utf8(alias);
        EXPECT_EQ(run.out, other.out) << Utf8(alias);
    }
}

const char kRefusal[] =
    "MorvexCtl: changing the AutoRun policy needs administrator rights; nothing was changed. Run it from an "
    "elevated prompt, as SYSTEM, or from a tool that runs elevated.\n";

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition = CREATE_ALWAYS)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs MorvexCtl with standard output on the given inheritable handle and standard error in a
// file; with a token, as the user of that token.
CtlRun RunCtlWith(const std::wstring& arguments, HANDLE out, HANDLE token = nullptr,
                  const std::wstring& exe = CtlExe())
{
    const std::wstring errFile = TestOutputFolder() + L"\\morvex-ctl-stderr.txt";
    const HANDLE err = InheritableFile(errFile, GENERIC_WRITE);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    const std::wstring folder = FolderOf(exe);
    PROCESS_INFORMATION info{};
    const BOOL started =
        token != nullptr
            ? CreateProcessAsUserW(token, exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   folder.c_str(), &startup, &info)
            : CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                             &startup, &info);
    const DWORD startError = GetLastError();
    CloseHandle(err);
    CtlRun run;
    if (!started) {
        ADD_FAILURE() << "cannot start " << Utf8(exe) << ": error " << startError;
        return run;
    }
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(30000 * kTimeScale)) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, STILL_ACTIVE);
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    run.err = ReadBytes(errFile);
    return run;
}

// As RunCtlWith, standard output into a file that is read back.
CtlRun RunCtlToFile(const std::wstring& arguments, HANDLE token = nullptr, const std::wstring& exe = CtlExe())
{
    const std::wstring outFile = TestOutputFolder() + L"\\morvex-ctl-stdout.txt";
    const HANDLE out = InheritableFile(outFile, GENERIC_WRITE);
    CtlRun run = RunCtlWith(arguments, out, token, exe);
    CloseHandle(out);
    run.out = ReadBytes(outFile);
    return run;
}

// The unelevated half of this process's token, as an administrator's programs get it without
// elevation; null when there is none.
HANDLE LimitedToken()
{
    HANDLE self = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &self))
        return nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    const BOOL found = GetTokenInformation(self, TokenLinkedToken, &linked, sizeof(linked), &size);
    CloseHandle(self);
    return found ? linked.LinkedToken : nullptr;
}

// Reading needs no rights; a change is refused before anything is written, with exit code 77.
TEST_F(CtlFixture, LimitedTokenReadsAndIsRefusedChanges)
{
    const HANDLE token = LimitedToken();
    ASSERT_NE(nullptr, token);
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size));
    ASSERT_EQ(TokenElevationTypeLimited, type);

    Apply(kTypical);
    const RegistrySnapshot before(AllValues());
    const struct
    {
        const wchar_t* arguments;
        DWORD exitCode;
        std::string out;
        std::string err;
    } cases[] = {
        {L"status", 2, StatusLines({T, F, T, T, F, T, T}, "C,E", kUnsafe), ""},
        {L"export", 0, RegFile("-", 0x93, 1, 0x14), ""},
        {L"set --removable off", 77, "", kRefusal},
        {L"set --letters C", 77, "", kRefusal},
        {L"disable-all", 77, "", kRefusal},
        {L"disable-all --baseline --json", 77, "", kRefusal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.arguments));
        const CtlRun run = RunCtlToFile(c.arguments, token);
        EXPECT_EQ(c.exitCode, run.exitCode);
        EXPECT_EQ(c.out, c.exitCode == 0 ? RegistryFileText(run.out) : WithoutCr(run.out));
        EXPECT_EQ(c.err, WithoutCr(run.err));
        const RegistrySnapshot after(AllValues());
        EXPECT_TRUE(before == after) << before.Differences(after);
    }
    CloseHandle(token);
}

// A key whose security lets this process read but not write, as a policy key does for a user
// without administrator rights: an elevated token gets the refusal too, and nothing is written.
TEST_F(CtlFixture, KeyThatDeniesWritingRefusesTheChange)
{
    const struct
    {
        const wchar_t* key;
        const wchar_t* arguments;
        DWORD exitCode;
    } cases[] = {
        {kExplorerPolicyKey, L"set --letters C", 77},
        {kExplorerPolicyKey, L"disable-all", 77},
        {kCdromKey, L"disable-all", 77},
        {kIniMappingKey, L"set --fixed off", 77},
        {kExplorerPolicyKey, L"status", 2},
        // The baseline's own key counts only when the baseline is written.
        {kAutoplayPolicyKey, L"disable-all --baseline", 77},
        {kAutoplayPolicyKey, L"disable-all", 0},
    };
    const bool autoplayKeyExisted = testreg::KeyExists(HKEY_LOCAL_MACHINE, kAutoplayPolicyKey);
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.key) + " " + Utf8(c.arguments));
        ClearPolicy();
        Apply(kTypical);
        testreg::CreateKey(HKEY_LOCAL_MACHINE, c.key);
        const RegistrySnapshot before(AllValues());
        CtlRun run;
        {
            const testreg::ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, c.key);
            run = RunCtlToFile(c.arguments);
        }
        EXPECT_EQ(c.exitCode, run.exitCode);
        if (c.exitCode == 77) {
            EXPECT_EQ(kRefusal, WithoutCr(run.err));
            EXPECT_EQ("", run.out);
            const RegistrySnapshot after(AllValues());
            EXPECT_TRUE(before == after) << before.Differences(after);
        } else {
            EXPECT_EQ("", run.err);
        }
    }
    if (!autoplayKeyExisted)
        testreg::DeleteTree(HKEY_LOCAL_MACHINE, kAutoplayPolicyKey);
}

enum class Sink { ClosedPipe, ReadOnlyFile, FullDisk };

// Standard output that cannot take the text: a reader that has gone away ends the command
// quietly with its own exit code; any other failed write is said on standard error, exit 3.
TEST_F(CtlFixture, OutputThatCannotBeWritten)
{
    const std::string failed = "Standard output could not be written : ";
    const struct
    {
        Sink sink;
        const wchar_t* arguments;
        DWORD exitCode;
        std::string err; // a prefix of standard error; empty: nothing there
        bool saves = false; // the policy is switched off: output that nobody reads undoes nothing
    } cases[] = {
        {Sink::ClosedPipe, L"status", 2, ""},
        {Sink::ClosedPipe, L"--help", 0, ""},
        {Sink::ClosedPipe, L"export", 0, ""},
        {Sink::ClosedPipe, L"disable-all --json", 0, "", true},
        {Sink::ReadOnlyFile, L"status --json", 3, Line(ErrorText("Standard output could not be written", ERROR_ACCESS_DENIED))},
        {Sink::ReadOnlyFile, L"--version", 3, Line(ErrorText("Standard output could not be written", ERROR_ACCESS_DENIED))},
        {Sink::FullDisk, L"status", 3, failed},
        {Sink::FullDisk, L"export", 3, failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.sink)) + " " + Utf8(c.arguments));
        ClearPolicy();
        Apply(kTypical);
        HANDLE out = INVALID_HANDLE_VALUE;
        switch (c.sink) {
        case Sink::ClosedPipe: {
            SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
            HANDLE reader = nullptr;
            ASSERT_TRUE(CreatePipe(&reader, &out, &inherit, 0));
            CloseHandle(reader);
            break;
        }
        case Sink::ReadOnlyFile:
            out = InheritableFile(TestOutputFolder() + L"\\morvex-ctl-readonly.txt", GENERIC_READ);
            break;
        case Sink::FullDisk:
            out = InheritableFile(L"Z:\\dev\\full", GENERIC_WRITE, OPEN_EXISTING);
            break;
        }
        ASSERT_NE(INVALID_HANDLE_VALUE, out);
        const CtlRun run = RunCtlWith(c.arguments, out);
        CloseHandle(out);
        EXPECT_EQ(c.exitCode, run.exitCode);
        const std::string err = WithoutCr(run.err);
        if (c.err.empty()) {
            EXPECT_EQ("", err);
        } else {
            EXPECT_EQ(0u, err.find(c.err)) << err;
            EXPECT_EQ(err.size() - 1, err.find('\n')) << "one line: " << err;
        }
        if (c.saves)
            ExpectPolicyWritten({F, F, F, F, F, F, F}, 0x14);
    }
}

bool IsValidUtf8(const std::string& text)
{
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

// A translation file with bytes that are no UTF-8: the JSON stays valid, the broken bytes
// become U+FFFD. MorvexCtl runs from a folder of its own with that file in its lang folder.
TEST_F(CtlFixture, JsonIsValidWhateverTheTranslationFile)
{
    const std::wstring folder = TestOutputFolder() + L"\\ctl-broken-lang";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\lang").c_str(), nullptr);
    const std::wstring exe = folder + L"\\MorvexCtl.exe";
    ASSERT_TRUE(CopyFileW(CtlExe().c_str(), exe.c_str(), FALSE));
    {
        std::ofstream strings((folder + L"\\lang\\de.strings").c_str(), std::ios::binary);
        strings << "\"Your PC is currently not safe. AutoRun is not controlled.\" = \"Nicht \xFF sicher \xE2\x82\";\n";
    }
    Apply(kTypical);
    const CtlRun run = RunCtlToFile(L"status --json --lang de", nullptr, exe);
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ("", run.err);
    EXPECT_TRUE(IsValidUtf8(run.out)) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\"statusText\":\"Nicht \xEF\xBF\xBD sicher \xEF\xBF\xBD\"")) << run.out;
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
    // Every mark of the page shows one picture fitted to its place, none the template's bitmap
    // at the bitmap's own size.
    ASSERT_TRUE(ShowPage(kDriveTypePage));
    const auto painted = [](const Pixels& pixels) {
        return std::any_of(pixels.data.begin(), pixels.data.end(),
                           [](COLORREF p) { return GetRValue(p) < 230 || GetGValue(p) < 230 || GetBValue(p) < 230; });
    };
    Pixels firstMark;
    for (int i : c.markedLines) {
        if (i >= 7)
            continue;
        const HWND mark = PageItem(kDriveTypePage, IDC_MARK_RUN_AUTORUN_INF + i);
        if (firstMark.empty())
            ASSERT_TRUE(WaitUntil([&] { return painted(firstMark = Capture(mark)); })) << "line " << i;
        else
            EXPECT_TRUE(WaitUntil([&] { return Capture(mark).data == firstMark.data; })) << "line " << i;
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
