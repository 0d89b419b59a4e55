#include "CWinApp.h"

#include "TextConvert.h"

namespace {

CWinApp* g_app = nullptr;

} // namespace

CWinApp::CWinApp(const wchar_t* appName)
    : m_hInstance(GetModuleHandleW(nullptr)), m_pszAppName(appName)
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ExitInstance();
    return got == 0 ? static_cast<int>(msg.wParam) : 1;
}

int CWinApp::ExitInstance()
{
    return 0;
}

namespace {

// For a state no handler expected: the process ends with a message instead of running on in
// undefined behaviour.
[[noreturn]] void EndWithMessage()
{
    FatalAppExitW(0, L"An unexpected error ended the program.");
    ExitProcess(3);
}

} // namespace

void CWinApp::ProcessWndProcException(HWND window, const std::exception* error)
{
    if (error == nullptr)
        EndWithMessage();
    MessageBoxW(window, morvex::Utf8ToWide(error->what()).c_str(), L"Error", MB_ICONERROR);
}

void AfxProcessWndProcException(HWND window, const std::exception* error) noexcept
{
    try
    {
        if (CWinApp* app = AfxGetApp())
        {
            app->ProcessWndProcException(window, error);
            return;
        }
    }
    catch (...)
    {
        // Even the report failed (no memory for its text): nothing is left to rely on.
    }
    EndWithMessage();
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(id));
}

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    return g_app != nullptr ? g_app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_app != nullptr && g_app->m_hInstance != nullptr ? g_app->m_hInstance : GetModuleHandleW(nullptr);
}

int AfxWinMain(HINSTANCE instance)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    if (instance != nullptr)
        app->m_hInstance = instance;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
