#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "Afx.h"
#include "TextConvert.h"

namespace {

// A control object with handlers in its own map and in its base class's map.
class ProbeBase : public CStatic
{
public:
    int erases = 0;

protected:
    BOOL OnEraseBkgnd(HDC)
    {
        ++erases;
        return TRUE;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeBase, CStatic)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

class Probe : public ProbeBase
{
public:
    int cursorRequests = 0;
    bool hookSawWindow = false;
    LRESULT defaultResult = -1;

protected:
    void PreSubclassWindow() override { hookSawWindow = GetSafeHwnd() != nullptr; }
    BOOL OnSetCursor(HWND, UINT, UINT)
    {
        ++cursorRequests;
        return TRUE;
    }
    void OnLButtonDown(UINT, POINT)
    {
        // The control's own handling, asked for inside the handler.
        defaultResult = Default();
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Probe, ProbeBase)
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

HWND MakeStatic(DWORD style)
{
    return CreateWindowExW(0, L"STATIC", L"probe text", WS_POPUP | style, 0, 0, 40, 40, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

TEST(Framework, MessageMapsChainToTheBaseAndFallBackToTheControl)
{
    const HWND hwnd = MakeStatic(SS_LEFT);
    ASSERT_NE(nullptr, hwnd);
    Probe probe;
    ASSERT_TRUE(probe.SubclassWindow(hwnd));
    EXPECT_TRUE(probe.hookSawWindow);
    EXPECT_FALSE(probe.SubclassWindow(hwnd)); // bound once only

    EXPECT_EQ(TRUE, SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(1, probe.cursorRequests);
    EXPECT_EQ(TRUE, SendMessageW(hwnd, WM_ERASEBKGND, 0, 0));
    EXPECT_EQ(1, probe.erases);
    SendMessageW(hwnd, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(0, probe.defaultResult);

    // Not in any map: the control answers itself.
    EXPECT_EQ(L"probe text", probe.GetWindowText());

    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, probe.GetSafeHwnd());
}

LRESULT CALLBACK CountTextsSet(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR counter)
{
    if (message == WM_SETTEXT)
        ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// A text that a window shows already is not given to it again (no repaint, no new title for
// the window manager); any other text is, an empty one too.
TEST(Framework, TextsAreSetOnlyWhereTheyChange)
{
    const HWND parent = MakeStatic(SS_LEFT);
    ASSERT_NE(nullptr, parent);
    const HWND child = CreateWindowExW(0, L"STATIC", L"probe text", WS_CHILD, 0, 0, 40, 20, parent,
                                       reinterpret_cast<HMENU>(7), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, child);
    int parentSets = 0;
    int childSets = 0;
    ASSERT_TRUE(SetWindowSubclass(parent, CountTextsSet, 1, reinterpret_cast<DWORD_PTR>(&parentSets)));
    ASSERT_TRUE(SetWindowSubclass(child, CountTextsSet, 1, reinterpret_cast<DWORD_PTR>(&childSets)));
    CStatic window;
    ASSERT_TRUE(window.SubclassWindow(parent));

    const struct
    {
        const wchar_t* text;
        int sets; // WM_SETTEXT messages so far, on each window
    } steps[] = {{L"probe text", 0}, {L"other text", 1}, {L"other text", 1}, {L"", 2}, {L"", 2}, {L"probe text", 3}};
    for (const auto& step : steps)
    {
        window.SetWindowText(step.text);
        window.SetDlgItemText(7, step.text);
        EXPECT_EQ(step.text, window.GetWindowText());
        EXPECT_EQ(step.text, window.GetDlgItemText(7));
        EXPECT_EQ(step.sets, parentSets) << "after \"" << morvex::WideToUtf8(step.text) << "\"";
        EXPECT_EQ(step.sets, childSets) << "after \"" << morvex::WideToUtf8(step.text) << "\"";
    }
    DestroyWindow(parent);
}

HBITMAP MakeAlphaBitmap(BYTE alpha)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr)
    {
        DWORD* pixels = static_cast<DWORD*>(bits);
        for (int i = 0; i < 16; ++i)
            pixels[i] = (static_cast<DWORD>(alpha) << 24) | 0x00204060u;
    }
    return bitmap;
}

bool IsBitmap(HBITMAP bitmap)
{
    BITMAP info;
    return GetObjectW(bitmap, sizeof(info), &info) == sizeof(info);
}

TEST(Framework, PicturesOfTheCallerStayValidWhileTheyAreSwapped)
{
    const HWND hwnd = MakeStatic(SS_BITMAP);
    ASSERT_NE(nullptr, hwnd);
    CStatic picture;
    ASSERT_TRUE(picture.SubclassWindow(hwnd));
    const HBITMAP red = MakeAlphaBitmap(0x80);
    const HBITMAP green = MakeAlphaBitmap(0xFF);
    ASSERT_NE(nullptr, red);
    ASSERT_NE(nullptr, green);

    const HBITMAP sequence[] = { red, green, green, red, green };
    for (HBITMAP bitmap : sequence)
    {
        picture.SetBitmap(bitmap);
        EXPECT_TRUE(IsBitmap(red));
        EXPECT_TRUE(IsBitmap(green));
        EXPECT_TRUE(IsBitmap(picture.GetBitmap()));
    }
    DestroyWindow(hwnd);
    DeleteObject(red);
    DeleteObject(green);
}

BITMAP Header(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    return info;
}

// A picture control keeps its size and shows the caller's 4 x 4 bitmap scaled to it, again
// when it is resized; at its own size the caller's bitmap is shown as it is.
TEST(Framework, PicturesFillTheirControlWhenItIsLargerOrResized)
{
    const HWND hwnd = MakeStatic(SS_BITMAP | SS_CENTERIMAGE);
    ASSERT_NE(nullptr, hwnd);
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 12, 12, SWP_NOMOVE | SWP_NOZORDER));
    CStatic picture;
    ASSERT_TRUE(picture.SubclassWindow(hwnd));
    const HBITMAP source = MakeAlphaBitmap(0xFF);
    ASSERT_NE(nullptr, source);

    picture.SetBitmap(source);
    EXPECT_EQ(12, Header(picture.GetBitmap()).bmWidth);
    EXPECT_EQ(12, Header(picture.GetBitmap()).bmHeight);
    RECT client = {};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(12, client.right) << "the control took the bitmap's size";

    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 8, 10, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_EQ(8, Header(picture.GetBitmap()).bmWidth);
    EXPECT_EQ(8, Header(picture.GetBitmap()).bmHeight);

    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 4, 4, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_EQ(4, Header(picture.GetBitmap()).bmWidth);
    EXPECT_TRUE(IsBitmap(source));
    DestroyWindow(hwnd);
    DeleteObject(source);
}

// Controls of one size that show one bitmap show one fitted copy; a control of another size
// gets its own, and the copy stays valid while any control shows it.
TEST(Framework, ControlsOfOneSizeShareOneFittedCopy)
{
    const HWND hwnds[] = {MakeStatic(SS_BITMAP | SS_CENTERIMAGE), MakeStatic(SS_BITMAP | SS_CENTERIMAGE)};
    CStatic pictures[2];
    for (int i = 0; i < 2; ++i)
    {
        ASSERT_NE(nullptr, hwnds[i]);
        ASSERT_TRUE(SetWindowPos(hwnds[i], nullptr, 0, 0, 12, 12, SWP_NOMOVE | SWP_NOZORDER));
        ASSERT_TRUE(pictures[i].SubclassWindow(hwnds[i]));
    }
    const HBITMAP source = MakeAlphaBitmap(0xFF);
    ASSERT_NE(nullptr, source);

    pictures[0].SetBitmap(source);
    const HBITMAP fitted = pictures[0].GetBitmap();
    pictures[1].SetBitmap(source);
    EXPECT_EQ(fitted, pictures[1].GetBitmap());
    pictures[0].SetBitmap(source); // shown already: the same copy
    EXPECT_EQ(fitted, pictures[0].GetBitmap());

    ASSERT_TRUE(SetWindowPos(hwnds[0], nullptr, 0, 0, 8, 8, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_EQ(8, Header(pictures[0].GetBitmap()).bmWidth);
    EXPECT_EQ(fitted, pictures[1].GetBitmap());
    EXPECT_TRUE(IsBitmap(fitted)) << "still shown by the other control";
    EXPECT_EQ(12, Header(fitted).bmWidth);

    for (HWND hwnd : hwnds)
        DestroyWindow(hwnd);
    DeleteObject(source);
}

} // namespace

namespace {

// An application that records what its handlers threw instead of showing or ending.
class RecordingApp : public CWinApp
{
public:
    std::vector<std::string> reports; // what() of each std::exception, "?" for anything else

    void ProcessWndProcException(HWND, const std::exception* error) override
    {
        reports.push_back(error != nullptr ? error->what() : "?");
    }
};

// A control whose handlers throw, as a handler that runs out of memory would.
class Thrower : public CStatic
{
protected:
    BOOL OnSetCursor(HWND, UINT, UINT) { throw std::runtime_error("no memory for the text"); }
    BOOL OnEraseBkgnd(HDC) { throw 42; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Thrower, CStatic)
    ON_WM_SETCURSOR()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

} // namespace

TEST(Framework, NoExceptionOfAHandlerCrossesTheSystem)
{
    RecordingApp app;
    const HWND hwnd = MakeStatic(SS_LEFT);
    ASSERT_NE(nullptr, hwnd);
    Thrower thrower;
    ASSERT_TRUE(thrower.SubclassWindow(hwnd));

    // Each throw reaches the application; the message answers 0 and the window lives on.
    EXPECT_EQ(0, SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(0, SendMessageW(hwnd, WM_ERASEBKGND, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"no memory for the text", "?"}), app.reports);
    EXPECT_EQ(L"probe text", thrower.GetWindowText());

    // The same guard runs every dialog procedure and the modal loop's filter.
    EXPECT_EQ(7, AfxCallHandler<int>(hwnd, 7, []() -> int { throw std::bad_alloc(); }));
    EXPECT_EQ(1, AfxCallHandler<int>(hwnd, 7, [] { return 1; }));
    EXPECT_EQ(3u, app.reports.size());
    DestroyWindow(hwnd);
}
