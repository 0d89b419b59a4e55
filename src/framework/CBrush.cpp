#include "CBrush.h"

BOOL CBrush::CreateSolidBrush(COLORREF color)
{
    DeleteObject();
    m_hObject = ::CreateSolidBrush(color);
    return m_hObject != nullptr;
}

BOOL CBrush::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    const BOOL deleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return deleted;
}
