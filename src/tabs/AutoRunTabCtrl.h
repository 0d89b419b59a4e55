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
//
// Only the first page is made with the window: the other two are hidden until a button
// shows them, and making them costs about as much as the rest of the window, so they are
// made just after the window has shown (MakeOtherPagesNext). Whatever can reach a page
// first makes sure that all of them exist (EnsurePages): a click or key on the buttons,
// a program changing the selection, an accessibility client asking for the control.
class AutoRunTabCtrl : public CTabCtrl
{
public:
    static constexpr unsigned kPageCount = 3;

    AutoRunTabCtrl();
    ~AutoRunTabCtrl() override;

    // Inserts the three buttons and makes the first page, on show.
    void Init();
    // Has the window's loop make the other pages as the next thing it does: a posted
    // message, which the loop takes before any key press or click waiting for the window.
    void MakeOtherPagesNext();
    // Makes the pages that do not exist yet, in their order, each in the pages' rectangle,
    // hidden, showing the host's policy and translated. Does nothing once all exist.
    void EnsurePages();
    // Sets the buttons' titles again in the current language.
    void TranslateTitles();
    void SetRectangle();
    // The pages made so far: the first from Init on, all of them after EnsurePages.
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
    LRESULT OnMakeOtherPages(WPARAM, LPARAM);
    // A program's selection change or an accessibility client's request: the pages first.
    LRESULT OnPagesAboutToBeReached(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    // Constructs the page at that index and makes its window.
    void MakePage(size_t index);

    // Selects the page's button and shows the page; with focusFirstControl the keyboard focus
    // goes to the page's first control, as the dialog manager would put it there.
    void ShowPage(int index, bool focusFirstControl);

    std::vector<std::unique_ptr<TabDlgBase>> m_pages;
    int m_currentPage = 0;
    bool m_makingPages = false;
};
