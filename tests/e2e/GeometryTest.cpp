// The window's layout at the screen's DPI, in every language: the pictures fill their places,
// the balls sit beside their boxes, nothing overlaps or leaves the window, every text fits.
// The test build runs these at 96 DPI with the other window tests, and again at 144 and 192
// DPI on a larger screen (see CMakeLists.txt); MORVEX_EXPECTED_DPI then names the DPI the run
// must have.
#include "MorvexFixture.h"

#include "resource.h"

#include <cstdlib>
#include <sstream>

namespace e2e {
namespace {

int ScreenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The rectangle of a window in its parent's client coordinates.
RECT PlaceInParent(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(HWND window)
{
    const RECT r = PlaceInParent(window);
    std::ostringstream out;
    out << GetDlgCtrlID(window) << " \"" << Utf8(TextOf(window)) << "\" (" << r.left << "," << r.top << ")-(" << r.right
        << "," << r.bottom << ")";
    return out.str();
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child))
            children.push_back(child);
    return children;
}

bool IsGroupBox(HWND window)
{
    return ClassOf(window) == L"Button" && (GetWindowLongW(window, GWL_STYLE) & 0x0F) == BS_GROUPBOX;
}

bool Contains(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The rows of a picture that show something other than the background (white).
std::pair<int, int> PaintedRows(const Pixels& pixels)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
            const COLORREF c = pixels.data[static_cast<size_t>(y * pixels.width + x)];
            if (GetRValue(c) < 230 || GetGValue(c) < 230 || GetBValue(c) < 230) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    return {first, last};
}

class Geometry : public MorvexTest, public ::testing::WithParamInterface<LanguageCase>
{
protected:
    void SetUp() override
    {
        MorvexTest::SetUp();
        dpi = ScreenDpi();
        if (const char* expected = std::getenv("MORVEX_EXPECTED_DPI")) {
            ASSERT_EQ(std::atoi(expected), dpi) << "the screen does not have the DPI this run is for";
        }
        // The dialog font: "MS Shell Dlg" at 8 points for the screen's DPI.
        font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
        ASSERT_NE(nullptr, font);
    }

    void TearDown() override
    {
        if (font)
            DeleteObject(font);
        MorvexTest::TearDown();
    }

    int Scaled(int pixelsAt96) const { return MulDiv(pixelsAt96, dpi, 96); }

    // The size the text takes in the dialog font, on one line or broken at words to the width.
    SIZE TextSize(const std::wstring& text, int wrapWidth = 0) const
    {
        const HDC dc = GetDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, font);
        RECT rect = {0, 0, wrapWidth > 0 ? wrapWidth : 10000, 0};
        DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }

    // Every text control shows its whole text: check boxes and group boxes beside their box
    // or frame, push buttons inside their edges, labels within their lines.
    void ExpectTextsFit(HWND parent, const char* where)
    {
        for (HWND child : Children(parent)) {
            const std::wstring text = TextOf(child);
            const std::wstring kind = ClassOf(child);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            RECT client{};
            GetClientRect(child, &client);
            if (text.empty() || (kind != L"Button" && kind != L"Static"))
                continue;
            if (kind == L"Static" && (style & SS_TYPEMASK) != SS_LEFT)
                continue;
            const LONG type = style & 0x0F;
            SIZE need{};
            if (kind == L"Static") {
                need = TextSize(text, client.right);
                need.cx = std::min<LONG>(need.cx, client.right);
            } else if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) {
                need = TextSize(text);
                need.cx += Scaled(16);
            } else if (type == BS_GROUPBOX) {
                need = TextSize(text);
                need.cx += Scaled(14);
                need.cy = 0;
            } else {
                need = TextSize(text);
                need.cx += Scaled(8);
            }
            EXPECT_LE(need.cx, client.right) << where << ": too narrow for its text: " << Describe(child);
            EXPECT_LE(need.cy, client.bottom) << where << ": too low for its text: " << Describe(child);
        }
    }

    // Siblings do not overlap (a group box holds the controls inside it), and every one stays
    // inside its parent's client area.
    void ExpectNoOverlap(HWND parent, const char* where)
    {
        RECT area{};
        GetClientRect(parent, &area);
        const std::vector<HWND> children = Children(parent);
        for (size_t i = 0; i < children.size(); ++i) {
            const RECT a = PlaceInParent(children[i]);
            EXPECT_TRUE(Contains(area, a)) << where << ": outside its window: " << Describe(children[i]);
            for (size_t j = i + 1; j < children.size(); ++j) {
                const RECT b = PlaceInParent(children[j]);
                RECT common{};
                if (!IntersectRect(&common, &a, &b))
                    continue;
                const bool grouped = (IsGroupBox(children[i]) && Contains(a, b)) ||
                                     (IsGroupBox(children[j]) && Contains(b, a));
                EXPECT_TRUE(grouped) << where << ": " << Describe(children[i]) << " overlaps " << Describe(children[j]);
            }
        }
    }

    int dpi = 96;
    HFONT font = nullptr;
};

TEST_P(Geometry, PicturesFillTheirPlacesAndEveryTextFits)
{
    const LanguageCase& c = GetParam();
    ASSERT_TRUE(Launch());
    if (c.index != 0) {
        const std::string title = Translated(LanguageFile(c.code), "Morvex by Kestrune");
        SelectComboItem(PageItem(kOverviewPage, IDC_LANGUAGE), c.index);
        ASSERT_TRUE(WaitUntil([&] { return Utf8(TextOf(main)) == title; }));
    }

    // The top banner spans the client area, painted to both edges.
    RECT client{};
    GetClientRect(main, &client);
    HWND banner = Item(main, IDC_TOP_BANNER);
    const RECT bannerPlace = PlaceInParent(banner);
    EXPECT_LE(std::abs(bannerPlace.left), 2);
    EXPECT_LE(std::abs(bannerPlace.right - client.right), 2) << "banner " << Describe(banner) << ", client width "
                                                             << client.right;
    Pixels bannerPixels;
    ASSERT_TRUE(WaitUntil([&] {
        bannerPixels = Capture(banner);
        const auto rows = PaintedRows(bannerPixels);
        return rows.first >= 0 && rows.first <= 2 && rows.second >= bannerPixels.height - 3;
    })) << "the banner picture does not fill its height";
    for (int x : {1, bannerPixels.width - 2}) {
        const COLORREF edge = bannerPixels.data[static_cast<size_t>(bannerPixels.height / 2 * bannerPixels.width + x)];
        EXPECT_FALSE(GetRValue(edge) > 230 && GetGValue(edge) > 230 && GetBValue(edge) > 230)
            << "a white band at column " << x << " of the banner";
    }

    ExpectNoOverlap(main, "main window");
    ExpectTextsFit(main, "main window");
    const char* const names[kPageCount] = {"overview page", "drive-type page", "drive-letter page"};
    for (int page = 0; page < kPageCount; ++page) {
        ASSERT_TRUE(ShowPage(page));
        ExpectNoOverlap(PageWindow(page), names[page]);
        ExpectTextsFit(PageWindow(page), names[page]);
        RECT tabArea{};
        GetClientRect(tabs, &tabArea);
        EXPECT_TRUE(Contains(tabArea, PlaceInParent(PageWindow(page)))) << names[page] << " leaves the tab control";
    }

    // Each ball is drawn centred on the height of its check box.
    ASSERT_TRUE(ShowPage(kDriveTypePage));
    for (int i = 0; i < 7; ++i) {
        HWND ball = PageItem(kDriveTypePage, IDC_BALL_RUN_AUTORUN_INF + i);
        HWND box = PageItem(kDriveTypePage, IDC_RUN_AUTORUN_INF + i);
        const RECT ballPlace = PlaceInParent(ball);
        const RECT boxPlace = PlaceInParent(box);
        std::pair<int, int> rows{-1, -1};
        ASSERT_TRUE(WaitUntil([&] { return (rows = PaintedRows(Capture(ball))).first >= 0; })) << "ball " << i;
        const int ballCentre2 = 2 * ballPlace.top + rows.first + rows.second + 1;
        const int boxCentre2 = boxPlace.top + boxPlace.bottom;
        EXPECT_LE(std::abs(ballCentre2 - boxCentre2), 4) << "ball " << i << " painted on rows " << rows.first << "-"
                                                         << rows.second << " of " << Describe(ball) << ", box "
                                                         << Describe(box);
        EXPECT_GE(rows.second - rows.first + 1, Scaled(16) - 3) << "ball " << i << " is not drawn at the screen's DPI";
    }

    // The other pictures are drawn at the screen's DPI too: their painted height grows with it.
    struct Picture
    {
        int page; // -1: the main window
        int id;
        int heightAt96; // of the figure: the warning triangle leaves transparent rows
    };
    const Picture pictures[] = {
        {-1, IDC_BOTTOM_BANNER, 40}, {-1, IDC_RESOURCES_ICON, 20}, {kOverviewPage, IDC_STATUS_PICTURE, 26}};
    ASSERT_TRUE(ShowPage(kOverviewPage));
    for (const Picture& p : pictures) {
        HWND picture = p.page < 0 ? Item(main, p.id) : PageItem(p.page, p.id);
        std::pair<int, int> rows{-1, -1};
        EXPECT_TRUE(WaitUntil([&] {
            rows = PaintedRows(Capture(picture));
            return rows.first >= 0 && rows.second - rows.first + 1 >= Scaled(p.heightAt96) - 3;
        })) << "picture " << p.id << " painted on rows " << rows.first << "-" << rows.second << " of "
            << Describe(picture);
    }

    // The about box: centred over the window, its icon at the screen's DPI, its texts fitting.
    PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND window : TopLevelDialogs(process.Id()))
            if (GetDlgItem(window, IDC_VERSION_LINE))
                about = window;
        return about != nullptr;
    }));
    HWND icon = GetWindow(about, GW_CHILD);
    while (icon && (GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        icon = GetWindow(icon, GW_HWNDNEXT);
    ASSERT_NE(nullptr, icon);
    RECT iconArea{};
    GetClientRect(icon, &iconArea);
    EXPECT_EQ(Scaled(32), iconArea.right) << "the about box's icon";
    ExpectNoOverlap(about, "about box");
    ExpectTextsFit(about, "about box");
    Click(Item(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(Languages, Geometry,
                         ::testing::Values(LanguageCase{0, "en"}, LanguageCase{1, "de"}, LanguageCase{2, "fr"}),
                         LanguageCaseName);

} // namespace
} // namespace e2e
