#pragma once

#include <memory>

#include "CBitmap.h"
#include "CWnd.h"

class CStatic : public CWnd
{
public:
    // Shows a bitmap that the caller keeps alive while it is shown. With common controls 6
    // the control may show a private copy of a 32-bit bitmap, which it hands back on the
    // next change; such copies (and the template's own picture) are freed here, the
    // caller's bitmaps never.
    // The picture fills the control, which keeps the size its template gives it for the
    // window's DPI (SS_CENTERIMAGE): a bitmap drawn for 96 DPI is shown as a smoothly scaled
    // copy, made again whenever the control changes size. Controls of one size that show one
    // bitmap share one copy (the balls of a page), and the bitmap that a control already
    // shows at its size is not fitted again.
    void SetBitmap(HBITMAP bitmap);
    HBITMAP GetBitmap() const;

protected:
    void OnSize(UINT type, int cx, int cy);

    DECLARE_MESSAGE_MAP()

private:
    void ShowFitted();

    HBITMAP m_source = nullptr;    // the caller's bitmap
    HBITMAP m_lastGiven = nullptr; // what the control was last given: m_source or m_scaled
    std::shared_ptr<CBitmap> m_scaled;
    SIZE m_fittedFor = {};         // the client size m_lastGiven was chosen for
    bool m_fitting = false;
};
