#include "CStatic.h"

#include <vector>

namespace {

// The fitted copies that controls show now, by bitmap and control size. A copy lives as long
// as a control shows it; while it does, its bitmap is alive too (the caller keeps it), so its
// handle cannot stand for another picture meanwhile. One thread uses them, the window's.
struct FittedCopy
{
    HBITMAP source;
    SIZE size;
    std::weak_ptr<CBitmap> copy;
};

std::vector<FittedCopy>& FittedCopies()
{
    static std::vector<FittedCopy> copies;
    return copies;
}

// The copy of source that fills a control of this size; null when source fits as it is.
std::shared_ptr<CBitmap> SharedFitted(HBITMAP source, SIZE size)
{
    std::vector<FittedCopy>& copies = FittedCopies();
    std::shared_ptr<CBitmap> found;
    for (size_t i = copies.size(); i > 0; --i)
    {
        FittedCopy& entry = copies[i - 1];
        std::shared_ptr<CBitmap> live = entry.copy.lock();
        if (live == nullptr)
            copies.erase(copies.begin() + static_cast<std::ptrdiff_t>(i - 1));
        else if (entry.source == source && entry.size.cx == size.cx && entry.size.cy == size.cy)
            found = live;
    }
    if (found != nullptr)
        return found;
    auto copy = std::make_shared<CBitmap>();
    if (!copy->CreateFitted(source, size.cx, size.cy))
        return nullptr;
    copies.push_back({source, size, copy});
    return copy;
}

} // namespace

BEGIN_MESSAGE_MAP(CStatic, CWnd)
    ON_WM_SIZE()
END_MESSAGE_MAP()

void CStatic::SetBitmap(HBITMAP bitmap)
{
    if (bitmap != nullptr && bitmap == m_source && m_lastGiven != nullptr)
    {
        RECT client;
        GetClientRect(&client);
        if (client.right - client.left == m_fittedFor.cx && client.bottom - client.top == m_fittedFor.cy)
            return; // shown already, as it is or fitted to this size
    }
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
    const SIZE size = { client.right - client.left, client.bottom - client.top };
    std::shared_ptr<CBitmap> scaled = m_source != nullptr ? SharedFitted(m_source, size) : nullptr;
    const HBITMAP bitmap = scaled != nullptr ? scaled->GetSafeHandle() : m_source;

    const HBITMAP previous = reinterpret_cast<HBITMAP>(
        SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    const HBITMAP shown = GetBitmap();
    if (previous != nullptr && previous != m_lastGiven && previous != bitmap && previous != shown)
        DeleteObject(previous);
    m_lastGiven = bitmap;
    m_fittedFor = size;
    m_fitting = false;
    // The copy shown before is let go only now that the control no longer shows it.
    m_scaled.swap(scaled);
}
