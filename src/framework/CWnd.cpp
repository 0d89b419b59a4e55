#include "CWnd.h"

#include <algorithm>

#include <commctrl.h>

#include "CWinApp.h"

namespace {

const UINT_PTR kSubclassId = 0x4D56; // any constant: one subclass per window object

const MessageMapEntry* FindEntry(const MessageMap* map, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool isCommand = message == WM_COMMAND;
    const bool isNotify = message == WM_NOTIFY && lParam != 0;
    const bool isCtlColor = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    UINT id = 0;
    UINT code = 0;
    if (isCommand)
    {
        id = LOWORD(wParam);
        code = HIWORD(wParam);
    }
    else if (isNotify)
    {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        id = static_cast<UINT>(header->idFrom);
        code = header->code;
    }
    const UINT wanted = isCtlColor ? static_cast<UINT>(WM_CTLCOLOR) : message;

    for (; map != nullptr; map = map->base != nullptr ? map->base() : nullptr)
    {
        for (const MessageMapEntry* entry = map->entries; entry->handler != nullptr; ++entry)
        {
            if (entry->message != wanted)
                continue;
            if ((isCommand || isNotify) && (entry->controlId != id || entry->code != code))
                continue;
            return entry;
        }
    }
    return nullptr;
}

} // namespace

CWnd::~CWnd()
{
    Unsubclass();
}

const MessageMap* CWnd::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = { { 0, 0, 0, nullptr } };
    static const MessageMap map = { nullptr, entries };
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const MessageMapEntry* entry = FindEntry(GetMessageMap(), message, wParam, lParam);
    if (entry == nullptr)
        return false;
    const CurrentMessage outer = m_current;
    m_current = { message, wParam, lParam };
    result = entry->handler(this, message, wParam, lParam);
    m_current = outer;
    return true;
}

LRESULT CWnd::Default()
{
    if (m_hWnd == nullptr)
        return 0;
    if (m_subclassed)
        return DefSubclassProc(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
    return DefWindowProcW(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr)
        return FALSE;
    m_hWnd = hwnd;
    PreSubclassWindow();
    if (!SetWindowSubclass(hwnd, &CWnd::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    {
        m_hWnd = nullptr;
        return FALSE;
    }
    m_subclassed = true;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (parent == nullptr || parent->m_hWnd == nullptr)
        return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

void CWnd::Unsubclass()
{
    if (m_subclassed && m_hWnd != nullptr)
        RemoveWindowSubclass(m_hWnd, &CWnd::SubclassProc, kSubclassId);
    m_subclassed = false;
    m_hWnd = nullptr;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR refData)
{
    CWnd* self = reinterpret_cast<CWnd*>(refData);
    if (message == WM_NCDESTROY)
    {
        // The window goes; the object may live on and must not keep a dead handle.
        self->Unsubclass();
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return AfxCallHandler<LRESULT>(hwnd, 0, [&] {
        LRESULT result = 0;
        if (self->OnWndMsg(message, wParam, lParam, result))
            return result;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    });
}

namespace {

std::wstring TextOf(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// A text that a window shows already is not given again, as MFC's AfxSetWindowText does: the
// control neither repaints nor flickers, and a top-level window's title is not sent to the
// window manager once more. The texts of the templates are the English ones, so at start most
// of them are there already.
void SetTextIfChanged(HWND window, const wchar_t* text)
{
    if (window == nullptr)
        return;
    const wchar_t* wanted = text != nullptr ? text : L"";
    if (TextOf(window) != wanted)
        ::SetWindowTextW(window, wanted);
}

} // namespace

void CWnd::SetWindowText(const wchar_t* text)
{
    SetTextIfChanged(m_hWnd, text);
}

std::wstring CWnd::GetWindowText() const
{
    return TextOf(m_hWnd);
}

std::wstring CWnd::GetDlgItemText(int id) const
{
    return TextOf(::GetDlgItem(m_hWnd, id));
}

BOOL CWnd::ShowWindow(int command)
{
    return ::ShowWindow(m_hWnd, command);
}

BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}

HWND CWnd::SetFocus()
{
    return ::SetFocus(m_hWnd);
}

void CWnd::Invalidate(BOOL erase)
{
    ::InvalidateRect(m_hWnd, nullptr, erase);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* rect) const
{
    if (!::GetClientRect(m_hWnd, rect))
        *rect = RECT{};
}

HMENU CWnd::GetSystemMenu(BOOL revert) const
{
    return ::GetSystemMenu(m_hWnd, revert);
}

HWND CWnd::GetDlgItem(int id) const
{
    return ::GetDlgItem(m_hWnd, id);
}

void CWnd::SetDlgItemText(int id, const wchar_t* text)
{
    SetTextIfChanged(::GetDlgItem(m_hWnd, id), text);
}

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(
        ::SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::CenterWindow(HWND alternateOwner)
{
    RECT window;
    if (!::GetWindowRect(m_hWnd, &window))
        return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    const HWND reference = alternateOwner != nullptr ? alternateOwner : m_hWnd;
    if (!GetMonitorInfoW(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT centre = work;
    if (alternateOwner != nullptr && !::IsIconic(alternateOwner))
        ::GetWindowRect(alternateOwner, &centre);

    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = (centre.left + centre.right - width) / 2;
    int y = (centre.top + centre.bottom - height) / 2;
    // A window larger than the work area keeps its top-left corner (and so its caption) on it.
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT CWnd::GetDpi() const
{
    // Looked up at run time: Windows 7 and 8 have no GetDpiForWindow.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow != nullptr)
    {
        const UINT dpi = dpiForWindow(m_hWnd);
        if (dpi != 0)
            return dpi;
    }
    const HDC dc = ::GetDC(m_hWnd);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc != nullptr)
        ::ReleaseDC(m_hWnd, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}
