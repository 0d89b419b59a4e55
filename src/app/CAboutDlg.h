#pragma once

#include "Afx.h"

// The about box: program name, version and copyright.
class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    ~CAboutDlg() override;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()

private:
    HWND IconPicture() const;
    void ShowIconForDpi(HWND picture);

    // The program's icon at the size for the box's DPI; the template's is the 96-DPI size.
    HICON m_icon = nullptr;
};
