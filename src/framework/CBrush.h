#pragma once

#include <windows.h>

// Owns one GDI brush.
class CBrush
{
public:
    CBrush() = default;
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;
    ~CBrush() { DeleteObject(); }

    BOOL CreateSolidBrush(COLORREF color);
    BOOL DeleteObject();
    HBRUSH GetSafeHandle() const { return m_hObject; }
    operator HBRUSH() const { return m_hObject; }

private:
    HBRUSH m_hObject = nullptr;
};
