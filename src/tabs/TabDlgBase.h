#pragma once

#include <string>

#include "Afx.h"
#include "AutoRunSettings.h"
#include "PageHost.h"

// A page of the main window's tab control: a modeless child dialog through which the main
// dialog shows the policy, collects it back and re-translates the page.
class TabDlgBase : public CDialog
{
public:
    TabDlgBase(UINT templateId, CWnd* parent);
    ~TabDlgBase() override;

    virtual void SettingsToControls(const AutoRunSettings& settings) = 0;
    virtual void ControlsToSettings(AutoRunSettings& settings) = 0;
    virtual void TranslateTexts() = 0;

    // Enter and Escape pressed inside a page come here as the page's own OK and Cancel. A
    // page must never end (its window would vanish from the tab control), so both keys are
    // given to the main window: Enter presses its default button, Save; Escape closes it.
    void OnOK() override;
    void OnCancel() override;

    // The main window's background (white, or the high-contrast scheme's) for every colour
    // request of the tab control and its pages, having set the text colours on dc; null
    // before the main window exists.
    static HBRUSH ControlColours(HDC dc);

protected:
    // The window that holds the pages and owns the policy they show; null before it exists.
    static PageHost* Host();
    // The "i" beside a line that a policy source sets, named by whom (byWhom, translated, as
    // ManagedByText gives it); hidden where byWhom is empty. picture is the page's own copy
    // of the bitmap, loaded when first shown.
    static void ShowManagedMark(CStatic& mark, CBitmap& picture, const std::string& byWhom);
    // The colour handler of every page: each page's message map chains to this class's.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

    DECLARE_MESSAGE_MAP()
};
