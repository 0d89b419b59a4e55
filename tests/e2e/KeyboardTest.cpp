// The window without a mouse: real key presses (SendInput) walk the controls, switch pages,
// reach controls by their access keys, save with Enter and close with Escape.
#include "MorvexFixture.h"

#include "resource.h"

#include <commctrl.h>

namespace e2e {
namespace {

constexpr bool T = true;
constexpr bool F = false;

// A control as the tests name it: the page it is on (-1: the main window) and its id.
struct Place
{
    int page;
    int id;
    bool operator==(const Place& other) const { return page == other.page && id == other.id; }
};

std::ostream& operator<<(std::ostream& out, const Place& place)
{
    return out << (place.page < 0 ? std::string("main") : "page " + std::to_string(place.page)) << ":" << place.id;
}

class Keyboard : public MorvexTest
{
protected:
    HWND At(const Place& place) const { return place.page < 0 ? Item(main, place.id) : PageItem(place.page, place.id); }

    // Where the keyboard focus is, as a place; {-2, 0} when it is on no control we know.
    Place Focus() const
    {
        const HWND focus = FocusedWindow(UiThread());
        if (focus == nullptr)
            return {-2, 0};
        const int id = GetDlgCtrlID(focus);
        const HWND parent = GetParent(focus);
        if (parent == main)
            return {-1, id};
        for (int page = 0; page < kPageCount; ++page)
            if (parent == PageWindow(page))
                return {page, id};
        return {-2, id};
    }

    // Presses the keys and waits until the focus lands on the expected place.
    bool KeysMoveFocusTo(std::initializer_list<WORD> keys, const Place& expected)
    {
        if (!PressKeys(main, keys))
            return false;
        return WaitUntil([&] { return Focus() == expected; }, milliseconds(3000));
    }

    void FocusOn(const Place& place)
    {
        FocusControl(main, At(place));
        ASSERT_TRUE(WaitUntil([&] { return Focus() == place; }, milliseconds(3000))) << place;
    }
};

// Tab from Save walks Cancel, the shown page's controls from top to bottom, and Save again;
// Shift+Tab walks the same ring backwards.
struct RingCase
{
    const char* name;
    int page;
    std::vector<int> pageControls; // in screen order
};

std::ostream& operator<<(std::ostream& out, const RingCase& c)
{
    return out << c.name;
}

class TabRing : public Keyboard, public ::testing::WithParamInterface<RingCase>
{
};

TEST_P(TabRing, TabAndShiftTabWalkOneRingInScreenOrder)
{
    const RingCase& c = GetParam();
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(c.page));
    std::vector<Place> ring = {{-1, IDOK}, {-1, IDCANCEL}};
    for (int id : c.pageControls)
        ring.push_back({c.page, id});
    FocusOn(ring[0]);

    for (size_t step = 1; step <= ring.size(); ++step) {
        const Place& expected = ring[step % ring.size()];
        ASSERT_TRUE(KeysMoveFocusTo({VK_TAB}, expected)) << "Tab " << step << ": at " << Focus() << ", not " << expected;
    }
    for (size_t step = 1; step <= ring.size(); ++step) {
        const Place& expected = ring[(ring.size() - step) % ring.size()];
        ASSERT_TRUE(KeysMoveFocusTo({VK_SHIFT, VK_TAB}, expected))
            << "Shift+Tab " << step << ": at " << Focus() << ", not " << expected;
    }
    EXPECT_EQ(c.page, VisiblePage());
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TabRing,
    ::testing::Values(RingCase{"Overview", kOverviewPage, {IDC_DISABLE_EVERYTHING, IDC_LANGUAGE}},
                      RingCase{"DriveType",
                               kDriveTypePage,
                               {IDC_RUN_AUTORUN_INF, IDC_REMOVABLE_DRIVES, IDC_CDROM_DRIVES, IDC_FIXED_DRIVES,
                                IDC_NETWORK_DRIVES, IDC_RAM_DISKS, IDC_UNKNOWN_DRIVES, IDC_SELECT_ALL}},
                      RingCase{"DriveLetter", kDriveLetterPage, {IDC_DRIVE_LETTERS}}),
    [](const ::testing::TestParamInfo<RingCase>& info) { return std::string(info.param.name); });

// Ctrl+Tab and Ctrl+PgDn go to the next page, with Shift or PgUp to the previous one, round
// the ends; the focus goes to the new page's first control, wherever it was before.
TEST_F(Keyboard, CtrlTabAndCtrlPageKeysSwitchPagesAndFocusTheFirstControl)
{
    struct Step
    {
        std::initializer_list<WORD> keys;
        int page;
    };
    const int firstControl[kPageCount] = {IDC_DISABLE_EVERYTHING, IDC_RUN_AUTORUN_INF, IDC_DRIVE_LETTERS};
    const Step steps[] = {
        {{VK_CONTROL, VK_TAB}, kDriveTypePage},
        {{VK_CONTROL, VK_TAB}, kDriveLetterPage},
        {{VK_CONTROL, VK_TAB}, kOverviewPage},
        {{VK_CONTROL, VK_SHIFT, VK_TAB}, kDriveLetterPage},
        {{VK_CONTROL, VK_PRIOR}, kDriveTypePage},
        {{VK_CONTROL, VK_PRIOR}, kOverviewPage},
        {{VK_CONTROL, VK_PRIOR}, kDriveLetterPage},
        {{VK_CONTROL, VK_NEXT}, kOverviewPage},
        {{VK_CONTROL, VK_NEXT}, kDriveTypePage},
    };
    ASSERT_TRUE(Launch());
    FocusOn({-1, IDCANCEL});
    int number = 0;
    for (const Step& step : steps) {
        ++number;
        const Place first = {step.page, firstControl[step.page]};
        ASSERT_TRUE(KeysMoveFocusTo(step.keys, first)) << "step " << number << ": focus at " << Focus();
        EXPECT_EQ(step.page, VisiblePage()) << "step " << number;
        EXPECT_EQ(step.page, static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0))) << "step " << number;
    }
    CancelAndExpectExit();
}

// On the row of tab buttons the arrow keys move to the next button and its page shows at
// once, as a click shows it; the focus stays on the buttons.
TEST_F(Keyboard, ArrowKeysOnTheTabButtonsShowTheirPages)
{
    ASSERT_TRUE(Launch());
    FocusControl(main, tabs);
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(UiThread()) == tabs; }, milliseconds(3000)));
    const std::pair<WORD, int> steps[] = {
        {VK_RIGHT, kDriveTypePage}, {VK_RIGHT, kDriveLetterPage}, {VK_RIGHT, kDriveLetterPage},
        {VK_LEFT, kDriveTypePage},  {VK_LEFT, kOverviewPage},
    };
    for (const auto& [key, page] : steps) {
        ASSERT_TRUE(PressKeys(main, {key}));
        EXPECT_TRUE(WaitUntil([&, page = page] { return VisiblePage() == page; }, milliseconds(3000)))
            << "page " << page << " did not show; visible: " << VisiblePage();
        EXPECT_EQ(page, static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
        EXPECT_EQ(tabs, FocusedWindow(UiThread()));
    }
    CancelAndExpectExit();
}

// Enter on the focused "Disable Everything and Save" runs that command, as a click does.
TEST_F(Keyboard, EnterOnDisableEverythingSavesEverythingOff)
{
    Apply({{HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x91)},
           {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveAutoRun", Dword(0x14)}});
    ASSERT_TRUE(Launch());
    FocusOn({kOverviewPage, IDC_DISABLE_EVERYTHING});
    ASSERT_TRUE(PressKeys(main, {VK_RETURN}));
    const std::array<bool, 7> allOff = {F, F, F, F, F, F, F};
    EXPECT_TRUE(WaitUntil([&] { return PolicyWritten(allOff, 0x14); }));
    ExpectPolicyWritten(allOff, 0x14);
    ExpectScreen(ExpectedScreen(allOff, "C,E"));
    ExpectNoMessageBox();
    CancelAndExpectExit();
}

// Enter anywhere else presses Save: here on a check box that Space has just cleared.
TEST_F(Keyboard, EnterOnACheckBoxSaves)
{
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(kDriveTypePage));
    FocusOn({kDriveTypePage, IDC_UNKNOWN_DRIVES});
    ASSERT_TRUE(PressKeys(main, {VK_SPACE}));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(PageItem(kDriveTypePage, IDC_UNKNOWN_DRIVES)) == BST_UNCHECKED; }));
    ASSERT_TRUE(PressKeys(main, {VK_RETURN}));
    const std::array<bool, 7> unknownOff = {T, F, T, T, T, T, T};
    EXPECT_TRUE(WaitUntil([&] { return PolicyWritten(unknownOff, 0); }));
    ExpectPolicyWritten(unknownOff, 0);
    EXPECT_EQ(Place({kDriveTypePage, IDC_UNKNOWN_DRIVES}), Focus()) << "Save took the focus away";
    ExpectNoMessageBox();
    CancelAndExpectExit();
}

// Alt with a label's key goes to the control the label names; with a check box's key it
// ticks or clears the box; Escape closes the window from inside a page and writes nothing.
struct AccessKeyCase
{
    const char* name;
    int page;
    WORD key;
    Place focus;    // where the focus must land
    int toggled;    // the check box whose state flips, 0 for none
};

std::ostream& operator<<(std::ostream& out, const AccessKeyCase& c)
{
    return out << c.name;
}

class AccessKey : public Keyboard, public ::testing::WithParamInterface<AccessKeyCase>
{
};

TEST_P(AccessKey, AltAndTheKeyReachTheControl)
{
    const AccessKeyCase& c = GetParam();
    const RegistrySnapshot before;
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(c.page));
    FocusOn({-1, IDCANCEL});
    const int checkBefore = c.toggled ? CheckState(PageItem(c.page, c.toggled)) : 0;

    ASSERT_TRUE(KeysMoveFocusTo({VK_MENU, c.key}, c.focus)) << "focus at " << Focus();
    if (c.toggled) {
        EXPECT_TRUE(WaitUntil([&] { return CheckState(PageItem(c.page, c.toggled)) != checkBefore; }));
    }

    ASSERT_TRUE(PressKeys(main, {VK_ESCAPE}));
    DWORD exitCode = 1;
    ASSERT_TRUE(WaitForExit(exitCode)) << "Escape did not close the window";
    EXPECT_EQ(0u, exitCode);
    const RegistrySnapshot after;
    EXPECT_TRUE(before == after) << before.Differences(after);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, AccessKey,
    ::testing::Values(
        AccessKeyCase{"LanguageLabel", kOverviewPage, 'L', {kOverviewPage, IDC_LANGUAGE}, 0},
        AccessKeyCase{"GroupBox", kDriveTypePage, 'T', {kDriveTypePage, IDC_REMOVABLE_DRIVES}, 0},
        AccessKeyCase{"CheckBox", kDriveTypePage, 'M', {kDriveTypePage, IDC_RAM_DISKS}, IDC_RAM_DISKS},
        AccessKeyCase{"LettersLabel", kDriveLetterPage, 'A', {kDriveLetterPage, IDC_DRIVE_LETTERS}, 0}),
    [](const ::testing::TestParamInfo<AccessKeyCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
