#include "TabDlgBase.h"

#include "TextConvert.h"
#include "Translate.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(TabDlgBase, CDialog)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

TabDlgBase::TabDlgBase(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent)
{
}

TabDlgBase::~TabDlgBase() = default;

void TabDlgBase::OnOK()
{
    CWnd* main = AfxGetMainWnd();
    if (main != nullptr && main->GetSafeHwnd() != nullptr)
        main->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(main->GetDlgItem(IDOK)));
}

void TabDlgBase::OnCancel()
{
    CWnd* main = AfxGetMainWnd();
    if (main != nullptr && main->GetSafeHwnd() != nullptr)
        main->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(main->GetDlgItem(IDCANCEL)));
}

PageHost* TabDlgBase::Host()
{
    return dynamic_cast<PageHost*>(AfxGetMainWnd());
}

HBRUSH TabDlgBase::ControlColours(HDC dc)
{
    const PageHost* host = Host();
    return host != nullptr ? host->ControlColours(dc) : nullptr;
}

HBRUSH TabDlgBase::OnCtlColor(HDC dc, HWND, UINT)
{
    const HBRUSH brush = ControlColours(dc);
    return brush != nullptr ? brush : reinterpret_cast<HBRUSH>(Default());
}

void TabDlgBase::ShowManagedMark(CStatic& mark, CBitmap& picture, const std::string& byWhom)
{
    // Every mark shows the page's one picture, fitted to its size; until then it would show
    // the template's bitmap at its own size.
    if (!byWhom.empty())
    {
        if (picture.GetSafeHandle() == nullptr)
            picture.LoadBitmap(IDB_RESOURCES);
        mark.SetBitmap(picture);
    }
    // Named also while hidden: the template's picture would be named by its resource number.
    SetAccessibleName(mark, byWhom.empty() ? T("Information") : morvex::Utf8ToWide(byWhom));
    ::ShowWindow(mark, byWhom.empty() ? SW_HIDE : SW_SHOW);
}
