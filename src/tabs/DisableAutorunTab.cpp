#include "DisableAutorunTab.h"

#include <exception>

#include "Languages.h"
#include "PolicySources.h"
#include "Protection.h"
#include "TextKey.h"
#include "TextConvert.h"
#include "Translate.h"
#include "resource.h"

namespace {

// What the status picture tells a screen reader, by state.
const char* StatusPictureName(ProtectionState state)
{
    switch (state)
    {
    case ProtectionState::Safe:
        return TextKey("Status: safe");
    case ProtectionState::NotCompletelySafe:
        return TextKey("Status: not completely safe");
    case ProtectionState::Unreadable:
        return TextKey("Status: could not be read completely");
    case ProtectionState::NotControlled:
        break;
    }
    return TextKey("Status: not safe");
}

} // namespace

BEGIN_MESSAGE_MAP(DisableAutorunTab, TabDlgBase)
    ON_CBN_SELCHANGE(IDC_LANGUAGE, &DisableAutorunTab::OnLanguageChange)
    ON_BN_CLICKED(IDC_DISABLE_EVERYTHING, &DisableAutorunTab::OnDisableEverythingAndSave)
    ON_BN_CLICKED(IDC_MANAGED_DETAILS, &DisableAutorunTab::OnManagedDetails)
END_MESSAGE_MAP()

DisableAutorunTab::DisableAutorunTab(CWnd* parent)
    : TabDlgBase(IDD_DISABLE_AUTORUN_TAB, parent)
{
    // Top to bottom, with the label of the language list just before the list, so that its
    // access key reaches the list and a screen reader finds the list's name.
    SetTabOrder({ IDC_EXPLANATION, IDC_STATUS_PICTURE, IDC_STATUS_TEXT, IDC_MANAGED_PICTURE, IDC_MANAGED_TEXT,
                  IDC_MANAGED_DETAILS, IDC_DISABLE_EVERYTHING, IDC_LANGUAGE_LABEL, IDC_LANGUAGE });
}

DisableAutorunTab::~DisableAutorunTab() = default;

void DisableAutorunTab::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LANGUAGE, m_languageCombo);
    DDX_Control(pDX, IDC_STATUS_PICTURE, m_statusPicture);
    DDX_Control(pDX, IDC_MANAGED_PICTURE, m_managedPicture);
}

BOOL DisableAutorunTab::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_languageCombo.SetCurSel(LanguageIndex(LanguageStrings::Instance().CurrentLanguage()));
    // A screen reader reads a new status without the user going to it.
    MarkLiveRegion(GetDlgItem(IDC_STATUS_TEXT));
    return TRUE;
}

void DisableAutorunTab::SettingsToControls(const AutoRunSettings& settings)
{
    const ProtectionState state = EvaluateProtection(settings);
    CBitmap& picture = state == ProtectionState::Safe ? m_tickBitmap : m_warningBitmap;
    if (picture.GetSafeHandle() == nullptr)
        picture.LoadBitmap(state == ProtectionState::Safe ? IDB_TICK : IDB_WARNING);
    m_statusPicture.SetBitmap(picture);
    SetAccessibleName(m_statusPicture, T(StatusPictureName(state)));
    const std::wstring status = morvex::Utf8ToWide(ProtectionStatusText(state));
    if (GetDlgItemText(IDC_STATUS_TEXT) != status)
    {
        SetDlgItemText(IDC_STATUS_TEXT, status);
        AnnounceLiveRegion(GetDlgItem(IDC_STATUS_TEXT));
    }

    // Under the status line, only where a policy engine writes these values too (or may).
    const PageHost* host = Host();
    const std::string managed = host != nullptr ? ManagedSummary(host->Sources()) : std::string();
    if (!managed.empty() && m_infoBitmap.GetSafeHandle() == nullptr)
    {
        m_infoBitmap.LoadBitmap(IDB_RESOURCES);
        m_managedPicture.SetBitmap(m_infoBitmap);
    }
    SetDlgItemText(IDC_MANAGED_TEXT, morvex::Utf8ToWide(managed));
    for (const int id : {IDC_MANAGED_PICTURE, IDC_MANAGED_TEXT, IDC_MANAGED_DETAILS})
        ::ShowWindow(GetDlgItem(id), managed.empty() ? SW_HIDE : SW_SHOW);
}

void DisableAutorunTab::ControlsToSettings(AutoRunSettings&)
{
    // Nothing on this page edits the policy.
}

void DisableAutorunTab::TranslateTexts()
{
    SetDlgItemText(IDC_DISABLE_EVERYTHING, T("Disable Everything and Save"));
    SetDlgItemText(IDC_LANGUAGE_LABEL, T("Select language:"));
    SetDlgItemText(IDC_MANAGED_DETAILS, T("Details..."));
    // Named by its label, not by the language it shows.
    SetAccessibleName(m_languageCombo, WithoutAccessKeys(T("Select language:")));
    // The line beside it says what the picture stands for.
    SetAccessibleName(m_managedPicture, T("Information"));
    SetDlgItemText(IDC_EXPLANATION, T("AutoRun should be completely disabled on your PC so that removable media like USB Sticks or CD/DVD drives cannot execute programs automatically. This will protect your PC against malware (e.g. Conficker worm, Stuxnet etc.) that could infect your computer."));
    if (const PageHost* host = Host())
        SettingsToControls(host->Settings());
    Invalidate(TRUE);
}

void DisableAutorunTab::OnLanguageChange()
{
    LanguageStrings::Instance().SetLanguage(LanguageCodeAt(m_languageCombo.GetCurSel()));
    if (PageHost* host = Host())
        host->UpdateTexts();
}

void DisableAutorunTab::OnDisableEverythingAndSave()
{
    try
    {
        const std::vector<PlannedWrite> writes = DisableEverythingAndSave();
        if (PageHost* host = Host())
            host->ReportOverridden(m_hWnd, writes);
    }
    catch (const std::exception& error)
    {
        if (PageHost* host = Host())
            host->ShowErrorBox(m_hWnd, error);
    }

    if (PageHost* host = Host())
        host->LoadSettings();
}

// Which value, which source and what it sets: a message box, so that a screen reader reads it
// whole and the text can be copied with Ctrl+C.
void DisableAutorunTab::OnManagedDetails()
{
    const PageHost* host = Host();
    if (host == nullptr)
        return;
    MessageBoxW(m_hWnd, morvex::Utf8ToWide(ManagedDetails(host->Sources())).c_str(), T("Managed settings").c_str(),
                MB_ICONINFORMATION);
}
