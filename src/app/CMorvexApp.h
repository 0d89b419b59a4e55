#pragma once

#include "Afx.h"

// The application: runs the main window modally, then ends.
class CMorvexApp : public CWinApp
{
public:
    CMorvexApp();
    ~CMorvexApp() override;

    BOOL InitInstance() override;
};

extern CMorvexApp theApp;
