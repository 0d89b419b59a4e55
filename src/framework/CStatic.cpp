#include "CStatic.h"

void CStatic::SetBitmap(HBITMAP bitmap)
{
    const HBITMAP previous = reinterpret_cast<HBITMAP>(
        SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    const HBITMAP shown = GetBitmap();
    if (previous != nullptr && previous != m_lastGiven && previous != bitmap && previous != shown)
        DeleteObject(previous);
    m_lastGiven = bitmap;
}

HBITMAP CStatic::GetBitmap() const
{
    return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0));
}
