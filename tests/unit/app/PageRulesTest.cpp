#include <gtest/gtest.h>

#include "PageRules.h"

namespace {

AutoRunSettings WithSwitches(std::initializer_list<int> enabled)
{
    AutoRunSettings settings;
    for (int index : enabled)
        SetSwitch(settings, index, true);
    return settings;
}

TEST(PageRules, SwitchIndexFollowsTheControlIds)
{
    // Check box 1000 + i shows switch i.
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
    bool selectAll;
};

TEST(PageRules, StatusAndSelectAll)
{
    const StatusCase cases[] = {
        { {}, ProtectionState::Safe, false },
        { { 0 }, ProtectionState::NotControlled, false },
        { { 0, 1, 2, 3, 4, 5, 6 }, ProtectionState::NotControlled, true },
        { { 5 }, ProtectionState::NotCompletelySafe, false },
        { { 1 }, ProtectionState::NotCompletelySafe, false },
        { { 1, 2, 3, 4, 5, 6 }, ProtectionState::NotCompletelySafe, true },
        { { 1, 2, 3, 4, 5 }, ProtectionState::NotCompletelySafe, false },
        { { 2, 3, 4, 5, 6 }, ProtectionState::NotCompletelySafe, false },
    };
    for (const StatusCase& c : cases)
    {
        AutoRunSettings settings = WithSwitches(c.enabled);
        settings.disabledLetters = L"A,B,C"; // letters never change the status
        EXPECT_EQ(c.state, EvaluateProtection(settings));
        EXPECT_EQ(c.selectAll, AllDriveTypesEnabled(settings));
    }
}

TEST(PageRules, LanguageSelector)
{
    EXPECT_EQ(0, LanguageIndex("en"));
    EXPECT_EQ(1, LanguageIndex("de"));
    EXPECT_EQ(2, LanguageIndex("fr"));
    EXPECT_EQ(0, LanguageIndex("FR"));
    EXPECT_EQ(0, LanguageIndex(""));
    EXPECT_STREQ("en", LanguageCodeAt(0));
    EXPECT_STREQ("de", LanguageCodeAt(1));
    EXPECT_STREQ("fr", LanguageCodeAt(2));
    EXPECT_STREQ("en", LanguageCodeAt(-1)); // no selection
    EXPECT_STREQ("en", LanguageCodeAt(3));
}

TEST(PageRules, PageStandsBelowTheFirstButtonInsideTheClientArea)
{
    const RECT client = { 0, 0, 500, 278 };
    const RECT firstItem = { 2, 2, 99, 21 };
    const PagePlacement place = PagePlacementFor(client, firstItem);
    EXPECT_EQ(2, place.x);
    EXPECT_EQ(22, place.y);
    EXPECT_EQ(497, place.width);  // right edge at 499, one pixel inside
    EXPECT_EQ(255, place.height); // bottom edge at 277, one pixel inside
}

} // namespace
