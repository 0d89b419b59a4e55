#pragma once

#include <windows.h>

#include <commctrl.h>

#include "CWnd.h"

class CTabCtrl : public CWnd
{
public:
    LONG InsertItem(int index, const wchar_t* text);
    BOOL SetItem(int index, TCITEMW* item);
    BOOL GetItem(int index, TCITEMW* item) const;
    BOOL GetItemRect(int index, RECT* rect) const;
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int GetCurFocus() const { return static_cast<int>(SendMessage(TCM_GETCURFOCUS)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }

    DECLARE_MESSAGE_MAP()
};
