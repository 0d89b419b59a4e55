#pragma once

#include <windows.h>

// Owns one bitmap loaded from the program's resources. Kept as a DIB section so that a
// 32-bit picture keeps its alpha channel.
class CBitmap
{
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() { DeleteObject(); }

    BOOL LoadBitmap(UINT id);
    BOOL DeleteObject();
    HBITMAP GetSafeHandle() const { return m_hObject; }
    operator HBITMAP() const { return m_hObject; }

private:
    HBITMAP m_hObject = nullptr;
};
