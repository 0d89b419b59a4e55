#pragma once

#include "TabDlgBase.h"
#include "Switches.h"

// The second page: a check box and a ball for autorun.inf and each drive type, and
// "Select all" for the six drive types. The balls show the policy as last loaded, the
// boxes what the user is about to save. A line whose stored state the readable values do
// not decide shows a grey ball and an undecided box, which the user may set either way;
// left undecided, it is not the user's change.
class ByDriveTypeTab : public TabDlgBase
{
public:
    explicit ByDriveTypeTab(CWnd* parent);
    ~ByDriveTypeTab() override;

    BOOL OnInitDialog() override;

    void SettingsToControls(const AutoRunSettings& settings) override;
    void ControlsToSettings(AutoRunSettings& settings) override;
    void TranslateTexts() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnSelectAll();
    template <int index>
    void OnSwitchClicked()
    {
        ToggleSwitch(index);
    }
    // The click handler of each switch's box, by switch index.
    using ClickHandler = void (ByDriveTypeTab::*)();
    static const ClickHandler kSwitchClicked[kSwitchCount];

    DECLARE_MESSAGE_MAP()

private:
    // What a line's ball says about the stored state.
    enum class Stored
    {
        Off,
        Enabled,
        Unknown
    };

    void ToggleSwitch(int index);
    void NameBalls();
    // Marks the lines a policy source sets, and names their boxes by whom.
    void MarkManaged();

    CButton m_switches[kSwitchCount];
    CButton m_selectAll;
    CStatic m_balls[kSwitchCount];
    // Loaded once and shared by every ball that shows them, for as long as the page exists.
    CBitmap m_redBall;
    CBitmap m_greenBall;
    CBitmap m_greyBall;
    Stored m_stored[kSwitchCount] = {};
    CStatic m_marks[kSwitchCount];
    CBitmap m_markPicture;
};
