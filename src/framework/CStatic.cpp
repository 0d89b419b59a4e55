#include "CStatic.h"

BEGIN_MESSAGE_MAP(CStatic, CWnd)
    ON_WM_SIZE()
END_MESSAGE_MAP()

void CStatic::SetBitmap(HBITMAP bitmap)
{
    m_source = bitmap;
    ShowFitted();
}

HBITMAP CStatic::GetBitmap() const
{
    return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0));
}

void CStatic::OnSize(UINT, int, int)
{
    Default();
    // A control without SS_CENTERIMAGE takes the size of the bitmap it is given.
    if (m_source != nullptr && !m_fitting)
        ShowFitted();
}

void CStatic::ShowFitted()
{
    m_fitting = true;
    RECT client;
    GetClientRect(&client);
    CBitmap scaled;
    const bool fits = m_source == nullptr ||
                      !scaled.CreateFitted(m_source, client.right - client.left, client.bottom - client.top);
    const HBITMAP bitmap = fits ? m_source : scaled.GetSafeHandle();

    const HBITMAP previous = reinterpret_cast<HBITMAP>(
        SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    const HBITMAP shown = GetBitmap();
    if (previous != nullptr && previous != m_lastGiven && previous != bitmap && previous != shown)
        DeleteObject(previous);
    m_lastGiven = bitmap;
    m_fitting = false;
    // The copy shown before is given back to `scaled` and freed with it.
    m_scaled.Swap(scaled);
}
