#include "CAboutDlg.h"

#include <algorithm>

#include "Translate.h"
#include "resource.h"

namespace {

// The same text as the FileVersion entry of the version block.
const wchar_t kVersion[] = L"1,0,1,0";
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

    std::wstring version = kVersion;
    std::replace(version.begin(), version.end(), L',', L'.');
    SetDlgItemText(IDC_VERSION_LINE, T("Morvex Version") + L" " + version);
    SetDlgItemText(IDC_COPYRIGHT_LINE, kCopyright);
    CenterWindow(::GetWindow(m_hWnd, GW_OWNER));
    return TRUE;
}
