#pragma once

#include "CGdiObject.h"

// One GDI brush.
class CBrush : public CGdiObject
{
public:
    BOOL CreateSolidBrush(COLORREF color);
    HBRUSH GetSafeHandle() const { return static_cast<HBRUSH>(m_hObject); }
    operator HBRUSH() const { return GetSafeHandle(); }
};
