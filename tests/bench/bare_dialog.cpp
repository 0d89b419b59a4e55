// The smallest dialog program that starts the way Morvex.exe does: the same manifest, the
// same DLLs and the same common-controls initialisation, then an empty dialog. What is left
// between the two in scripts/bench-start.sh is Morvex's own work.
//
// Built with BENCH_WINDOW_TEMPLATES (window_templates.exe) it shows Morvex's main window as
// the dialog manager makes it from the program's own templates and nothing more: the main
// dialog with its controls, the three tab buttons and the first page in its place; no policy,
// no texts, no pictures fitted, no icon. Between the bare dialog and that lies what the
// templates cost (each control is a window of its own); between that and Morvex.exe lies what
// Morvex's own code does before its window shows.
#include <windows.h>

#include <commctrl.h>

#ifdef BENCH_WINDOW_TEMPLATES
#include "resource.h"
#endif

namespace {

#ifdef BENCH_WINDOW_TEMPLATES
const int kDialog = IDD_MORVEX_DIALOG;

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

void MakeFirstPage(HWND window)
{
    const HWND tabs = GetDlgItem(window, IDC_TABS);
    const wchar_t* titles[] = {L"Disable AutoRun", L"by Drive Type", L"by Drive Letter"};
    for (int i = 0; i < 3; ++i)
    {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(titles[i]);
        SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    const HWND page =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DISABLE_AUTORUN_TAB), tabs, PageProc, 0);
    RECT client = {};
    RECT first = {};
    GetClientRect(tabs, &client);
    SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SetWindowPos(page, HWND_TOP, first.left, first.bottom + 1, client.right - first.left - 1,
                 client.bottom - first.bottom - 2, SWP_SHOWWINDOW);
}
#else
const int kDialog = 1;

void MakeFirstPage(HWND)
{
}
#endif

INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        MakeFirstPage(window);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
    {
        EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    // Referenced, not called: the linker keeps gdi32 and advapi32 among the imports, as
    // Morvex.exe has them, so that the loader maps the same DLLs before the window.
    static void* volatile imports[] = { reinterpret_cast<void*>(&DeleteObject), reinterpret_cast<void*>(&RegCloseKey) };
    (void)imports;
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(kDialog), nullptr, Proc, 0));
}
