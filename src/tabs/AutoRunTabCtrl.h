#pragma once

#include <memory>
#include <vector>

#include "Afx.h"

#include "TabDlgBase.h"

// Where a page stands inside the tab control: just below the first tab button, one pixel
// inside the right and bottom edges of the client area. Both rectangles in the tab
// control's client coordinates.
struct PagePlacement
{
    int x;
    int y;
    int width;
    int height;
};
PagePlacement PagePlacementFor(const RECT& client, const RECT& firstItem);

// The main window's tab control. It owns the three pages, shows one of them below its row
// of buttons and switches pages when a button is clicked or chosen with the arrow keys.
class AutoRunTabCtrl : public CTabCtrl
{
public:
    AutoRunTabCtrl();
    ~AutoRunTabCtrl() override;

    void Init();
    // Sets the buttons' titles again in the current language.
    void TranslateTitles();
    void SetRectangle();
    unsigned GetPageCount() const { return static_cast<unsigned>(m_pages.size()); }
    TabDlgBase* GetPage(unsigned index) const;
    // Shows the next (step 1) or previous (step -1) page, round the end, with the keyboard
    // focus on its first control.
    void StepPage(int step);

protected:
    void OnLButtonDown(UINT flags, POINT point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnSize(UINT type, int cx, int cy);
    BOOL OnEraseBkgnd(HDC dc);
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

    DECLARE_MESSAGE_MAP()

private:
    // Selects the page's button and shows the page; with focusFirstControl the keyboard focus
    // goes to the page's first control, as the dialog manager would put it there.
    void ShowPage(int index, bool focusFirstControl);

    std::vector<std::unique_ptr<TabDlgBase>> m_pages;
    int m_currentPage = 0;
};
