#include "CMorvexApp.h"

#include <commctrl.h>

#include "CMorvexDlg.h"
#include "ErrorText.h"

CMorvexApp theApp;

CMorvexApp::CMorvexApp() = default;

CMorvexApp::~CMorvexApp() = default;

BOOL CMorvexApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    CMorvexDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    // The dialog object ends here; nothing may reach it as the main window afterwards.
    m_pMainWnd = nullptr;
    return FALSE;
}

void CMorvexApp::ProcessWndProcException(HWND window, const std::exception* error)
{
    if (error == nullptr)
    {
        CWinApp::ProcessWndProcException(window, error);
        return;
    }
    ShowErrorBox(window, *error);
}
