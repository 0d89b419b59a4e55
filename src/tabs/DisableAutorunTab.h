#pragma once

#include "TabDlgBase.h"

// The first page: whether the PC is protected, "Disable Everything and Save", and the
// language selector of the whole program.
class DisableAutorunTab : public TabDlgBase
{
public:
    explicit DisableAutorunTab(CWnd* parent);
    ~DisableAutorunTab() override;

    BOOL OnInitDialog() override;
    void SettingsToControls(const AutoRunSettings& settings) override;
    void ControlsToSettings(AutoRunSettings& settings) override;
    void TranslateTexts() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnLanguageChange();
    void OnDisableEverythingAndSave();
    void OnManagedDetails();

    DECLARE_MESSAGE_MAP()

private:
    CComboBox m_languageCombo;
    CStatic m_statusPicture;
    CStatic m_managedPicture;
    // Loaded once and kept while the page exists, so that the picture shown stays valid.
    CBitmap m_warningBitmap;
    CBitmap m_tickBitmap;
    CBitmap m_infoBitmap;
};
