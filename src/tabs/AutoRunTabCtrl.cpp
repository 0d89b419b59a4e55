#include "AutoRunTabCtrl.h"

#include "ByDriveLetterTab.h"
#include "ByDriveTypeTab.h"
#include "DisableAutorunTab.h"
#include "Translate.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(AutoRunTabCtrl, CTabCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_SIZE()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
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
    for (int i = 0; i < 3; ++i)
        InsertItem(i, Title(i).c_str());

    m_pages.push_back(std::make_unique<DisableAutorunTab>(this));
    m_pages.push_back(std::make_unique<ByDriveTypeTab>(this));
    m_pages.push_back(std::make_unique<ByDriveLetterTab>(this));

    m_pages[0]->Create(IDD_DISABLE_AUTORUN_TAB, this);
    m_pages[1]->Create(IDD_BY_DRIVE_TYPE_TAB, this);
    m_pages[2]->Create(IDD_BY_DRIVE_LETTER_TAB, this);

    m_pages[0]->ShowWindow(SW_SHOW);
    m_pages[1]->ShowWindow(SW_HIDE);
    m_pages[2]->ShowWindow(SW_HIDE);

    SetRectangle();
}

void AutoRunTabCtrl::TranslateTitles()
{
    for (int i = 0; i < 3; ++i)
    {
        const std::wstring title = Title(i);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
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
    Default();
    ShowPage(GetCurFocus(), false);
}

void AutoRunTabCtrl::ShowPage(int index, bool focusFirstControl)
{
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
