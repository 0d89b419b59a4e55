// The switch table, and the status the overview page and the command line show from the
// switches alone; the status after an incomplete read is in AutoRunSettingsTests.
#include <gtest/gtest.h>

#include <initializer_list>
#include <iterator>

#include "AutoRunSettings.h"
#include "Protection.h"
#include "Switches.h"

namespace {

AutoRunSettings WithSwitches(std::initializer_list<int> enabled)
{
    AutoRunSettings settings;
    for (int index : enabled)
        SetSwitch(settings, index, true);
    return settings;
}

TEST(Protection, SwitchIndexFollowsTheFields)
{
    // Switch i is the i-th field; the drive-type page shows it in check box 1000 + i.
    bool AutoRunSettings::* const fields[] = {
        &AutoRunSettings::runAutorunInf, &AutoRunSettings::unknownDrives, &AutoRunSettings::removableDrives,
        &AutoRunSettings::fixedDrives,   &AutoRunSettings::networkDrives, &AutoRunSettings::cdromDrives,
        &AutoRunSettings::ramDisks,
    };
    for (int i = 0; i < kSwitchCount; ++i)
    {
        AutoRunSettings settings = WithSwitches({ i });
        settings.disabledLetters = L"C,E";
        for (int j = 0; j < kSwitchCount; ++j)
        {
            EXPECT_EQ(i == j, settings.*fields[j]) << "switch " << i << ", field " << j;
            EXPECT_EQ(i == j, GetSwitch(settings, j));
        }
        EXPECT_EQ(L"C,E", settings.disabledLetters);
    }
    AutoRunSettings settings;
    SetSwitch(settings, -1, true);
    SetSwitch(settings, kSwitchCount, true);
    EXPECT_FALSE(GetSwitch(settings, kSwitchCount));
    EXPECT_EQ(ProtectionState::Safe, EvaluateProtection(settings));
}

struct StatusCase
{
    std::initializer_list<int> enabled;
    ProtectionState state;
};

TEST(Protection, StatusOfTheSwitches)
{
    const StatusCase cases[] = {
        { {}, ProtectionState::Safe },
        { { 0 }, ProtectionState::NotControlled },
        { { 0, 1, 2, 3, 4, 5, 6 }, ProtectionState::NotControlled },
        { { 5 }, ProtectionState::NotCompletelySafe },
        { { 1 }, ProtectionState::NotCompletelySafe },
        { { 1, 2, 3, 4, 5, 6 }, ProtectionState::NotCompletelySafe },
        { { 1, 2, 3, 4, 5 }, ProtectionState::NotCompletelySafe },
        { { 2, 3, 4, 5, 6 }, ProtectionState::NotCompletelySafe },
    };
    for (const StatusCase& c : cases)
    {
        AutoRunSettings settings = WithSwitches(c.enabled);
        settings.disabledLetters = L"A,B,C"; // letters never change the status
        EXPECT_EQ(c.state, EvaluateProtection(settings));
    }
}

TEST(Switches, FlagsJsonNamesAndLabelsStayAsPublished)
{
    // MorvexCtl's flags and JSON fields are used by scripts, the labels are the keys of the
    // translation files: none of them may change.
    const struct
    {
        bool AutoRunSettings::*member;
        const char* flag;
        const char* jsonName;
        const char* labelKey;
    } rows[] = {
        {&AutoRunSettings::runAutorunInf, "--autorun-inf", "runAutorunInf", "Automatically run autorun.inf files"},
        {&AutoRunSettings::unknownDrives, "--unknown", "unknownDrives", "Enabled for unknown drives"},
        {&AutoRunSettings::removableDrives, "--removable", "removableDrives", "Enabled for removable drives"},
        {&AutoRunSettings::fixedDrives, "--fixed", "fixedDrives", "Enabled for fixed drives"},
        {&AutoRunSettings::networkDrives, "--network", "networkDrives", "Enabled for network drives"},
        {&AutoRunSettings::cdromDrives, "--cdrom", "cdromDrives", "Enabled for CD/DVD-ROM/Blu-ray drives"},
        {&AutoRunSettings::ramDisks, "--ramdisk", "ramDisks", "Enabled for RAM disks"},
    };
    ASSERT_EQ(static_cast<size_t>(kSwitchCount), std::size(rows));
    for (int i = 0; i < kSwitchCount; ++i)
    {
        SCOPED_TRACE(rows[i].flag);
        EXPECT_TRUE(kSwitches[i].member == rows[i].member);
        EXPECT_STREQ(rows[i].flag, kSwitches[i].flag);
        EXPECT_STREQ(rows[i].jsonName, kSwitches[i].jsonName);
        EXPECT_STREQ(rows[i].labelKey, kSwitches[i].labelKey);
        // The drive-type page: check box 1000 + i and ball 1013 + i.
        EXPECT_EQ(i, kSwitches[i].controlOffset);
        EXPECT_EQ(i != 0, IsDriveType(i));
    }
}

TEST(Switches, SelectAllMeansEverySixDriveTypes)
{
    const struct
    {
        std::initializer_list<int> enabled;
        bool selectAll;
    } cases[] = {
        {{}, false},
        {{0}, false},
        {{0, 1, 2, 3, 4, 5, 6}, true},
        {{1, 2, 3, 4, 5, 6}, true},
        {{1, 2, 3, 4, 5}, false},
        {{2, 3, 4, 5, 6}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.selectAll, AllDriveTypesEnabled(WithSwitches(c.enabled)));
}

} // namespace
