#include "ByDriveTypeTab.h"

#include "Translate.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(ByDriveTypeTab, CDialog)
    ON_BN_CLICKED(IDC_SELECT_ALL, &ByDriveTypeTab::OnSelectAll)
    ON_WM_CTLCOLOR()
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
        DDX_Control(pDX, IDC_RUN_AUTORUN_INF + i, m_switches[i]);
    DDX_Control(pDX, IDC_SELECT_ALL, m_selectAll);
    for (int i = 0; i < kSwitchCount; ++i)
        DDX_Control(pDX, IDC_BALL_RUN_AUTORUN_INF + i, m_balls[i]);
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
    SetDlgItemText(IDC_RUN_AUTORUN_INF, T("Automatically run &autorun.inf files"));
    SetDlgItemText(IDC_DRIVE_TYPE_GROUP, T("Autorun status on a drive &type basis"));
    SetDlgItemText(IDC_UNKNOWN_DRIVES, T("Enabled for &unknown drives"));
    SetDlgItemText(IDC_REMOVABLE_DRIVES, T("Enabled for &removable drives"));
    SetDlgItemText(IDC_FIXED_DRIVES, T("Enabled for &fixed drives"));
    SetDlgItemText(IDC_NETWORK_DRIVES, T("Enabled for &network drives"));
    SetDlgItemText(IDC_CDROM_DRIVES, T("Enabled for C&D/DVD-ROM/Blu-ray drives"));
    SetDlgItemText(IDC_RAM_DISKS, T("Enabled for RA&M disks"));
    SetDlgItemText(IDC_SELECT_ALL, T("Select a&ll"));
    Invalidate(TRUE);
}

// Only the boxes follow "Select a&ll"; the balls keep showing what is stored.
void ByDriveTypeTab::OnSelectAll()
{
    const int state = m_selectAll.GetCheck();
    for (int i = 1; i < kSwitchCount; ++i)
        m_switches[i].SetCheck(state);
}
