// Loaded into Morvex.exe by a message hook of the window tests (see HeldPicture.h): it tells
// which of the program's bitmap resources a picture control holds, reading the control's
// bitmap inside the program's own process, where its handle means something.
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

// The picture's pixels as 32-bit top-down rows; empty when it cannot be read.
std::vector<DWORD> PixelsOf(HBITMAP bitmap, LONG& width, LONG& height)
{
    std::vector<DWORD> pixels;
    BITMAP header{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof header, &header) != sizeof header)
        return pixels;
    width = header.bmWidth;
    height = header.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        pixels.clear();
    return pixels;
}

// The control shows the resource's pixels, or a copy of them whose colours it has multiplied
// by their alpha once more (a version 6 static control does that with a 32-bit picture).
bool SamePicture(const std::vector<DWORD>& resource, const std::vector<DWORD>& held)
{
    if (resource.size() != held.size())
        return false;
    for (size_t i = 0; i < resource.size(); ++i)
    {
        const DWORD alpha = resource[i] >> 24;
        if (held[i] == resource[i])
            continue;
        if (held[i] >> 24 != alpha)
            return false;
        for (int shift = 0; shift < 24; shift += 8)
        {
            const int multiplied = static_cast<int>((((resource[i] >> shift) & 0xFF) * alpha + 127) / 255);
            const int shown = static_cast<int>((held[i] >> shift) & 0xFF);
            if (shown < multiplied - 1 || shown > multiplied + 1)
                return false;
        }
    }
    return true;
}

struct Search
{
    std::vector<DWORD> held;
    LONG width = 0;
    LONG height = 0;
    int found = 0;
};

BOOL CALLBACK CompareBitmap(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    Search& search = *reinterpret_cast<Search*>(param);
    if (!IS_INTRESOURCE(name))
        return TRUE;
    const HBITMAP resource =
        static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    LONG width = 0;
    LONG height = 0;
    const std::vector<DWORD> pixels = PixelsOf(resource, width, height);
    if (resource != nullptr)
        DeleteObject(resource);
    if (width == search.width && height == search.height && SamePicture(pixels, search.held))
    {
        search.found = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
        return FALSE;
    }
    return TRUE;
}

// The id of the program's bitmap whose pixels the control's picture has; 0 for none.
int HeldBitmap(HWND control)
{
    Search search;
    const HBITMAP held = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    search.held = PixelsOf(held, search.width, search.height);
    if (search.held.empty())
        return 0;
    EnumResourceNamesW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(2) /* RT_BITMAP */, CompareBitmap,
                       reinterpret_cast<LONG_PTR>(&search));
    return search.found;
}

} // namespace

// A WH_GETMESSAGE hook on the program's window thread. The question is a posted message
// "MorvexTest.HeldBitmap" to the control, carrying the asking thread's id; the answer goes
// back to that thread as the same message with the control and the bitmap id. The program
// itself never sees the question.
extern "C" __declspec(dllexport) LRESULT CALLBACK PictureProbeHook(int code, WPARAM removed, LPARAM lParam)
{
    static const UINT question = RegisterWindowMessageW(L"MorvexTest.HeldBitmap");
    MSG* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && message->message == question)
    {
        PostThreadMessageW(static_cast<DWORD>(message->wParam), question, reinterpret_cast<WPARAM>(message->hwnd),
                           HeldBitmap(message->hwnd));
        message->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
}
