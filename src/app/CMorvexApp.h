#pragma once

#include "Afx.h"

// The application: runs the main window modally, then ends.
class CMorvexApp : public CWinApp
{
public:
    CMorvexApp();
    ~CMorvexApp() override;

    BOOL InitInstance() override;
    // A handler's std::exception in the window's own error box, as a failed load or save.
    void ProcessWndProcException(HWND window, const std::exception* error) override;
};

extern CMorvexApp theApp;
