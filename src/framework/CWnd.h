#pragma once

#include <windows.h>

#include <string>

#include "MessageMap.h"

// A window object that does not own its window: it wraps an HWND that the system or a
// dialog template created. Control objects are bound to their dialog items by
// SubclassDlgItem (DDX_Control), after which the class's message map sees the control's
// messages before the control's own window procedure does.
class CWnd
{
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    void SetWindowText(const wchar_t* text);
    void SetWindowText(const std::wstring& text) { SetWindowText(text.c_str()); }
    std::wstring GetWindowText() const;
    BOOL ShowWindow(int command);
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    HWND SetFocus();
    void Invalidate(BOOL erase = TRUE);
    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;
    HMENU GetSystemMenu(BOOL revert) const;
    HWND GetDlgItem(int id) const;
    void SetDlgItemText(int id, const wchar_t* text);
    void SetDlgItemText(int id, const std::wstring& text) { SetDlgItemText(id, text.c_str()); }
    std::wstring GetDlgItemText(int id) const;
    HICON SetIcon(HICON icon, BOOL big);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Centres the window over alternateOwner, or over the work area of its monitor when that
    // is null, and keeps it inside that work area.
    void CenterWindow(HWND alternateOwner = nullptr);
    // The DPI the window is shown at: its monitor's where Windows tells (10 and later), the
    // screen's otherwise.
    UINT GetDpi() const;

    // Sees a message of a modal dialog's loop before the dialog manager does; true when it
    // was handled and must go no further.
    virtual BOOL PreTranslateMessage(MSG* msg);

    static const MessageMap* GetThisMessageMap();

protected:
    virtual const MessageMap* GetMessageMap() const;
    // Runs when a control object is attached to its window, before its messages reach the map.
    virtual void PreSubclassWindow() {}
    // The system's own handling of the message being handled now.
    virtual LRESULT Default();

    // Runs the handler of the message map for this message, if there is one.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    struct CurrentMessage
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    HWND m_hWnd = nullptr;
    CurrentMessage m_current = {};

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR refData);
    void Unsubclass();

    bool m_subclassed = false;
};
