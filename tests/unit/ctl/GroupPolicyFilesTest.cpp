// The writes of a save as Group Policy files: each hive's writes in its own file, in the order
// of the save, a deletion as a deletion, and a hive without writes as a file that sets nothing.
#include <gtest/gtest.h>

#include "GroupPolicyFiles.h"
#include "PreferenceXml.h"
#include "RegistryPol.h"

namespace {

using namespace regpol;

const wchar_t kMappingKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf";
const wchar_t kExplorerKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";
const wchar_t kCdromKey[] = L"SYSTEM\\CurrentControlSet\\Services\\cdrom";

PlannedWrite Number(PolicyValue value, std::uint32_t number)
{
    return {value, PlannedWrite::Kind::Number, number, L""};
}

// A save of every value, the mapping deleted, in the order Save writes.
std::vector<PlannedWrite> EveryValue()
{
    return {{PolicyValue::IniFileMapping, PlannedWrite::Kind::Delete, 0, L""},
            Number(PolicyValue::UserDriveTypes, 0x93),
            Number(PolicyValue::MachineDriveTypes, 0x93),
            Number(PolicyValue::CdromAutoRun, 1),
            Number(PolicyValue::MachineDriveLetters, 0x14),
            Number(PolicyValue::UserDriveLetters, 0x14)};
}

TEST(GroupPolicyFiles, RegistryPolPerHiveInTheOrderOfSave)
{
    const std::vector<PolRecord> machine = {DeleteValueRecord(kMappingKey, L""),
                                            SetDwordRecord(kExplorerKey, L"NoDriveTypeAutoRun", 0x93),
                                            SetDwordRecord(kCdromKey, L"AutoRun", 1),
                                            SetDwordRecord(kExplorerKey, L"NoDriveAutoRun", 0x14)};
    const std::vector<PolRecord> user = {SetDwordRecord(kExplorerKey, L"NoDriveTypeAutoRun", 0x93),
                                         SetDwordRecord(kExplorerKey, L"NoDriveAutoRun", 0x14)};
    EXPECT_EQ(ReadRegistryPol(RegistryPolFile(EveryValue(), true)), machine);
    EXPECT_EQ(ReadRegistryPol(RegistryPolFile(EveryValue(), false)), user);

    const std::vector<PlannedWrite> mappingSet = {
        {PolicyValue::IniFileMapping, PlannedWrite::Kind::Text, 0, L"@SYS:DoesNotExist"}};
    EXPECT_EQ(ReadRegistryPol(RegistryPolFile(mappingSet, true)),
              std::vector<PolRecord>{SetStringRecord(kMappingKey, L"", L"@SYS:DoesNotExist")});
    // The header alone: a valid file without settings.
    const std::vector<std::uint8_t> header = {'P', 'R', 'e', 'g', 1, 0, 0, 0};
    EXPECT_EQ(header, RegistryPolFile(mappingSet, false));
}

TEST(GroupPolicyFiles, PreferenceItemsPerHiveInTheOrderOfSave)
{
    struct Expected
    {
        char action;
        const wchar_t* key;
        const wchar_t* name;
        std::uint32_t number;
    };
    const struct
    {
        bool machine;
        std::vector<Expected> items;
    } cases[] = {
        {true,
         {{'D', kMappingKey, L"", 0},
          {'U', kExplorerKey, L"NoDriveTypeAutoRun", 0x93},
          {'U', kCdromKey, L"AutoRun", 1},
          {'U', kExplorerKey, L"NoDriveAutoRun", 0x14}}},
        {false, {{'U', kExplorerKey, L"NoDriveTypeAutoRun", 0x93}, {'U', kExplorerKey, L"NoDriveAutoRun", 0x14}}},
    };
    for (const auto& c : cases)
    {
        const std::string xml = PreferenceXmlFile(EveryValue(), c.machine, 0);
        const auto items = ReadPreferenceXml(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size());
        ASSERT_TRUE(items.has_value()) << xml;
        ASSERT_EQ(c.items.size(), items->size()) << xml;
        for (std::size_t i = 0; i < items->size(); ++i)
        {
            const PreferenceItem& item = (*items)[i];
            EXPECT_EQ(c.machine ? Hive::LocalMachine : Hive::CurrentUser, item.hive) << i;
            EXPECT_EQ(c.items[i].action, item.action) << i;
            EXPECT_EQ(c.items[i].key, item.key) << i;
            EXPECT_EQ(c.items[i].name, item.name) << i;
            EXPECT_EQ(*c.items[i].name == L'\0', item.isDefault) << i;
            if (item.action == 'U')
            {
                const ValueEffect effect{ValueEffect::Kind::Sets, false, item.type, item.data};
                EXPECT_EQ(c.items[i].number, effect.Dword().value_or(0xDEAD)) << i;
            }
        }
    }
    const std::string none = PreferenceXmlFile({Number(PolicyValue::CdromAutoRun, 0)}, false, 0);
    const auto empty = ReadPreferenceXml(reinterpret_cast<const std::uint8_t*>(none.data()), none.size());
    ASSERT_TRUE(empty.has_value()) << none;
    EXPECT_TRUE(empty->empty()) << none;
}

// The hive and place of each value come from the table given, so that values beside the
// policy's six can be exported the same way.
TEST(GroupPolicyFiles, ValuesPlacedByTheTableGiven)
{
    static const PolicyValueInfo userOnly{false, L"Software\\Policies\\Test", L"Value"};
    const ValueTable table = [](PolicyValue) -> const PolicyValueInfo& { return userOnly; };
    EXPECT_EQ(ReadRegistryPol(RegistryPolFile({Number(PolicyValue::CdromAutoRun, 5)}, false, table)),
              std::vector<PolRecord>{SetDwordRecord(L"Software\\Policies\\Test", L"Value", 5)});
    EXPECT_EQ(ReadRegistryPol(RegistryPolFile({Number(PolicyValue::CdromAutoRun, 5)}, true, table)),
              std::vector<PolRecord>{});
}

// --baseline: the two AutoPlay values follow the machine's writes in both forms, and the
// user's files stay as they were.
TEST(GroupPolicyFiles, BaselineValuesFollowTheMachinesWrites)
{
    const wchar_t kPoliciesExplorer[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer";
    const std::vector<PlannedWrite> writes = {Number(PolicyValue::MachineDriveTypes, 0xFF),
                                              Number(PolicyValue::UserDriveTypes, 0xFF)};
    EXPECT_EQ(ReadRegistryPol(RegistryPolFile(writes, true, InfoOf, true)),
              (std::vector<PolRecord>{SetDwordRecord(kExplorerKey, L"NoDriveTypeAutoRun", 0xFF),
                                      SetDwordRecord(kPoliciesExplorer, L"NoAutoplayfornonVolume", 1),
                                      SetDwordRecord(kExplorerKey, L"NoAutorun", 1)}));
    EXPECT_EQ(RegistryPolFile(writes, false, InfoOf, true), RegistryPolFile(writes, false));

    const std::string xml = PreferenceXmlFile(writes, true, 0, InfoOf, true);
    const auto items = ReadPreferenceXml(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size());
    ASSERT_TRUE(items.has_value()) << xml;
    ASSERT_EQ(3u, items->size()) << xml;
    EXPECT_EQ(L"NoAutoplayfornonVolume", (*items)[1].name);
    EXPECT_EQ(kPoliciesExplorer, (*items)[1].key);
    EXPECT_EQ(L"NoAutorun", (*items)[2].name);
    EXPECT_EQ(PreferenceXmlFile(writes, false, 0, InfoOf, true), PreferenceXmlFile(writes, false, 0));
}

} // namespace
