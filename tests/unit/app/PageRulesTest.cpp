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

TEST(PageRules, SelectAllMeansEverySixDriveTypes)
{
    const struct
    {
        std::initializer_list<int> enabled;
        bool selectAll;
    } cases[] = {
        { {}, false },
        { { 0 }, false },
        { { 0, 1, 2, 3, 4, 5, 6 }, true },
        { { 1, 2, 3, 4, 5, 6 }, true },
        { { 1, 2, 3, 4, 5 }, false },
        { { 2, 3, 4, 5, 6 }, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.selectAll, AllDriveTypesEnabled(WithSwitches(c.enabled)));
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
