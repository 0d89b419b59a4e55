// What a screen reader learns from the window, asked as a screen reader asks (oleacc, the
// client area of each control): every control named, the pictures by what they show or
// open, in English and in German; the focus after a page switch; the status line announced.
#include "MorvexFixture.h"

#include "Accessibility.h"
#include "resource.h"

#include <oleacc.h>

namespace e2e {
namespace {

constexpr wchar_t kOrdinalMark = 0xFFFF; // what the system answers for a picture named by a resource id
constexpr DWORD kLiveRegionChanged = 0x8019; // EVENT_OBJECT_LIVEREGIONCHANGED (Windows 8 headers)

// The name a control must have; null where the system's own (its text) is right.
struct NameCase
{
    int page; // -1: the main window
    int id;
    const char* key;     // translation key of the name
    bool plain = false;  // the key is a label: its access key is not part of the name
};

// kTypical: autorun.inf honoured, unknown and network drives off, the others enabled.
const NameCase kNames[] = {
    {-1, IDC_TOP_BANNER, "Morvex web page (opens in your browser)"},
    {-1, IDC_BOTTOM_BANNER, "Morvex web page (opens in your browser)"},
    {-1, IDC_RESOURCES_ICON, "Security resources web page (opens in your browser)"},
    {kOverviewPage, IDC_STATUS_PICTURE, "Status: not safe"},
    {kOverviewPage, IDC_LANGUAGE, "Select language:", true},
    {kDriveTypePage, IDC_BALL_RUN_AUTORUN_INF, "Saved setting: AutoRun enabled"},
    {kDriveTypePage, IDC_BALL_UNKNOWN_DRIVES, "Saved setting: AutoRun off"},
    {kDriveTypePage, IDC_BALL_REMOVABLE_DRIVES, "Saved setting: AutoRun enabled"},
    {kDriveTypePage, IDC_BALL_FIXED_DRIVES, "Saved setting: AutoRun enabled"},
    {kDriveTypePage, IDC_BALL_NETWORK_DRIVES, "Saved setting: AutoRun off"},
    {kDriveTypePage, IDC_BALL_CDROM_DRIVES, "Saved setting: AutoRun enabled"},
    {kDriveTypePage, IDC_BALL_RAM_DISKS, "Saved setting: AutoRun enabled"},
    {kDriveLetterPage, IDC_DRIVE_LETTERS, "Additionally auto-run is disabled on the following drive letters:", true},
};

class Accessibility : public MorvexTest, public ::testing::WithParamInterface<LanguageCase>
{
protected:
    std::wstring Expected(const std::map<std::string, std::string>& strings, const char* key, bool plain) const
    {
        const std::wstring text = Wide(Translated(strings, key));
        return plain ? WithoutAccessKeys(text) : text;
    }
};

BOOL CALLBACK Collect(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

TEST_P(Accessibility, EveryControlIsNamedThePicturesByWhatTheyShow)
{
    const LanguageCase language = GetParam();
    const auto strings = LanguageFile(language.code);
    Apply(kTypical);
    ASSERT_TRUE(Launch());
    if (language.index != 0) {
        SelectComboItem(PageItem(kOverviewPage, IDC_LANGUAGE), language.index);
        const std::wstring title = Wide(Translated(strings, "Morvex by Kestrune"));
        ASSERT_TRUE(WaitUntil([&] { return TextOf(main) == title; }));
    }

    for (const NameCase& c : kNames) {
        HWND control = c.page < 0 ? Item(main, c.id) : PageItem(c.page, c.id);
        const AccessibleInfo info = AccessibleOf(control);
        EXPECT_TRUE(info.found) << c.id;
        EXPECT_EQ(Utf8(Expected(strings, c.key, c.plain)), Utf8(info.name)) << "control " << c.id;
    }

    // Every control of the window and its pages: no resource ordinal in a name, no control
    // that takes the focus without one; the role where Wine's proxies know one.
    std::vector<HWND> controls;
    EnumChildWindows(main, Collect, reinterpret_cast<LPARAM>(&controls));
    ASSERT_GT(controls.size(), 30u);
    for (HWND control : controls) {
        if (IsDialogWindow(control))
            continue; // a page: a container of the controls below
        const AccessibleInfo info = AccessibleOf(control);
        const std::string which = Utf8(ClassOf(control)) + " " + std::to_string(GetDlgCtrlID(control));
        ASSERT_TRUE(info.found) << which;
        EXPECT_EQ(std::wstring::npos, info.name.find(kOrdinalMark)) << which;
        if (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) {
            EXPECT_FALSE(info.name.empty()) << which << " takes the focus without a name";
        }
        EXPECT_NE(0, info.role) << which;
        if (ClassOf(control) == L"Edit") {
            EXPECT_EQ(ROLE_SYSTEM_TEXT, info.role) << which;
        }
    }
    CancelAndExpectExit();
}

// After a switch the focus is on the page's first control, which a screen reader names.
TEST_P(Accessibility, FocusAfterAPageSwitchIsOnANamedControl)
{
    const LanguageCase language = GetParam();
    const auto strings = LanguageFile(language.code);
    Apply(kTypical);
    ASSERT_TRUE(Launch());
    if (language.index != 0)
        SelectComboItem(PageItem(kOverviewPage, IDC_LANGUAGE), language.index);
    const struct
    {
        int page;
        int id;
        const char* key;
    } firsts[] = {
        {kDriveTypePage, IDC_RUN_AUTORUN_INF, "Automatically run autorun.inf files"},
        {kDriveLetterPage, IDC_DRIVE_LETTERS, "Additionally auto-run is disabled on the following drive letters:"},
        {kOverviewPage, IDC_DISABLE_EVERYTHING, "Disable Everything and Save"},
    };
    for (const auto& first : firsts) {
        ASSERT_TRUE(ShowPage(first.page));
        HWND focus = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (focus = FocusedWindow(UiThread())) == PageItem(first.page, first.id); }))
            << "page " << first.page << ": focus on " << Utf8(ClassOf(focus)) << " " << GetDlgCtrlID(focus);
        EXPECT_EQ(Utf8(WithoutAccessKeys(Wide(Translated(strings, first.key)))), Utf8(AccessibleOf(focus).name))
            << "page " << first.page;
    }
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(Languages, Accessibility, ::testing::Values(LanguageCase{0, "en"}, LanguageCase{1, "de"}),
                         LanguageCaseName);

// A screen reader hears the new status after "Disable Everything and Save" without moving
// to it: the status line raises the live-region event.
TEST_F(MorvexTest, DisableEverythingAnnouncesTheNewStatus)
{
    Apply(kTypical);
    ASSERT_TRUE(Launch());
    WinEventRecorder recorder(kLiveRegionChanged, process.Id());
    ASSERT_TRUE(recorder.Installed());
    HWND status = PageItem(kOverviewPage, IDC_STATUS_TEXT);
    Click(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING));
    EXPECT_TRUE(recorder.Seen(status, OBJID_CLIENT, milliseconds(10000)));
    EXPECT_EQ("Your PC is safe. AutoRun is disabled.", Utf8(TextOf(status)));
    ExpectNoMessageBox();
    CancelAndExpectExit();
}

} // namespace
} // namespace e2e
