#pragma once

#include "CGdiObject.h"

// One bitmap loaded from the program's resources. Kept as a DIB section so that a 32-bit
// picture keeps its alpha channel.
class CBitmap : public CGdiObject
{
public:
    BOOL LoadBitmap(UINT id);
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_hObject); }
    operator HBITMAP() const { return GetSafeHandle(); }
};
