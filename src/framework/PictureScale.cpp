#include "PictureScale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace morvex {
namespace {

// The source pixels that one destination pixel draws on, with their weights (summing to 1).
struct Tap
{
    int first;
    std::vector<float> weights;
};

std::vector<Tap> Taps(int from, int to)
{
    std::vector<Tap> taps(static_cast<size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    const double radius = std::max(1.0, ratio);
    for (int d = 0; d < to; ++d)
    {
        const double centre = (d + 0.5) * ratio - 0.5;
        const int first = static_cast<int>(std::ceil(centre - radius));
        const int last = static_cast<int>(std::floor(centre + radius));
        Tap& tap = taps[static_cast<size_t>(d)];
        tap.first = first;
        double sum = 0;
        for (int s = first; s <= last; ++s)
        {
            const double weight = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            tap.weights.push_back(static_cast<float>(weight));
            sum += weight;
        }
        for (float& weight : tap.weights)
            weight = static_cast<float>(weight / sum);
    }
    return taps;
}

int Clamp(int value, int count)
{
    return std::min(std::max(value, 0), count - 1);
}

} // namespace

std::vector<std::uint32_t> ScalePixels(const std::vector<std::uint32_t>& pixels, PictureSize from, PictureSize to)
{
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0 ||
        pixels.size() != static_cast<size_t>(from.width) * static_cast<size_t>(from.height))
        return {};

    // The four channels from the top byte down: alpha, red, green, blue.
    std::vector<float> source(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        for (int c = 0; c < 4; ++c)
            source[i * 4 + static_cast<size_t>(c)] = static_cast<float>((pixels[i] >> (24 - 8 * c)) & 0xFF);

    const std::vector<Tap> across = Taps(from.width, to.width);
    std::vector<float> rows(static_cast<size_t>(to.width) * static_cast<size_t>(from.height) * 4);
    for (int y = 0; y < from.height; ++y)
        for (int x = 0; x < to.width; ++x)
        {
            const Tap& tap = across[static_cast<size_t>(x)];
            float* out = &rows[(static_cast<size_t>(y) * to.width + x) * 4];
            for (size_t k = 0; k < tap.weights.size(); ++k)
            {
                const size_t s = static_cast<size_t>(y) * from.width + Clamp(tap.first + static_cast<int>(k), from.width);
                for (int c = 0; c < 4; ++c)
                    out[c] += tap.weights[k] * source[s * 4 + static_cast<size_t>(c)];
            }
        }

    const std::vector<Tap> down = Taps(from.height, to.height);
    std::vector<std::uint32_t> result(static_cast<size_t>(to.width) * static_cast<size_t>(to.height));
    for (int y = 0; y < to.height; ++y)
        for (int x = 0; x < to.width; ++x)
        {
            const Tap& tap = down[static_cast<size_t>(y)];
            float sum[4] = {};
            for (size_t k = 0; k < tap.weights.size(); ++k)
            {
                const size_t s = static_cast<size_t>(Clamp(tap.first + static_cast<int>(k), from.height)) * to.width + x;
                for (int c = 0; c < 4; ++c)
                    sum[c] += tap.weights[k] * rows[s * 4 + static_cast<size_t>(c)];
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c)
            {
                const long channel = std::min(255L, std::max(0L, std::lround(sum[c])));
                pixel |= static_cast<std::uint32_t>(channel) << (24 - 8 * c);
            }
            result[static_cast<size_t>(y) * to.width + x] = pixel;
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
