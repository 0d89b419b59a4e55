#pragma once

#include <exception>
#include <map>
#include <string>

#include "Afx.h"
#include "AutoRunSettings.h"
#include "AutoRunTabCtrl.h"
#include "HyperLinkStatic.h"
#include "PageHost.h"

// The program's window: banners, the tab control with the three pages, Save and Cancel.
// It owns the policy that every page shows, loads it when it opens and after every save,
// and reports registry errors. The pages reach it as their PageHost.
class CMorvexDlg : public CDialog, public PageHost
{
public:
    explicit CMorvexDlg(CWnd* parent = nullptr);
    ~CMorvexDlg() override;

    BOOL OnInitDialog() override;
    // Save never closes the window, whichever way it is pressed.
    void OnOK() override;
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp switch pages wherever the focus is.
    BOOL PreTranslateMessage(MSG* msg) override;

    // PageHost
    const AutoRunSettings& Settings() const override { return m_settings; }
    // Sets the colours of a control about to paint in the window or a page and gives the
    // brush of its background: the design's white, or with a high-contrast scheme the
    // scheme's window and text colours, so that every text stays readable. Null before the
    // window has made its brush.
    HBRUSH ControlColours(HDC dc) const override;
    bool LoadSettings() override;
    void UpdateTexts() override;
    void ShowErrorBox(HWND owner, const std::exception& error) override;
    const PolicySources& Sources() const override { return m_sources; }
    void ReportOverridden(HWND owner, const std::vector<PlannedWrite>& writes) override;

    bool SaveSettings();
    std::wstring MakeWebSiteAddress() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSaveClicked();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);
    void OnSysColorChange();
    void OnSettingChange(UINT flags, const wchar_t* section);
    void OnTopBannerClicked();
    void OnResourcesIconClicked();
    void OnBottomBannerClicked();
    LRESULT OnGetObject(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    void MakeBackground();
    void RelabelSystemMenu();
    HBITMAP Bitmap(UINT id);

    AutoRunTabCtrl m_tabCtrl;
    HICON m_hIcon;
    HyperLinkStatic m_topBanner;
    HyperLinkStatic m_bottomBanner;
    HyperLinkStatic m_resourcesIcon;

    AutoRunSettings m_settings;
    PolicySources m_sources;
    CBrush m_backgroundBrush;
    // Every banner shown so far, loaded once and kept until the window has gone.
    std::map<UINT, CBitmap> m_bitmaps;
    bool m_highContrast = false;
};
