#include "CAboutDlg.h"

#include "MorvexVersion.h"
#include "Translate.h"
#include "resource.h"

namespace {

const wchar_t kCopyright[] = L"Copyright (C) 2026 Kestrune";
const int kIconSizeAt96Dpi = 32;

} // namespace

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg()
    : CDialog(IDD_ABOUTBOX)
{
}

CAboutDlg::~CAboutDlg()
{
    if (m_icon != nullptr)
        DestroyIcon(m_icon);
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

// The icon control has no id of its own: it is the box's only icon.
HWND CAboutDlg::IconPicture() const
{
    HWND picture = ::GetWindow(m_hWnd, GW_CHILD);
    while (picture != nullptr && (GetWindowLongW(picture, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        picture = ::GetWindow(picture, GW_HWNDNEXT);
    return picture;
}

void CAboutDlg::ShowIconForDpi(HWND picture)
{
    if (picture == nullptr)
        return;
    const int size = MulDiv(kIconSizeAt96Dpi, static_cast<int>(GetDpi()), USER_DEFAULT_SCREEN_DPI);
    RECT shown = {};
    ::GetClientRect(picture, &shown);
    if (shown.right == size || m_icon != nullptr)
        return;
    m_icon = static_cast<HICON>(
        LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (m_icon != nullptr)
        ::SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(T("About Morvex"));

    SetDlgItemText(IDC_VERSION_LINE, T("Morvex Version") + L" " + L"" MORVEX_VERSION_TEXT);
    SetDlgItemText(IDC_COPYRIGHT_LINE, kCopyright);
    const HWND icon = IconPicture();
    ShowIconForDpi(icon);
    // The product's mark, named after the product rather than after its resource.
    SetAccessibleName(icon, T("Morvex by Kestrune"));
    CenterWindow(::GetWindow(m_hWnd, GW_OWNER));
    return TRUE;
}
