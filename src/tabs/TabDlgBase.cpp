#include "TabDlgBase.h"

#include "PageRules.h"
#include "TextConvert.h"
#include "Translate.h"

namespace {

// A save that another program overtook: what happened in the window's language, then the
// values by their registry names, which no language changes.
std::wstring ChangedPolicyText(const PolicyChangedError& error)
{
    std::wstring text = error.Written().empty()
                            ? ErrorBoxText(error)
                            : T("Another program changed the AutoRun policy while it was being saved. Saving stopped "
                                "at the value below, which that program changed; the window now shows the current "
                                "policy.");
    text += L"\r\n\r\n" + morvex::Utf8ToWide(DescribeValue(error.Changed()));
    if (!error.Written().empty())
    {
        text += L"\r\n\r\n" + T("Saved before it stopped:");
        for (PolicyValue value : error.Written())
            text += L"\r\n" + morvex::Utf8ToWide(DescribeValue(value));
    }
    return text;
}

} // namespace

void ShowErrorBox(HWND owner, const std::exception& error)
{
    const auto* changed = dynamic_cast<const PolicyChangedError*>(&error);
    const std::wstring text = changed != nullptr ? ChangedPolicyText(*changed) : ErrorBoxText(error);
    MessageBoxW(owner, text.c_str(), T("Error").c_str(), MB_ICONERROR);
}


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
