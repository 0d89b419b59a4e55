// The table of the seven switches: what scripts and translation files rely on, and the rule
// of "Select all".
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "Switches.h"

namespace {

AutoRunSettings WithSwitches(std::initializer_list<int> enabled)
{
    AutoRunSettings settings;
    for (int index : enabled)
        SetSwitch(settings, index, true);
    return settings;
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
