#include "PictureScale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace morvex {
namespace {

// Weights are fixed-point numbers with 14 fraction bits, so that a channel (8 bits) times a
// weight, summed over all the taps, fits in 32 bits also after the first pass, which keeps 8
// fraction bits. Whole numbers keep the two passes exact for a picture of one colour and
// cost a fraction of what floating point did in the 32-bit product, which is built for x87.
const int kWeightBits = 14;
const int kOne = 1 << kWeightBits;
const int kFirstPassShift = kWeightBits - 8;

// The source pixels (already clamped to the picture) that one destination pixel draws on, and
// their weights, which sum to exactly kOne.
struct Taps
{
    std::vector<int> start;  // per destination pixel: its first entry in index and weight
    std::vector<int> index;
    std::vector<int> weight;
};

Taps MakeTaps(int from, int to)
{
    Taps taps;
    taps.start.reserve(static_cast<size_t>(to) + 1);
    const double ratio = static_cast<double>(from) / to;
    const double radius = std::max(1.0, ratio);
    std::vector<double> weights;
    for (int d = 0; d < to; ++d)
    {
        taps.start.push_back(static_cast<int>(taps.index.size()));
        const double centre = (d + 0.5) * ratio - 0.5;
        const int first = static_cast<int>(std::ceil(centre - radius));
        const int last = static_cast<int>(std::floor(centre + radius));
        weights.clear();
        double sum = 0;
        for (int s = first; s <= last; ++s)
        {
            const double weight = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            weights.push_back(weight);
            sum += weight;
        }
        // Pixels beyond the edge repeat the edge pixel: their weights go to it.
        const size_t begin = taps.index.size();
        int total = 0;
        for (int s = first; s <= last; ++s)
        {
            const int weight = static_cast<int>(weights[static_cast<size_t>(s - first)] / sum * kOne + 0.5);
            if (weight == 0)
                continue;
            const int source = std::min(std::max(s, 0), from - 1);
            if (taps.index.size() > begin && taps.index.back() == source)
            {
                taps.weight.back() += weight;
            }
            else
            {
                taps.index.push_back(source);
                taps.weight.push_back(weight);
            }
            total += weight;
        }
        if (taps.index.size() == begin)
        {
            taps.index.push_back(std::min(std::max(static_cast<int>(std::lround(centre)), 0), from - 1));
            taps.weight.push_back(0);
        }
        // Rounding may leave the sum a little off: the largest weight takes the difference.
        const auto largest = std::max_element(taps.weight.begin() + static_cast<std::ptrdiff_t>(begin), taps.weight.end());
        *largest += kOne - total;
    }
    taps.start.push_back(static_cast<int>(taps.index.size()));
    return taps;
}

} // namespace

std::vector<std::uint32_t> ScalePixels(const std::vector<std::uint32_t>& pixels, PictureSize from, PictureSize to)
{
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0 ||
        pixels.size() != static_cast<size_t>(from.width) * static_cast<size_t>(from.height))
        return {};

    const size_t toWidth = static_cast<size_t>(to.width);

    // Across: every source row to the new width, four channels (alpha, red, green, blue) per
    // pixel with 8 fraction bits.
    const Taps across = MakeTaps(from.width, to.width);
    std::vector<std::uint16_t> rows(toWidth * static_cast<size_t>(from.height) * 4);
    for (int y = 0; y < from.height; ++y)
    {
        const std::uint32_t* source = &pixels[static_cast<size_t>(y) * static_cast<size_t>(from.width)];
        std::uint16_t* out = &rows[static_cast<size_t>(y) * toWidth * 4];
        for (size_t x = 0; x < toWidth; ++x, out += 4)
        {
            std::uint32_t a = 0, r = 0, g = 0, b = 0;
            for (int k = across.start[x]; k < across.start[x + 1]; ++k)
            {
                const std::uint32_t pixel = source[across.index[static_cast<size_t>(k)]];
                const std::uint32_t weight = static_cast<std::uint32_t>(across.weight[static_cast<size_t>(k)]);
                a += (pixel >> 24) * weight;
                r += ((pixel >> 16) & 0xFF) * weight;
                g += ((pixel >> 8) & 0xFF) * weight;
                b += (pixel & 0xFF) * weight;
            }
            const std::uint32_t half = 1u << (kFirstPassShift - 1);
            out[0] = static_cast<std::uint16_t>((a + half) >> kFirstPassShift);
            out[1] = static_cast<std::uint16_t>((r + half) >> kFirstPassShift);
            out[2] = static_cast<std::uint16_t>((g + half) >> kFirstPassShift);
            out[3] = static_cast<std::uint16_t>((b + half) >> kFirstPassShift);
        }
    }

    // Down: each new row as the weighted sum of whole rows of the first pass.
    const Taps down = MakeTaps(from.height, to.height);
    std::vector<std::uint32_t> result(toWidth * static_cast<size_t>(to.height));
    std::vector<std::uint32_t> sum(toWidth * 4);
    const int shift = kWeightBits + 8;
    const std::uint32_t half = 1u << (shift - 1);
    for (int y = 0; y < to.height; ++y)
    {
        std::fill(sum.begin(), sum.end(), 0u);
        for (int k = down.start[static_cast<size_t>(y)]; k < down.start[static_cast<size_t>(y) + 1]; ++k)
        {
            const std::uint16_t* row = &rows[static_cast<size_t>(down.index[static_cast<size_t>(k)]) * toWidth * 4];
            const std::uint32_t weight = static_cast<std::uint32_t>(down.weight[static_cast<size_t>(k)]);
            for (size_t i = 0; i < sum.size(); ++i)
                sum[i] += row[i] * weight;
        }
        std::uint32_t* out = &result[static_cast<size_t>(y) * toWidth];
        for (size_t x = 0; x < toWidth; ++x)
        {
            const std::uint32_t* channel = &sum[x * 4];
            out[x] = (std::min(255u, (channel[0] + half) >> shift) << 24) |
                     (std::min(255u, (channel[1] + half) >> shift) << 16) |
                     (std::min(255u, (channel[2] + half) >> shift) << 8) | std::min(255u, (channel[3] + half) >> shift);
        }
    }
    return result;
}

PictureSize FitPicture(PictureSize picture, PictureSize control)
{
    if (picture.width <= 0 || picture.height <= 0 || control.width <= 0 || control.height <= 0)
        return picture;
    if (std::abs(control.width - picture.width) <= 1 && std::abs(control.height - picture.height) <= 1)
        return picture;
    const double across = static_cast<double>(control.width) / picture.width;
    const double down = static_cast<double>(control.height) / picture.height;
    // Dialog units are rounded from the font's size and do not grow in the same proportion
    // both ways: a difference that small is not seen, a band left empty beside the picture is.
    if (std::max(across, down) / std::min(across, down) < 1.05)
        return control;
    const double scale = std::min(across, down);
    return {std::max(1, static_cast<int>(std::lround(picture.width * scale))),
            std::max(1, static_cast<int>(std::lround(picture.height * scale)))};
}

} // namespace morvex
