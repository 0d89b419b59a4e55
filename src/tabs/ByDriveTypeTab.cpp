#include "ByDriveTypeTab.h"

#include "Translate.h"
#include "resource.h"

namespace {

// The check box of switch i (whose text is its label) and the ball beside it.
constexpr int CheckBoxOf(int i)
{
    return IDC_RUN_AUTORUN_INF + kSwitches[i].controlOffset;
}
constexpr int BallOf(int i)
{
    return IDC_BALL_RUN_AUTORUN_INF + kSwitches[i].controlOffset;
}

// The template's controls stand where the switch table puts them.
constexpr bool Follows(bool AutoRunSettings::*member, int checkBox, int ball)
{
    return CheckBoxOf(SwitchIndex(member)) == checkBox && BallOf(SwitchIndex(member)) == ball;
}
static_assert(Follows(&AutoRunSettings::runAutorunInf, IDC_RUN_AUTORUN_INF, IDC_BALL_RUN_AUTORUN_INF), "autorun.inf");
static_assert(Follows(&AutoRunSettings::unknownDrives, IDC_UNKNOWN_DRIVES, IDC_BALL_UNKNOWN_DRIVES), "unknown");
static_assert(Follows(&AutoRunSettings::removableDrives, IDC_REMOVABLE_DRIVES, IDC_BALL_REMOVABLE_DRIVES),
              "removable");
static_assert(Follows(&AutoRunSettings::fixedDrives, IDC_FIXED_DRIVES, IDC_BALL_FIXED_DRIVES), "fixed");
static_assert(Follows(&AutoRunSettings::networkDrives, IDC_NETWORK_DRIVES, IDC_BALL_NETWORK_DRIVES), "network");
static_assert(Follows(&AutoRunSettings::cdromDrives, IDC_CDROM_DRIVES, IDC_BALL_CDROM_DRIVES), "CD-ROM");
static_assert(Follows(&AutoRunSettings::ramDisks, IDC_RAM_DISKS, IDC_BALL_RAM_DISKS), "RAM disks");

} // namespace

BEGIN_MESSAGE_MAP(ByDriveTypeTab, TabDlgBase)
    ON_BN_CLICKED(IDC_SELECT_ALL, &ByDriveTypeTab::OnSelectAll)
END_MESSAGE_MAP()

// The template lists the boxes in the order of the switches; Tab walks them as they stand
// on the screen, each ball just before its box.
ByDriveTypeTab::ByDriveTypeTab(CWnd* parent)
    : TabDlgBase(IDD_BY_DRIVE_TYPE_TAB, parent)
{
    SetTabOrder({ IDC_BALL_RUN_AUTORUN_INF, IDC_RUN_AUTORUN_INF, IDC_DRIVE_TYPE_GROUP,
                  IDC_BALL_REMOVABLE_DRIVES, IDC_REMOVABLE_DRIVES, IDC_BALL_CDROM_DRIVES, IDC_CDROM_DRIVES,
                  IDC_BALL_FIXED_DRIVES, IDC_FIXED_DRIVES, IDC_BALL_NETWORK_DRIVES, IDC_NETWORK_DRIVES,
                  IDC_BALL_RAM_DISKS, IDC_RAM_DISKS, IDC_BALL_UNKNOWN_DRIVES, IDC_UNKNOWN_DRIVES, IDC_SELECT_ALL });
}

ByDriveTypeTab::~ByDriveTypeTab() = default;

void ByDriveTypeTab::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kSwitchCount; ++i)
        DDX_Control(pDX, CheckBoxOf(i), m_switches[i]);
    DDX_Control(pDX, IDC_SELECT_ALL, m_selectAll);
    for (int i = 0; i < kSwitchCount; ++i)
        DDX_Control(pDX, BallOf(i), m_balls[i]);
}

BOOL ByDriveTypeTab::OnInitDialog()
{
    CDialog::OnInitDialog();
    return TRUE;
}

void ByDriveTypeTab::SettingsToControls(const AutoRunSettings& settings)
{
    if (m_redBall.GetSafeHandle() == nullptr)
        m_redBall.LoadBitmap(IDB_RED_BALL);
    if (m_greenBall.GetSafeHandle() == nullptr)
        m_greenBall.LoadBitmap(IDB_GREEN_BALL);

    for (int i = 0; i < kSwitchCount; ++i)
    {
        const bool enabled = GetSwitch(settings, i);
        m_switches[i].SetCheck(enabled ? BST_CHECKED : BST_UNCHECKED);
        m_balls[i].SetBitmap(enabled ? m_redBall : m_greenBall);
    }
    m_selectAll.SetCheck(AllDriveTypesEnabled(settings) ? BST_CHECKED : BST_UNCHECKED);
}

void ByDriveTypeTab::ControlsToSettings(AutoRunSettings& settings)
{
    for (int i = 0; i < kSwitchCount; ++i)
        SetSwitch(settings, i, m_switches[i].GetCheck() == BST_CHECKED);
}

void ByDriveTypeTab::TranslateTexts()
{
    for (int i = 0; i < kSwitchCount; ++i)
        SetDlgItemText(CheckBoxOf(i), T(kSwitches[i].labelKey));
    SetDlgItemText(IDC_DRIVE_TYPE_GROUP, T("Autorun status on a drive type basis"));
    SetDlgItemText(IDC_SELECT_ALL, T("Select all"));
    Invalidate(TRUE);
}

// Only the drive types' boxes follow "Select all"; the balls keep showing what is stored.
void ByDriveTypeTab::OnSelectAll()
{
    const int state = m_selectAll.GetCheck();
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (IsDriveType(i))
            m_switches[i].SetCheck(state);
    }
}
