#pragma once

#include "CWnd.h"

class CStatic : public CWnd
{
public:
    // Shows a bitmap that the caller keeps alive while it is shown. With common controls 6
    // the control may show a private copy of a 32-bit bitmap, which it hands back on the
    // next change; such copies (and the template's own picture) are freed here, the
    // caller's bitmaps never.
    void SetBitmap(HBITMAP bitmap);
    HBITMAP GetBitmap() const;

private:
    HBITMAP m_lastGiven = nullptr;
};
