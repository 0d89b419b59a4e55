#pragma once

#include "TabDlgBase.h"

// The third page: the drive letters on which AutoRun is disabled as well, as free text.
// The text goes between the field and the policy unchanged; the policy reads the letters.
class ByDriveLetterTab : public TabDlgBase
{
public:
    explicit ByDriveLetterTab(CWnd* parent);
    ~ByDriveLetterTab() override;

    void SettingsToControls(const AutoRunSettings& settings) override;
    void ControlsToSettings(AutoRunSettings& settings) override;
    void TranslateTexts() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void NameField();

    CEdit m_letters;
    CStatic m_mark;
    CBitmap m_markPicture;
    // A letter value could not be read: the field shows only what could.
    bool m_unreadable = false;
};
