#pragma once

#include "CGdiObject.h"

// One bitmap loaded from the program's resources. Kept as a DIB section so that a 32-bit
// picture keeps its alpha channel.
class CBitmap : public CGdiObject
{
public:
    BOOL LoadBitmap(UINT id);
    // A smoothly scaled 32-bit copy of source at the size FitPicture gives for a control of
    // width x height; FALSE, holding nothing, when source fits as it is or cannot be read.
    BOOL CreateFitted(HBITMAP source, int width, int height);
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_hObject); }
    operator HBITMAP() const { return GetSafeHandle(); }
};
