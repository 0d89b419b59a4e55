#pragma once

#include <windows.h>

#include <exception>

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

    // A message handler of window threw. error is the exception, or null for one that is
    // not a std::exception. The default shows a std::exception's text in an error box owned
    // by window, and ends the process with a message for anything else, whose state is not
    // known.
    virtual void ProcessWndProcException(HWND window, const std::exception* error);

    // An icon of the program's resources at the system's large-icon size.
    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_pszAppName = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetResourceHandle();

// Hands a handler's exception to the application (see ProcessWndProcException); ends the
// process when there is no application or the report itself fails.
void AfxProcessWndProcException(HWND window, const std::exception* error) noexcept;

// Runs one message handler so that no exception crosses user32 (whose frames it cannot
// unwind): whatever it throws goes to the application's ProcessWndProcException, and the
// message then gives fallback.
template <class Result, class Handler>
Result AfxCallHandler(HWND window, Result fallback, Handler&& handler)
{
    try
    {
        return handler();
    }
    catch (const std::exception& error)
    {
        AfxProcessWndProcException(window, &error);
    }
    catch (...)
    {
        AfxProcessWndProcException(window, nullptr);
    }
    return fallback;
}
// What the program's entry point calls: InitInstance, then (if it asks for it) the message
// pump, then ExitInstance. Returns the process exit code.
int AfxWinMain(HINSTANCE instance);
