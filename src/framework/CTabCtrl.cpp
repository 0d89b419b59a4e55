#include "CTabCtrl.h"

BEGIN_MESSAGE_MAP(CTabCtrl, CWnd)
END_MESSAGE_MAP()

LONG CTabCtrl::InsertItem(int index, const wchar_t* text)
{
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<LONG>(SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

BOOL CTabCtrl::SetItem(int index, TCITEMW* item)
{
    return static_cast<BOOL>(SendMessage(TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
}

BOOL CTabCtrl::GetItem(int index, TCITEMW* item) const
{
    return static_cast<BOOL>(SendMessage(TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
}

BOOL CTabCtrl::GetItemRect(int index, RECT* rect) const
{
    return static_cast<BOOL>(SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
}
