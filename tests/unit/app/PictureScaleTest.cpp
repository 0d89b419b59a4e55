// Scaling of the pictures for screens of more than 96 DPI: sizes, colours kept, nothing lost
// when reducing, no dark fringes from transparent pixels.
#include "PictureScale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using morvex::FitPicture;
using morvex::PictureSize;
using morvex::ScalePixels;

std::vector<std::uint32_t> Filled(PictureSize size, std::uint32_t pixel)
{
    return std::vector<std::uint32_t>(static_cast<size_t>(size.width * size.height), pixel);
}

unsigned Channel(std::uint32_t pixel, int shift)
{
    return (pixel >> shift) & 0xFF;
}

TEST(PictureScale, OneColourStaysThatColourAtEveryScale)
{
    const PictureSize sizes[] = {{24, 24}, {32, 32}, {11, 7}, {1, 1}, {750, 3}};
    for (const PictureSize to : sizes)
    {
        const auto scaled = ScalePixels(Filled({16, 16}, 0xFF1E6FBAu), {16, 16}, to);
        ASSERT_EQ(static_cast<size_t>(to.width * to.height), scaled.size()) << to.width << "x" << to.height;
        for (std::uint32_t pixel : scaled)
            ASSERT_EQ(0xFF1E6FBAu, pixel) << to.width << "x" << to.height;
    }
}

// A one-pixel line must not vanish between the sample points of a reduction.
TEST(PictureScale, ReducingAveragesEverySourcePixel)
{
    const PictureSize from = {8, 1};
    std::vector<std::uint32_t> line = Filled(from, 0xFF000000u);
    line[3] = 0xFFFFFFFFu;
    const auto scaled = ScalePixels(line, from, {2, 1});
    ASSERT_EQ(2u, scaled.size());
    EXPECT_GT(Channel(scaled[0], 16), 20u) << "the white pixel was dropped";
    EXPECT_LT(Channel(scaled[0], 16), 200u);
    EXPECT_EQ(0xFFu, Channel(scaled[0], 24));
}

// Enlarging interpolates between neighbours instead of repeating them.
TEST(PictureScale, EnlargingIsSmooth)
{
    const std::vector<std::uint32_t> pair = {0xFF000000u, 0xFFFFFFFFu};
    const auto scaled = ScalePixels(pair, {2, 1}, {8, 1});
    ASSERT_EQ(8u, scaled.size());
    for (size_t i = 1; i < scaled.size(); ++i)
        EXPECT_LE(Channel(scaled[i - 1], 8), Channel(scaled[i], 8)) << i;
    EXPECT_EQ(0u, Channel(scaled.front(), 8));
    EXPECT_EQ(255u, Channel(scaled.back(), 8));
    EXPECT_GT(Channel(scaled[4], 8), 60u);
    EXPECT_LT(Channel(scaled[3], 8), 200u);
}

// Premultiplied pixels: beside a transparent pixel an opaque red stays red, only less opaque.
TEST(PictureScale, TransparentPixelsDoNotDarkenTheEdge)
{
    const std::vector<std::uint32_t> pair = {0x00000000u, 0xFFFF0000u};
    for (std::uint32_t pixel : ScalePixels(pair, {2, 1}, {5, 1}))
    {
        const unsigned alpha = Channel(pixel, 24);
        EXPECT_EQ(alpha, Channel(pixel, 16)) << std::hex << pixel;
        EXPECT_EQ(0u, Channel(pixel, 8)) << std::hex << pixel;
    }
}

TEST(PictureScale, BadSizesGiveNothing)
{
    EXPECT_TRUE(ScalePixels(Filled({4, 4}, 0), {4, 4}, {0, 3}).empty());
    EXPECT_TRUE(ScalePixels(Filled({4, 4}, 0), {4, 4}, {3, -1}).empty());
    EXPECT_TRUE(ScalePixels(Filled({4, 3}, 0), {4, 4}, {8, 8}).empty()) << "fewer pixels than the size says";
    EXPECT_TRUE(ScalePixels({}, {0, 0}, {8, 8}).empty());
}

struct FitCase
{
    PictureSize picture;
    PictureSize control;
    PictureSize expected;
};

TEST(PictureScale, FitFillsTheControlUnlessThatDistortsAndLeavesRoundingAlone)
{
    const FitCase cases[] = {
        {{16, 16}, {16, 16}, {16, 16}},       // 96 DPI
        {{230, 40}, {230, 41}, {230, 40}},    // a pixel of rounding in the dialog units
        {{30, 30}, {30, 29}, {30, 30}},
        {{16, 16}, {24, 25}, {24, 25}},       // 144 DPI: 4 % more down than across
        {{500, 101}, {748, 149}, {748, 149}},
        {{500, 101}, {1000, 260}, {1000, 202}}, // much taller: proportions kept
        {{16, 16}, {40, 24}, {24, 24}},
        {{20, 20}, {0, 10}, {20, 20}},        // a control of no size: left as it is
    };
    for (const FitCase& c : cases)
    {
        const PictureSize fitted = FitPicture(c.picture, c.control);
        EXPECT_EQ(c.expected.width, fitted.width) << c.control.width << "x" << c.control.height;
        EXPECT_EQ(c.expected.height, fitted.height) << c.control.width << "x" << c.control.height;
    }
}

} // namespace
