#pragma once

#include <windows.h>

class CWnd;

// The application object. Exactly one exists (a global of the program); the entry point
// hands control to it through AfxWinMain.
class CWinApp
{
public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // FALSE ends the application without entering the message pump.
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // An icon of the program's resources at the system's large-icon size.
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_pszAppName = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();

// What the program's entry point calls: InitInstance, then (if it asks for it) the message
// pump, then ExitInstance. Returns the process exit code.
int AfxWinMain(HINSTANCE instance);
