#include "CBitmap.h"

#include "CWinApp.h"
#include "PictureScale.h"

#include <cstring>
#include <vector>

namespace {

// A top-down 32-bit layout, in which the pixels are 0xAARRGGBB words row by row.
BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

BOOL CBitmap::LoadBitmap(UINT id)
{
    return Attach(LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

BOOL CBitmap::CreateFitted(HBITMAP source, int width, int height)
{
    DeleteObject();
    BITMAP header = {};
    if (source == nullptr || GetObjectW(source, sizeof(header), &header) != sizeof(header))
        return FALSE;
    const morvex::PictureSize from = { header.bmWidth, header.bmHeight };
    const morvex::PictureSize to = morvex::FitPicture(from, { width, height });
    if (to.width == from.width && to.height == from.height)
        return FALSE;

    std::vector<std::uint32_t> pixels(static_cast<size_t>(from.width) * static_cast<size_t>(from.height));
    BITMAPINFO info = TopDown32(from.width, from.height);
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, source, 0, static_cast<UINT>(from.height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != from.height)
        return FALSE;
    // A picture of 24 bits comes back with no alpha at all: it is opaque.
    if (header.bmBitsPixel < 32)
        for (std::uint32_t& pixel : pixels)
            pixel |= 0xFF000000u;

    const std::vector<std::uint32_t> scaled = morvex::ScalePixels(pixels, from, to);
    BITMAPINFO scaledInfo = TopDown32(to.width, to.height);
    void* bits = nullptr;
    const HBITMAP copy = CreateDIBSection(nullptr, &scaledInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy == nullptr || scaled.empty())
    {
        if (copy != nullptr)
            ::DeleteObject(copy);
        return FALSE;
    }
    memcpy(bits, scaled.data(), scaled.size() * sizeof(scaled[0]));
    return Attach(copy);
}
