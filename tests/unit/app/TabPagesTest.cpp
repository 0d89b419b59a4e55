// The tab control with its real pages in a window of the main dialog's template, all taken
// from this build's Morvex.exe: the first page comes with the window, the hidden ones right
// after it, and whatever reaches a page before that finds all of them made, filled and
// translated.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "Afx.h"
#include "AutoRunTabCtrl.h"
#include "LanguageStrings.h"
#include "TextConvert.h"
#include "resource.h"

namespace {

// Holds the tab control as the main window does, with a policy of its own.
class Host : public CDialog, public PageHost
{
public:
    Host() : CDialog(IDD_MORVEX_DIALOG) {}

    const AutoRunSettings& Settings() const override { return settings; }
    HBRUSH ControlColours(HDC) const override { return nullptr; }
    bool LoadSettings() override { return true; }
    void UpdateTexts() override {}
    void ShowErrorBox(HWND, const std::exception&) override {}
    const PolicySources& Sources() const override { return sources; }
    void ReportOverridden(HWND, const std::vector<PlannedWrite>&) override {}

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        tabs.Init();
        tabs.MakeOtherPagesNext();
        return TRUE;
    }

    AutoRunTabCtrl tabs;
    AutoRunSettings settings;
    PolicySources sources;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TABS, tabs); }
};

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring Translated(const char* key)
{
    return morvex::Utf8ToWide(LanguageStrings::Instance().Translate(key));
}

void DispatchQueued()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class TabPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app.m_hInstance =
            LoadLibraryExW(L"" MORVEX_EXE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, app.m_hInstance) << MORVEX_EXE_PATH;
        // German, so that a translated page reads differently from its template.
        LanguageStrings::Instance().SetLanguage("de");
        ASSERT_NE(Translated("Select all"), L"Select all") << "the German catalogue beside the test";
        OpenHost();
    }

    void TearDown() override
    {
        CloseHost();
        LanguageStrings::Instance().SetLanguage("en");
        if (app.m_hInstance != nullptr)
            FreeLibrary(app.m_hInstance);
        app.m_hInstance = nullptr;
    }

    // A new window, its loop not run yet.
    void OpenHost()
    {
        host = std::make_unique<Host>();
        app.m_pMainWnd = host.get();
        host->settings.removableDrives = true;
        host->settings.disabledLetters = L"C,E";
        ASSERT_TRUE(host->Create(IDD_MORVEX_DIALOG));
    }

    void CloseHost()
    {
        if (host && host->GetSafeHwnd() != nullptr)
            DestroyWindow(host->GetSafeHwnd());
        DispatchQueued();
        app.m_pMainWnd = nullptr;
        host.reset();
    }

    HWND Page(unsigned index) const
    {
        TabDlgBase* page = host->tabs.GetPage(index);
        return page != nullptr ? page->GetSafeHwnd() : nullptr;
    }

    // Every page there, in the first page's rectangle, showing the host's policy in the
    // catalogue's language, and only the one at index visible.
    void ExpectAllPagesReady(int shown)
    {
        ASSERT_EQ(3u, host->tabs.GetPageCount());
        RECT first = {};
        GetWindowRect(Page(0), &first);
        for (unsigned i = 0; i < 3; ++i)
        {
            ASSERT_NE(nullptr, Page(i)) << "page " << i;
            RECT rect = {};
            GetWindowRect(Page(i), &rect);
            EXPECT_TRUE(EqualRect(&first, &rect)) << "page " << i;
            EXPECT_EQ(static_cast<int>(i) == shown, IsWindowVisible(Page(i)) != FALSE) << "page " << i;
        }
        EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(Page(1), IDC_REMOVABLE_DRIVES, BM_GETCHECK, 0, 0));
        EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageW(Page(1), IDC_FIXED_DRIVES, BM_GETCHECK, 0, 0));
        EXPECT_EQ(L"C,E", TextOf(GetDlgItem(Page(2), IDC_DRIVE_LETTERS)));
        EXPECT_EQ(Translated("Select all"), TextOf(GetDlgItem(Page(1), IDC_SELECT_ALL)));
        EXPECT_EQ(Translated("Disable autorun on specific drive letters"),
                  TextOf(GetDlgItem(Page(2), IDC_DRIVE_LETTER_GROUP)));
    }

    CWinApp app;
    std::unique_ptr<Host> host;
};

TEST_F(TabPages, HiddenPagesAreMadeByTheFirstMessageAfterTheWindow)
{
    EXPECT_EQ(1u, host->tabs.GetPageCount());
    EXPECT_TRUE(IsWindowVisible(Page(0)));

    DispatchQueued();
    ExpectAllPagesReady(0);
    EXPECT_EQ(0, TabCtrl_GetCurSel(host->tabs.GetSafeHwnd()));
}

// Each way in, sent before the window's loop has run once.
TEST_F(TabPages, EveryWayToAPageMakesThePagesFirst)
{
    struct Way
    {
        const char* name;
        std::function<void(AutoRunTabCtrl&)> reach;
        int shown;
    };
    const Way ways[] = {
        {"click on the third button",
         [](AutoRunTabCtrl& tabs) {
             RECT item = {};
             tabs.GetItemRect(2, &item);
             const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
             SendMessageW(tabs.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point);
             SendMessageW(tabs.GetSafeHwnd(), WM_LBUTTONUP, 0, point);
         },
         2},
        {"arrow key on the buttons",
         [](AutoRunTabCtrl& tabs) { SendMessageW(tabs.GetSafeHwnd(), WM_KEYDOWN, VK_RIGHT, 0); }, 1},
        {"Ctrl+Shift+Tab", [](AutoRunTabCtrl& tabs) { tabs.StepPage(-1); }, 2},
        {"a program selects a button",
         [](AutoRunTabCtrl& tabs) { SendMessageW(tabs.GetSafeHwnd(), TCM_SETCURSEL, 1, 0); }, 0},
        {"a program moves the focus mark",
         [](AutoRunTabCtrl& tabs) { SendMessageW(tabs.GetSafeHwnd(), TCM_SETCURFOCUS, 1, 0); }, 0},
        {"an accessibility client",
         [](AutoRunTabCtrl& tabs) {
             SendMessageW(tabs.GetSafeHwnd(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
         },
         0},
        {"the host before a save", [](AutoRunTabCtrl& tabs) { tabs.EnsurePages(); }, 0},
    };
    for (const Way& way : ways)
    {
        SCOPED_TRACE(way.name);
        if (&way != ways)
        {
            CloseHost();
            OpenHost();
        }
        ASSERT_EQ(1u, host->tabs.GetPageCount());
        way.reach(host->tabs);
        ExpectAllPagesReady(way.shown);
    }
}

} // namespace
