#pragma once

#include <vector>

#include "Afx.h"

class TabDlgBase;

// The main window's tab control. It owns the three pages, shows one of them below its row
// of buttons and switches pages when a button is clicked.
class AutoRunTabCtrl : public CTabCtrl
{
public:
    AutoRunTabCtrl();
    ~AutoRunTabCtrl() override;

    void Init();
    void SetRectangle();
    unsigned GetPageCount() const { return static_cast<unsigned>(m_pages.size()); }
    TabDlgBase* GetPage(unsigned index) const;

protected:
    void OnLButtonDown(UINT flags, POINT point);
    BOOL OnEraseBkgnd(HDC dc);
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

    DECLARE_MESSAGE_MAP()

private:
    std::vector<TabDlgBase*> m_pages;
    int m_currentPage = 0;
};
