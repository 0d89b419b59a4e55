#include <gtest/gtest.h>

#include "AutoRunTabCtrl.h"

namespace {

TEST(AutoRunTabCtrl, PageStandsBelowTheFirstButtonInsideTheClientArea)
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
