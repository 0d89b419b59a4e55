#include "HyperLinkStatic.h"

BEGIN_MESSAGE_MAP(HyperLinkStatic, CStatic)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

HyperLinkStatic::HyperLinkStatic() = default;

HyperLinkStatic::~HyperLinkStatic() = default;

void HyperLinkStatic::PreSubclassWindow()
{
    if (AfxGetApp() != nullptr)
        cursor = LoadCursorW(nullptr, IDC_HAND);
    CStatic::PreSubclassWindow();
}

BOOL HyperLinkStatic::OnSetCursor(HWND, UINT, UINT)
{
    if (cursor != nullptr)
        SetCursor(cursor);
    return TRUE;
}
