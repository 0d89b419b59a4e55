#include "ByDriveTypeTab.h"

#include "PolicySources.h"
#include "TextConvert.h"
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

// What a ball tells a screen reader, by the state it shows: its colour alone says nothing to
// one, nor to a colour-blind user.
constexpr const char* kBallNames[] = {
    TextKey("Saved setting: AutoRun off"),
    TextKey("Saved setting: AutoRun enabled"),
    TextKey("Saved setting: could not be read"),
};

} // namespace

BEGIN_MESSAGE_MAP(ByDriveTypeTab, TabDlgBase)
    ON_BN_CLICKED(IDC_SELECT_ALL, &ByDriveTypeTab::OnSelectAll)
    ON_BN_CLICKED(CheckBoxOf(0), kSwitchClicked[0])
    ON_BN_CLICKED(CheckBoxOf(1), kSwitchClicked[1])
    ON_BN_CLICKED(CheckBoxOf(2), kSwitchClicked[2])
    ON_BN_CLICKED(CheckBoxOf(3), kSwitchClicked[3])
    ON_BN_CLICKED(CheckBoxOf(4), kSwitchClicked[4])
    ON_BN_CLICKED(CheckBoxOf(5), kSwitchClicked[5])
    ON_BN_CLICKED(CheckBoxOf(6), kSwitchClicked[6])
END_MESSAGE_MAP()
static_assert(kSwitchCount == 7, "one click handler per switch above");

const ByDriveTypeTab::ClickHandler ByDriveTypeTab::kSwitchClicked[kSwitchCount] = {
    &ByDriveTypeTab::OnSwitchClicked<0>, &ByDriveTypeTab::OnSwitchClicked<1>, &ByDriveTypeTab::OnSwitchClicked<2>,
    &ByDriveTypeTab::OnSwitchClicked<3>, &ByDriveTypeTab::OnSwitchClicked<4>, &ByDriveTypeTab::OnSwitchClicked<5>,
    &ByDriveTypeTab::OnSwitchClicked<6>,
};

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
    for (int i = 0; i < kSwitchCount; ++i)
        DDX_Control(pDX, IDC_MARK_RUN_AUTORUN_INF + kSwitches[i].controlOffset, m_marks[i]);
}

BOOL ByDriveTypeTab::OnInitDialog()
{
    CDialog::OnInitDialog();
    NameBalls();
    return TRUE;
}

void ByDriveTypeTab::SettingsToControls(const AutoRunSettings& settings)
{
    if (m_redBall.GetSafeHandle() == nullptr)
        m_redBall.LoadBitmap(IDB_RED_BALL);
    if (m_greenBall.GetSafeHandle() == nullptr)
        m_greenBall.LoadBitmap(IDB_GREEN_BALL);
    if (m_greyBall.GetSafeHandle() == nullptr)
        m_greyBall.LoadBitmap(IDB_GREY_BALL);

    bool allEnabled = true;
    for (int i = 0; i < kSwitchCount; ++i)
    {
        const bool enabled = GetSwitch(settings, i);
        const Stored stored = !settings.Decided(i) ? Stored::Unknown : enabled ? Stored::Enabled : Stored::Off;
        m_stored[i] = stored;
        m_switches[i].SetCheck(stored == Stored::Unknown ? BST_INDETERMINATE
                               : enabled                ? BST_CHECKED
                                                        : BST_UNCHECKED);
        m_balls[i].SetBitmap(stored == Stored::Unknown ? m_greyBall : enabled ? m_redBall : m_greenBall);
        if (IsDriveType(i))
            allEnabled = allEnabled && stored == Stored::Enabled;
    }
    // Checked only when every drive type's box is: never over a line that is not known.
    m_selectAll.SetCheck(allEnabled ? BST_CHECKED : BST_UNCHECKED);
    NameBalls();
    MarkManaged();
}

// An undecided box left alone is no choice of the user's: the field keeps what was read,
// and the save writes such a line as off when it writes its value at all. Set either way,
// it is the user's explicit choice, even where it matches the guess that was read.
void ByDriveTypeTab::ControlsToSettings(AutoRunSettings& settings)
{
    for (int i = 0; i < kSwitchCount; ++i)
    {
        const int state = m_switches[i].GetCheck();
        if (state == BST_INDETERMINATE)
            continue;
        if (m_stored[i] == Stored::Unknown)
            settings.Choose(i, state == BST_CHECKED);
        else
            SetSwitch(settings, i, state == BST_CHECKED);
    }
}

void ByDriveTypeTab::TranslateTexts()
{
    for (int i = 0; i < kSwitchCount; ++i)
        SetDlgItemText(CheckBoxOf(i), T(kSwitches[i].labelKey));
    SetDlgItemText(IDC_DRIVE_TYPE_GROUP, T("Autorun status on a drive type basis"));
    SetDlgItemText(IDC_SELECT_ALL, T("Select all"));
    NameBalls();
    MarkManaged();
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

// The boxes are three-state so that they can show an undecided line, but a click only sets
// and clears them: an undecided box is cleared by the first click, as a three-state box goes
// on from that state, and never comes back to it.
void ByDriveTypeTab::ToggleSwitch(int index)
{
    CButton& box = m_switches[index];
    box.SetCheck(box.GetCheck() == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
}

void ByDriveTypeTab::NameBalls()
{
    for (int i = 0; i < kSwitchCount; ++i)
        SetAccessibleName(m_balls[i], T(kBallNames[static_cast<int>(m_stored[i])]));
}

// The mark is no tab stop, so the box says it too: a screen reader on the box hears by whom.
void ByDriveTypeTab::MarkManaged()
{
    const PageHost* host = Host();
    for (int i = 0; i < kSwitchCount; ++i)
    {
        const std::string byWhom = host != nullptr ? ManagedByText(host->Sources(), ValuesOfSwitch(i)) : std::string();
        ShowManagedMark(m_marks[i], m_markPicture, byWhom);
        SetAccessibleName(m_switches[i], byWhom.empty() ? std::wstring()
                                                        : WithoutAccessKeys(T(kSwitches[i].labelKey)) + L" (" +
                                                              morvex::Utf8ToWide(byWhom) + L")");
    }
}
