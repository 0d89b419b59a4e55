#include "ByDriveLetterTab.h"

#include "Translate.h"
#include "resource.h"

ByDriveLetterTab::ByDriveLetterTab(CWnd* parent)
    : TabDlgBase(IDD_BY_DRIVE_LETTER_TAB, parent)
{
}

ByDriveLetterTab::~ByDriveLetterTab() = default;

void ByDriveLetterTab::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DRIVE_LETTERS, m_letters);
}

void ByDriveLetterTab::SettingsToControls(const AutoRunSettings& settings)
{
    m_letters.SetWindowText(settings.disabledLetters);
}

void ByDriveLetterTab::ControlsToSettings(AutoRunSettings& settings)
{
    settings.disabledLetters = m_letters.GetWindowText();
}

void ByDriveLetterTab::TranslateTexts()
{
    SetDlgItemText(IDC_DRIVE_LETTER_GROUP, T("Disable autorun on specific drive letters"));
    SetDlgItemText(IDC_DRIVE_LETTER_LABEL, T("Additionally auto-run is disabled on the following drive letters:"));
    Invalidate(TRUE);
}
