#include "AutoRunTabCtrl.h"

#include "ByDriveLetterTab.h"
#include "ByDriveTypeTab.h"
#include "DisableAutorunTab.h"
#include "Translate.h"
#include "resource.h"

namespace {

// Posted to the control itself by MakeOtherPagesNext.
const UINT kMakeOtherPages = WM_APP + 1;

} // namespace

BEGIN_MESSAGE_MAP(AutoRunTabCtrl, CTabCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
    ON_MESSAGE(kMakeOtherPages, &AutoRunTabCtrl::OnMakeOtherPages)
    ON_MESSAGE(TCM_SETCURSEL, &AutoRunTabCtrl::OnPagesAboutToBeReached)
    ON_MESSAGE(TCM_SETCURFOCUS, &AutoRunTabCtrl::OnPagesAboutToBeReached)
    ON_MESSAGE(WM_GETOBJECT, &AutoRunTabCtrl::OnPagesAboutToBeReached)
END_MESSAGE_MAP()

namespace {

// The title of each page's button, in the current language.
std::wstring Title(int index)
{
    switch (index)
    {
    case 0:
        return T("Disable AutoRun");
    case 1:
        return T("by Drive Type");
    default:
        return T("by Drive Letter");
    }
}

} // namespace

PagePlacement PagePlacementFor(const RECT& client, const RECT& firstItem)
{
    PagePlacement placement;
    placement.x = firstItem.left;
    placement.y = firstItem.bottom + 1;
    placement.width = client.right - firstItem.left - 1;
    placement.height = client.bottom - firstItem.bottom - 2;
    return placement;
}

AutoRunTabCtrl::AutoRunTabCtrl() = default;

AutoRunTabCtrl::~AutoRunTabCtrl() = default;

TabDlgBase* AutoRunTabCtrl::GetPage(unsigned index) const
{
    return index < m_pages.size() ? m_pages[index].get() : nullptr;
}

void AutoRunTabCtrl::Init()
{
    for (int i = 0; i < static_cast<int>(kPageCount); ++i)
        InsertItem(i, Title(i).c_str());

    MakePage(0);
    m_pages[0]->ShowWindow(SW_SHOW);
    SetRectangle();
}

void AutoRunTabCtrl::MakePage(size_t index)
{
    switch (index)
    {
    case 0:
        m_pages.push_back(std::make_unique<DisableAutorunTab>(this));
        m_pages.back()->Create(IDD_DISABLE_AUTORUN_TAB, this);
        break;
    case 1:
        m_pages.push_back(std::make_unique<ByDriveTypeTab>(this));
        m_pages.back()->Create(IDD_BY_DRIVE_TYPE_TAB, this);
        break;
    default:
        m_pages.push_back(std::make_unique<ByDriveLetterTab>(this));
        m_pages.back()->Create(IDD_BY_DRIVE_LETTER_TAB, this);
        break;
    }
}

void AutoRunTabCtrl::MakeOtherPagesNext()
{
    if (m_hWnd == nullptr || !PostMessageW(m_hWnd, kMakeOtherPages, 0, 0))
        EnsurePages();
}

void AutoRunTabCtrl::EnsurePages()
{
    // A page being made sends messages of its own, which may come back here.
    if (m_makingPages || m_hWnd == nullptr || m_pages.size() >= kPageCount)
        return;
    struct Making
    {
        bool& flag;
        explicit Making(bool& f) : flag(f) { flag = true; }
        ~Making() { flag = false; }
    } making(m_makingPages);

    const size_t first = m_pages.size();
    for (size_t i = first; i < kPageCount; ++i)
        MakePage(i);
    // Hidden in the same rectangle, and above the first in the same order as if all had
    // been made at once.
    SetRectangle();

    // The host shows its policy and its texts on every page it knows; these pages join
    // them here in the same order, the policy first.
    const PageHost* host = dynamic_cast<PageHost*>(AfxGetMainWnd());
    for (size_t i = first; i < m_pages.size(); ++i)
    {
        if (host != nullptr)
            m_pages[i]->SettingsToControls(host->Settings());
        m_pages[i]->TranslateTexts();
    }
}

LRESULT AutoRunTabCtrl::OnMakeOtherPages(WPARAM, LPARAM)
{
    // The window paints what it shows first: its paint messages would otherwise wait until
    // the hidden pages are made.
    if (const HWND window = ::GetAncestor(m_hWnd, GA_ROOT))
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EnsurePages();
    return 0;
}

LRESULT AutoRunTabCtrl::OnPagesAboutToBeReached(WPARAM, LPARAM)
{
    EnsurePages();
    return Default();
}

void AutoRunTabCtrl::TranslateTitles()
{
    for (int i = 0; i < 3; ++i)
    {
        const std::wstring title = Title(i);
        // A button that has its title already is left alone: each new text lays the row
        // out again. (The control may point pszText at its own copy of the text.)
        wchar_t shown[256] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = shown;
        item.cchTextMax = 256;
        if (GetItem(i, &item) && item.pszText != nullptr && title == item.pszText)
            continue;
        item.pszText = const_cast<wchar_t*>(title.c_str());
        SetItem(i, &item);
    }
}

void AutoRunTabCtrl::SetRectangle()
{
    RECT client;
    RECT item = {};
    GetClientRect(&client);
    GetItemRect(0, &item);
    const PagePlacement place = PagePlacementFor(client, item);
    for (size_t i = 0; i < m_pages.size(); ++i)
    {
        const UINT show = static_cast<int>(i) == m_currentPage ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
        m_pages[i]->SetWindowPos(HWND_TOP, place.x, place.y, place.width, place.height, show);
    }
}

void AutoRunTabCtrl::OnLButtonDown(UINT, POINT)
{
    EnsurePages();
    // The control selects the clicked button first.
    Default();

    const int focused = GetCurFocus();
    if (focused == m_currentPage)
        return;
    ShowPage(focused, false);
    if (focused == m_currentPage)
        m_pages[static_cast<size_t>(m_currentPage)]->SetFocus();
}

// A change of DPI rescales the tab control and its buttons: the pages follow.
void AutoRunTabCtrl::OnSize(UINT, int, int)
{
    Default();
    SetRectangle();
}

// With buttons instead of tabs the control only moves its focus mark along the row; the page
// follows the mark here, as it follows a click.
void AutoRunTabCtrl::OnKeyDown(UINT, UINT, UINT)
{
    EnsurePages();
    Default();
    ShowPage(GetCurFocus(), false);
}

void AutoRunTabCtrl::ShowPage(int index, bool focusFirstControl)
{
    EnsurePages();
    if (index < 0 || index >= static_cast<int>(m_pages.size()))
        return;
    if (GetCurSel() != index)
        SetCurSel(index);
    if (index != m_currentPage)
    {
        m_pages[static_cast<size_t>(m_currentPage)]->ShowWindow(SW_HIDE);
        m_currentPage = index;
        m_pages[static_cast<size_t>(m_currentPage)]->ShowWindow(SW_SHOW);
    }
    if (!focusFirstControl)
        return;
    const HWND page = m_pages[static_cast<size_t>(m_currentPage)]->GetSafeHwnd();
    const HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
    if (first != nullptr && IsChild(page, first))
        ::SendMessageW(::GetParent(m_hWnd), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

void AutoRunTabCtrl::StepPage(int step)
{
    EnsurePages();
    const int count = static_cast<int>(m_pages.size());
    if (count == 0)
        return;
    ShowPage(((m_currentPage + step) % count + count) % count, true);
}

BOOL AutoRunTabCtrl::OnEraseBkgnd(HDC dc)
{
    const HBRUSH brush = TabDlgBase::ControlColours(nullptr);
    if (brush == nullptr)
        return static_cast<BOOL>(Default());
    RECT client;
    GetClientRect(&client);
    FillRect(dc, &client, brush);
    return TRUE;
}

HBRUSH AutoRunTabCtrl::OnCtlColor(HDC dc, HWND, UINT)
{
    const HBRUSH brush = TabDlgBase::ControlColours(dc);
    return brush != nullptr ? brush : reinterpret_cast<HBRUSH>(Default());
}
