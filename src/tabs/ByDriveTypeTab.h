#pragma once

#include "TabDlgBase.h"
#include "Switches.h"

// The second page: a check box and a ball for autorun.inf and each drive type, and
// "Select all" for the six drive types. The balls show the policy as last loaded, the
// boxes what the user is about to save.
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

    DECLARE_MESSAGE_MAP()

private:
    CButton m_switches[kSwitchCount];
    CButton m_selectAll;
    CStatic m_balls[kSwitchCount];
    // Loaded once and shared by every ball that shows them, for as long as the page exists.
    CBitmap m_redBall;
    CBitmap m_greenBall;
};
