#pragma once
// Resizing of pictures for screens of more than 96 dots per inch, as pure code: pixels are
// 0xAARRGGBB words, row by row, with the colours premultiplied by their alpha, as in the
// 32-bit bitmaps of the resources (for opaque pictures that changes nothing).

#include <cstdint>
#include <vector>

namespace morvex {

struct PictureSize
{
    int width;
    int height;
};

// The picture resized to width x height with a linear filter that widens when shrinking, so
// that every source pixel counts: smooth when enlarged, no lost lines when reduced. Being
// premultiplied, transparent pixels never darken the edges. Empty when a
// size is not positive or the pixels do not match the source size.
std::vector<std::uint32_t> ScalePixels(const std::vector<std::uint32_t>& pixels, PictureSize from, PictureSize to);

// The size at which a picture fills a control of the given size: the control's own size when
// that stretches the picture by less than 5 % more one way than the other, otherwise scaled
// by the smaller of the two ratios, without distortion. Within a pixel of the picture's own
// size the picture stays as it is, so that it is never resampled for a rounding difference.
PictureSize FitPicture(PictureSize picture, PictureSize control);

} // namespace morvex
