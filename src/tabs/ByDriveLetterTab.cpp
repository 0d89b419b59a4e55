#include "ByDriveLetterTab.h"

#include "PolicySources.h"
#include "TextConvert.h"
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
    DDX_Control(pDX, IDC_MARK_DRIVE_LETTERS, m_mark);
}

void ByDriveLetterTab::SettingsToControls(const AutoRunSettings& settings)
{
    m_letters.SetWindowText(settings.disabledLetters);
    m_unreadable = settings.Stored(PolicyValue::MachineDriveLetters).state == StoredValue::State::Unreadable ||
                   settings.Stored(PolicyValue::UserDriveLetters).state == StoredValue::State::Unreadable;
    NameField();
}

void ByDriveLetterTab::ControlsToSettings(AutoRunSettings& settings)
{
    settings.disabledLetters = m_letters.GetWindowText();
}

void ByDriveLetterTab::TranslateTexts()
{
    SetDlgItemText(IDC_DRIVE_LETTER_GROUP, T("Disable autorun on specific drive letters"));
    SetDlgItemText(IDC_DRIVE_LETTER_LABEL, T("Additionally auto-run is disabled on the following drive letters:"));
    NameField();
    Invalidate(TRUE);
}

// Named by its label, as the system would, and saying so when the stored letters could not
// all be read, and who else sets them: the field alone cannot show that.
void ByDriveLetterTab::NameField()
{
    std::wstring name = WithoutAccessKeys(T("Additionally auto-run is disabled on the following drive letters:"));
    if (m_unreadable)
        name += L" " + T("Saved setting: could not be read");
    const PageHost* host = Host();
    const std::string byWhom = host != nullptr ? ManagedByText(host->Sources(), ValuesOfLetters()) : std::string();
    if (!byWhom.empty())
        name += L" (" + morvex::Utf8ToWide(byWhom) + L")";
    ShowManagedMark(m_mark, m_markPicture, byWhom);
    SetAccessibleName(m_letters, name);
}
