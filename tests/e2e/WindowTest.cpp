// The window as it opens: texts, the policy shown for typical registry states, unreadable
// registry states, page switching, the about box and closing without writing.
#include "MorvexFixture.h"

#include "MorvexVersion.h"
#include "resource.h"

namespace e2e {
namespace {

constexpr bool T = true;
constexpr bool F = false;

struct StartCase
{
    const char* name;
    std::vector<RegSetting> registry;
    std::array<bool, 7> fields; // what the pages must show
    const char* letters;
};

// Names the case in test listings.
std::ostream& operator<<(std::ostream& out, const StartCase& c)
{
    return out << c.name;
}

class StartState : public MorvexTest, public ::testing::WithParamInterface<StartCase>
{
};

TEST_P(StartState, PagesShowThePolicyAndCancelWritesNothing)
{
    const StartCase& c = GetParam();
    Apply(c.registry);
    const RegistrySnapshot before;

    ASSERT_TRUE(Launch());
    EXPECT_EQ(kOverviewPage, VisiblePage()) << "the first page shows when the window opens";
    ExpectScreen(ExpectedScreen(c.fields, c.letters));
    ExpectNoMessageBox();

    CancelAndExpectExit();
    const RegistrySnapshot after;
    EXPECT_TRUE(before == after) << before.Differences(after);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, StartState,
    ::testing::Values(
        StartCase{"NoValues", {}, {T, T, T, T, T, T, T}, ""},
        StartCase{"Typical",
                  {{HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x91)},
                   {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveAutoRun", Dword(0x14)}},
                  {T, F, T, T, F, T, T},
                  "C,E"},
        StartCase{"AllOff",
                  {{HKEY_LOCAL_MACHINE, kIniMappingKey, L"", String(kDoesNotExist)},
                   {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0xFF)},
                   {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", Dword(0)}},
                  {F, F, F, F, F, F, F},
                  ""},
        StartCase{"OnlyCdromOn",
                  {{HKEY_LOCAL_MACHINE, kIniMappingKey, L"", String(L"@sys:doesNOTexist")},
                   {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0xDF)},
                   {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", Dword(1)}},
                  {F, F, F, F, F, T, F},
                  ""},
        // Both hives count; the service value alone switches CD-ROM off.
        StartCase{"BothHives",
                  {{HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x04)},
                   {HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x08)},
                   {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", Dword(0)},
                   {HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveAutoRun", Dword(0x2000008)}},
                  {T, T, F, F, T, F, T},
                  "D,Z"}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(MorvexTest, WindowButtonsAndTabsCarryTheirEnglishTexts)
{
    ASSERT_TRUE(Launch());
    EXPECT_EQ(L"Morvex by Kestrune", TextOf(main));
    EXPECT_EQ(L"&Save", TextOf(Item(main, IDOK)));
    EXPECT_EQ(L"&Cancel", TextOf(Item(main, IDCANCEL)));
    ASSERT_EQ(3, TabItemCount(tabs));
    EXPECT_EQ(L"Disable AutoRun", TabItemText(tabs, 0));
    EXPECT_EQ(L"by Drive Type", TabItemText(tabs, 1));
    EXPECT_EQ(L"by Drive Letter", TabItemText(tabs, 2));
    EXPECT_EQ(L"&Disable Everything and Save", TextOf(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING)));
    const std::vector<std::wstring> languages = {L"English", L"Deutsch", L"Francais"};
    EXPECT_EQ(languages, ComboItems(PageItem(kOverviewPage, IDC_LANGUAGE)));
    EXPECT_EQ(0, ComboSelection(PageItem(kOverviewPage, IDC_LANGUAGE)));
    CancelAndExpectExit();
}

// The close box ends the program like Cancel, and writes nothing either.
TEST_F(MorvexTest, CloseBoxEndsTheProgramWithoutWriting)
{
    const RegistrySnapshot before;
    ASSERT_TRUE(Launch());
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(WaitForExit(exitCode));
    EXPECT_EQ(0u, exitCode);
    const RegistrySnapshot after;
    EXPECT_TRUE(before == after) << before.Differences(after);
}

class PageSwitch : public MorvexTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(PageSwitch, ShowsExactlyThatPageWithTheFocusInside)
{
    const int target = GetParam();
    ASSERT_TRUE(Launch());
    ClickTab(tabs, target);
    ASSERT_TRUE(WaitUntil([&] { return VisiblePage() == target; })) << VisiblePageCount() << " pages visible";
    HWND focus = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        focus = FocusedWindow(UiThread());
        return focus && IsChild(PageWindow(target), focus);
    })) << "focus is on " << focus << " (" << Utf8(ClassOf(focus)) << ")";

    // Every page lies in the same place below the tab buttons.
    RECT shown{}, other{};
    GetWindowRect(PageWindow(target), &shown);
    for (int page = 0; page < kPageCount; ++page) {
        GetWindowRect(PageWindow(page), &other);
        EXPECT_TRUE(EqualRect(&shown, &other)) << "page " << page;
    }
    RECT button{};
    ASSERT_TRUE(TabItemRect(tabs, 0, button));
    POINT corner{shown.left, shown.top};
    ScreenToClient(tabs, &corner);
    EXPECT_EQ(button.bottom + 1, corner.y);

    // Clicking the button of the page on show hides and shows nothing. (Wine's tab control
    // takes the focus itself on every press, so where the focus goes is not checked here.)
    ClickTab(tabs, target);
    EXPECT_EQ(target, VisiblePage());
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(Tabs, PageSwitch, ::testing::Values(1, 2));

// Back to the first page after another: the first page shows again, alone.
TEST_F(MorvexTest, ReturnsToTheFirstPage)
{
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(kDriveLetterPage));
    ASSERT_TRUE(ShowPage(kOverviewPage));
    EXPECT_TRUE(WaitUntil([&] {
        HWND focus = FocusedWindow(UiThread());
        return focus && IsChild(PageWindow(kOverviewPage), focus);
    }));
    CancelAndExpectExit();
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// The window's centre is within a pixel of the area's.
bool CentredOver(HWND window, const RECT& area)
{
    const RECT rect = WindowRect(window);
    return std::abs((rect.left + rect.right) - (area.left + area.right)) <= 2 &&
           std::abs((rect.top + rect.bottom) - (area.top + area.bottom)) <= 2;
}

TEST_F(MorvexTest, OpensCentredOnTheWorkAreaOfItsMonitor)
{
    ASSERT_TRUE(Launch());
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT rect = WindowRect(main);
    EXPECT_TRUE(CentredOver(main, monitor.rcWork))
        << "window at " << rect.left << "," << rect.top << "-" << rect.right << "," << rect.bottom << ", work area "
        << monitor.rcWork.right << "x" << monitor.rcWork.bottom;
    CancelAndExpectExit();
}

HWND FindAboutBox(DWORD processId)
{
    for (HWND window : TopLevelDialogs(processId))
        if (GetDlgItem(window, IDC_VERSION_LINE))
            return window;
    return nullptr;
}

TEST_F(MorvexTest, SystemMenuOpensTheAboutBox)
{
    ASSERT_TRUE(Launch());
    PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = nullptr;
    const DWORD pid = process.Id();
    ASSERT_TRUE(WaitUntil([&] { return (about = FindAboutBox(pid)) != nullptr; }));
    EXPECT_EQ(L"About Morvex", TextOf(about));
    EXPECT_EQ(L"Morvex Version " MORVEX_VERSION_TEXT, TextOf(Item(about, IDC_VERSION_LINE)));
    EXPECT_FALSE(TextOf(Item(about, IDC_COPYRIGHT_LINE)).empty());
    EXPECT_EQ(main, GetWindow(about, GW_OWNER));
    EXPECT_TRUE(CentredOver(about, WindowRect(main))) << "the about box is not centred over the main window";

    Click(Item(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(process.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    CancelAndExpectExit();
}

} // namespace
} // namespace e2e
