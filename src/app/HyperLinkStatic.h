#pragma once

#include "Afx.h"

// A clickable picture of the main window: shows the hand cursor while the mouse is over
// it. What a click opens is the main window's business.
class HyperLinkStatic : public CStatic
{
public:
    HyperLinkStatic();
    ~HyperLinkStatic() override;

protected:
    void PreSubclassWindow() override;
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);

    DECLARE_MESSAGE_MAP()

private:
    HCURSOR cursor = nullptr; // the shared system cursor: never destroyed
};
