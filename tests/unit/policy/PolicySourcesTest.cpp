// Who sets the policy: sources planted where Windows records them (files in the test prefix's
// 64-bit System32, ProgramData and local application data; History and MDM keys), read back
// by WhoSetsPolicy. And which writes of a save a source undoes.
#include "PolicySources.h"

#include "PlantedSources.h"
#include "RegistryPol.h"
#include "RegistryTestSupport.h"
#include "TextConvert.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using testreg::PlantedSources;

const wchar_t kExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t kGpo[] = L"{6AC1786C-016F-11D2-945F-00C04FB984F9}";

std::vector<BYTE> Pol(const std::vector<regpol::PolRecord>& records)
{
    const std::vector<std::uint8_t> bytes = regpol::WriteRegistryPol(records);
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

std::wstring LocalPol(const wchar_t* side)
{
    return PlantedSources::SystemFolder() + L"\\GroupPolicy\\" + side + L"\\Registry.pol";
}

// A folder that stands in for the domain's share.
std::wstring ShareFolder()
{
    return PlantedSources::ProgramData() + L"\\morvex-test-share\\Policies\\" + kGpo;
}

std::string PreferenceFile(const std::string& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RegistrySettings "
           "clsid=\"{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}\">" +
           items + "</RegistrySettings>";
}

// One line per finding: value, source, name, data; then the unknown ones.
std::string Findings(const PolicySources& sources)
{
    std::string text;
    for (const ManagedSetting& setting : sources.managed)
    {
        text += std::string(WatchedName(setting.value)) + " " + SourceJsonName(setting.source.kind) + " [" +
                morvex::WideToUtf8(setting.source.name) + "] ";
        if (setting.effect.kind == regpol::ValueEffect::Kind::Deletes)
            text += "delete";
        else if (setting.effect.Dword())
            text += (setting.effect.soft ? "soft " : "") + std::to_string(*setting.effect.Dword());
        else if (setting.effect.String())
            text += "\"" + morvex::WideToUtf8(*setting.effect.String()) + "\"";
        text += "\n";
    }
    for (const PolicySource& source : sources.unknown)
        text += std::string("unknown ") + SourceJsonName(source.kind) + " [" + morvex::WideToUtf8(source.name) +
                "] " + morvex::WideToUtf8(source.where) + "\n";
    return text;
}

struct SourcesCase
{
    const char* name;
    std::function<void(PlantedSources&)> plant;
    std::function<std::string()> expected; // a function: some lines hold paths of this machine
};

std::ostream& operator<<(std::ostream& out, const SourcesCase& c)
{
    return out << c.name;
}

std::vector<SourcesCase> Cases()
{
    using regpol::DeleteValueRecord;
    using regpol::SetDwordRecord;
    using regpol::SetStringRecord;
    const std::string utf8Share = morvex::WideToUtf8(ShareFolder());
    return {
        {"Nothing", [](PlantedSources&) {}, [] { return std::string(); }},
        {"LocalMachineAndUser",
         [](PlantedSources& p) {
             p.File(LocalPol(L"Machine"), Pol({SetDwordRecord(kExplorer, L"NoDriveTypeAutoRun", 0x91),
                                               SetDwordRecord(kExplorer, L"NoAutorun", 1)}));
             p.File(LocalPol(L"User"), Pol({SetDwordRecord(kExplorer, L"NoDriveAutoRun", 4)}));
         },
         [] {
             return "HKLM\\NoDriveTypeAutoRun localGroupPolicy [] 145\nHKLM\\NoAutorun localGroupPolicy [] 1\n"
                    "HKCU\\NoDriveAutoRun localGroupPolicy [] 4\n";
         }},
        // Half a record: not a file that sets nothing.
        {"LocalTruncated",
         [](PlantedSources& p) {
             std::vector<BYTE> bytes = Pol({SetDwordRecord(kExplorer, L"NoDriveTypeAutoRun", 0xFF)});
             bytes.resize(bytes.size() - 6);
             p.File(LocalPol(L"Machine"), bytes);
         },
         [] { return "unknown localGroupPolicy [] " + morvex::WideToUtf8(LocalPol(L"Machine")) + "\n"; }},
        // The share's Machine folder as recorded; the local policy's own entry is not read twice.
        {"DomainObjectOnItsShare",
         [](PlantedSources& p) {
             p.File(ShareFolder() + L"\\Machine\\Registry.pol",
                    Pol({SetDwordRecord(kExplorer, L"NoDriveAutoRun", 8), DeleteValueRecord(kExplorer, L"NoDriveAutoRun")}));
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kTemplatesHistory, L"0", L"Workstations", kGpo,
                            ShareFolder() + L"\\Machine");
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kTemplatesHistory, L"1", L"Local Group Policy", L"LocalGPO",
                            PlantedSources::SystemFolder() + L"\\GroupPolicy\\Machine");
         },
         [] { return std::string("HKLM\\NoDriveAutoRun groupPolicy [Workstations] delete\n"); }},
        // Recorded as the object's own folder on a share that cannot be reached: the local copy.
        {"DomainObjectFromTheCache",
         [](PlantedSources& p) {
             p.File(PlantedSources::SystemFolder() +
                        L"\\GroupPolicy\\DataStore\\0\\sysvol\\corp.example\\Policies\\" + kGpo + L"\\Machine\\Registry.pol",
                    Pol({SetStringRecord(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf",
                                         L"", L"@SYS:DoesNotExist")}));
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kTemplatesHistory, L"0", L"Servers", kGpo,
                            std::wstring(L"\\\\corp.example\\SysVol\\corp.example\\Policies\\") + kGpo);
         },
         [] { return std::string("HKLM\\IniFileMapping groupPolicy [Servers] \"@SYS:DoesNotExist\"\n"); }},
        // The user's objects go to the user's values.
        {"DomainObjectOfTheUser",
         [](PlantedSources& p) {
             p.File(ShareFolder() + L"\\User\\Registry.pol", Pol({SetDwordRecord(kExplorer, L"NoDriveTypeAutoRun", 0xB5)}));
             p.HistoryEntry(HKEY_CURRENT_USER, testreg::kTemplatesHistory, L"0", L"Staff", kGpo, ShareFolder());
         },
         [] { return std::string("HKCU\\NoDriveTypeAutoRun groupPolicy [Staff] 181\n"); }},
        {"DomainObjectWithoutItsFile",
         [](PlantedSources& p) {
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kTemplatesHistory, L"0", L"Gone", kGpo,
                            ShareFolder() + L"\\Machine");
         },
         [utf8Share] { return "unknown groupPolicy [Gone] " + utf8Share + "\\Machine\\Registry.pol\n"; }},
        // Recorded without a folder: what it sets cannot be told.
        {"DomainObjectWithoutAFolder",
         [](PlantedSources& p) {
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kTemplatesHistory, L"3", L"Odd", kGpo, L"");
         },
         [] {
             return "unknown groupPolicy [Odd] HKLM\\" + morvex::WideToUtf8(testreg::kTemplatesHistory) + "\\3\n";
         }},
        // Named after the object the preferences' History knows; replace sets, create only
        // where nothing is set; the user's file for the user's values.
        {"Preferences",
         [](PlantedSources& p) {
             p.HistoryEntry(HKEY_LOCAL_MACHINE, testreg::kPreferencesHistory, L"0", L"Kiosk", kGpo, ShareFolder());
             p.File(PlantedSources::ProgramData() + L"\\Microsoft\\Group Policy\\History\\" + kGpo +
                        L"\\Machine\\Preferences\\Registry\\Registry.xml",
                    PreferenceFile("<Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" name=\"(Default)\">"
                                   "<Properties action=\"R\" hive=\"HKEY_LOCAL_MACHINE\" key=\"SOFTWARE\\Microsoft\\"
                                   "Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf\" name=\"\" default=\"1\" "
                                   "type=\"REG_SZ\" value=\"@SYS:DoesNotExist\"/></Registry>"));
             p.File(PlantedSources::LocalAppData() + L"\\Microsoft\\Group Policy\\History\\{00000000-0000-0000-0000-"
                                                     L"000000000001}\\User\\Preferences\\Registry\\Registry.xml",
                    PreferenceFile("<Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" name=\"x\">"
                                   "<Properties action=\"C\" hive=\"HKEY_CURRENT_USER\" key=\"Software\\Microsoft\\"
                                   "Windows\\CurrentVersion\\Policies\\Explorer\" name=\"NoDriveAutoRun\" "
                                   "type=\"REG_DWORD\" value=\"00000010\"/></Registry>"));
         },
         [] {
             return "HKLM\\IniFileMapping preference [Kiosk] \"@SYS:DoesNotExist\"\n"
                    "HKCU\\NoDriveAutoRun preference [{00000000-0000-0000-0000-000000000001}] soft 16\n";
         }},
        {"PreferencesNotXml",
         [](PlantedSources& p) {
             p.File(PlantedSources::ProgramData() + L"\\Microsoft\\Group Policy\\History\\" + kGpo +
                        L"\\Machine\\Preferences\\Registry\\Registry.xml",
                    std::string("<RegistrySettings><Registry>"));
         },
         [] {
             return "unknown preference [" + morvex::WideToUtf8(kGpo) + "] " +
                    morvex::WideToUtf8(PlantedSources::ProgramData()) + "\\Microsoft\\Group Policy\\History\\" +
                    morvex::WideToUtf8(kGpo) + "\\Machine\\Preferences\\Registry\\Registry.xml\n";
         }},
        // Enabled with a choice, enabled, disabled (the value goes), and one the MDM stack did
        // not write in its own form.
        {"Mdm",
         [](PlantedSources& p) {
             p.Mdm(L"TurnOffAutoPlay", L"<enabled/><data id=\"Autorun_Box\" value=\"181\"/>");
             p.Mdm(L"SetDefaultAutoRunBehavior", L"<disabled/>");
             p.Mdm(L"DisallowAutoplayForNonVolumeDevices", L"<enabled/>");
             p.Mdm(L"TurnOffAutoPlay_ProviderSet", L"1");
         },
         [] {
             return std::string("HKLM\\NoDriveTypeAutoRun mdm [] 181\nHKLM\\NoAutorun mdm [] delete\n"
                                "HKLM\\NoAutoplayfornonVolume mdm [] 1\n");
         }},
        {"MdmNotReadable",
         [](PlantedSources& p) { p.Mdm(L"TurnOffAutoPlay", L"<enabled/><data id=\"Autorun_Box\" value=\"x\"/>"); },
         [] {
             return std::string("unknown mdm [] HKLM\\SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\Autoplay, "
                                "TurnOffAutoPlay\n");
         }},
    };
}

class PlantedSourcesTest : public ::testing::TestWithParam<SourcesCase>
{
};

TEST_P(PlantedSourcesTest, AreFoundWhereWindowsRecordsThem)
{
    const SourcesCase& c = GetParam();
    PlantedSources planted;
    c.plant(planted);
    EXPECT_EQ(c.expected(), Findings(WhoSetsPolicy()));
}

INSTANTIATE_TEST_SUITE_P(PolicySources, PlantedSourcesTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<SourcesCase>& info) { return std::string(info.param.name); });

ManagedSetting Setting(WatchedValue value, regpol::ValueEffect::Kind kind, std::uint32_t number, bool soft = false)
{
    ManagedSetting setting;
    setting.value = value;
    setting.effect.kind = kind;
    setting.effect.soft = soft;
    if (kind == regpol::ValueEffect::Kind::Sets)
    {
        setting.effect.type = regpol::kRegDword;
        setting.effect.data = {static_cast<std::uint8_t>(number), 0, 0, 0};
    }
    return setting;
}

struct OverriddenCase
{
    const char* name;
    ManagedSetting setting;
    PlannedWrite write;
    bool undone;
};

TEST(PolicySources, OverriddenWritesAreThoseASourceSetsOtherwise)
{
    using Kind = regpol::ValueEffect::Kind;
    const PlannedWrite off{PolicyValue::MachineDriveTypes, PlannedWrite::Kind::Number, 0xFF, L""};
    ManagedSetting mapping = Setting(WatchedValue::IniFileMapping, Kind::Sets, 0);
    mapping.effect.type = regpol::kRegSz;
    mapping.effect.data = regpol::Utf16LeBytes(L"@sys:doesnotexist", true);
    ManagedSetting softMapping = mapping;
    softMapping.effect.soft = true;
    const OverriddenCase cases[] = {
        {"same number", Setting(WatchedValue::MachineDriveTypes, Kind::Sets, 0xFF), off, false},
        {"another number", Setting(WatchedValue::MachineDriveTypes, Kind::Sets, 0x91), off, true},
        {"the other hive", Setting(WatchedValue::UserDriveTypes, Kind::Sets, 0x91), off, false},
        {"deleted by the source", Setting(WatchedValue::MachineDriveTypes, Kind::Deletes, 0), off, true},
        {"soft, over a written value", Setting(WatchedValue::MachineDriveTypes, Kind::Sets, 0x91, true), off, false},
        {"soft, over a deleted value", softMapping,
         {PolicyValue::IniFileMapping, PlannedWrite::Kind::Delete, 0, L""}, true},
    };
    for (const OverriddenCase& c : cases)
    {
        PolicySources sources;
        sources.managed.push_back(c.setting);
        EXPECT_EQ(c.undone, Overridden({c.write}, sources).size() == 1) << c.name;
    }
    // Text compared as the registry compares the mapping: A to Z in any case.
    PolicySources sources;
    sources.managed.push_back(mapping);
    EXPECT_TRUE(
        Overridden({{PolicyValue::IniFileMapping, PlannedWrite::Kind::Text, 0, L"@SYS:DoesNotExist"}}, sources).empty());
    EXPECT_EQ(1u, Overridden({{PolicyValue::IniFileMapping, PlannedWrite::Kind::Delete, 0, L""}}, sources).size());
}

} // namespace
