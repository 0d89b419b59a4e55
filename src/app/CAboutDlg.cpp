#include "CAboutDlg.h"

#include "MorvexVersion.h"
#include "Translate.h"
#include "resource.h"

namespace {

const wchar_t kCopyright[] = L"Copyright (C) 2026 Kestrune";

} // namespace

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg()
    : CDialog(IDD_ABOUTBOX)
{
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(T("About Morvex"));

    SetDlgItemText(IDC_VERSION_LINE, T("Morvex Version") + L" " + L"" MORVEX_VERSION_TEXT);
    SetDlgItemText(IDC_COPYRIGHT_LINE, kCopyright);
    return TRUE;
}
