#pragma once
// The seven switches of the policy, once: the field of AutoRunSettings, the command line's
// flag, the name in MorvexCtl's JSON, the label the drive-type page and the status report
// show, and the place of the switch's check box and ball on that page. Everything that
// lists the switches walks this table, so that they cannot come out in different orders.
// Pure code: no windows.h.

#include "AutoRunSettings.h"
#include "TextKey.h"

struct SwitchInfo
{
    bool AutoRunSettings::*member;
    const char* flag;     // MorvexCtl's flag, taking on|off
    const char* flagHelp; // what the flag switches, for --help
    const char* jsonName; // the field name in status --json
    const char* labelKey; // translation key of the check box's text
    int controlOffset;    // check box IDC_RUN_AUTORUN_INF + offset, ball IDC_BALL_RUN_AUTORUN_INF + offset
};

// In the field order of AutoRunSettings, which is also the index of GetSwitch and SetSwitch:
// autorun.inf first, then the six drive types.
inline constexpr SwitchInfo kSwitches[kSwitchCount] = {
    {&AutoRunSettings::runAutorunInf, "--autorun-inf", "honour autorun.inf files", "runAutorunInf",
     TextKey("Automatically run autorun.inf files"), 0},
    {&AutoRunSettings::unknownDrives, "--unknown", "AutoRun for drives of unknown type", "unknownDrives",
     TextKey("Enabled for unknown drives"), 1},
    {&AutoRunSettings::removableDrives, "--removable", "AutoRun for removable drives", "removableDrives",
     TextKey("Enabled for removable drives"), 2},
    {&AutoRunSettings::fixedDrives, "--fixed", "AutoRun for fixed drives", "fixedDrives",
     TextKey("Enabled for fixed drives"), 3},
    {&AutoRunSettings::networkDrives, "--network", "AutoRun for network drives", "networkDrives",
     TextKey("Enabled for network drives"), 4},
    {&AutoRunSettings::cdromDrives, "--cdrom", "AutoRun for CD/DVD-ROM/Blu-ray drives", "cdromDrives",
     TextKey("Enabled for CD/DVD-ROM/Blu-ray drives"), 5},
    {&AutoRunSettings::ramDisks, "--ramdisk", "AutoRun for RAM disks", "ramDisks", TextKey("Enabled for RAM disks"),
     6},
};

// A row left out would be all zero at the end of the table.
constexpr bool EverySwitchListed()
{
    for (const SwitchInfo& info : kSwitches)
    {
        if (info.flag == nullptr)
            return false;
    }
    return true;
}
static_assert(EverySwitchListed(), "a switch is missing from the table");

// The index of a field in the table; kSwitchCount for a member that is no switch.
constexpr int SwitchIndex(bool AutoRunSettings::*member)
{
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (kSwitches[i].member == member)
            return i;
    }
    return kSwitchCount;
}

constexpr int kAutorunInfSwitch = SwitchIndex(&AutoRunSettings::runAutorunInf);
constexpr int kCdromSwitch = SwitchIndex(&AutoRunSettings::cdromDrives);
// Every switch but autorun.inf is a drive type.
constexpr bool IsDriveType(int index)
{
    return index != kAutorunInfSwitch;
}

// "Select all" on the drive-type page: every drive type enabled; autorun.inf does not count.
bool AllDriveTypesEnabled(const AutoRunSettings& settings);
