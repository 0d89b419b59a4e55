#include "CBitmap.h"

#include "CWinApp.h"

BOOL CBitmap::LoadBitmap(UINT id)
{
    DeleteObject();
    m_hObject = static_cast<HBITMAP>(
        LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return m_hObject != nullptr;
}

BOOL CBitmap::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    const BOOL deleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return deleted;
}
