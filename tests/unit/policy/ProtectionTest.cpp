// The status the overview page and the command line show, from the switches alone; the
// status after an incomplete read is in AutoRunSettingsTests.
#include <gtest/gtest.h>

#include <initializer_list>

#include "AutoRunSettings.h"
#include "Protection.h"

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

} // namespace
