// Morvex's main window as the dialog manager makes it from the program's own templates and
// nothing more: the main dialog with its controls, the three tab buttons and the first page
// shown in its place; no policy, no texts, no pictures fitted, no icon. Between the bare dialog
// and this lies what the templates cost (each control is a window of its own); between this
// and Morvex.exe lies what Morvex's own code does before its window shows.
#include <windows.h>

#include <commctrl.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
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
        const HWND page = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DISABLE_AUTORUN_TAB),
                                             tabs, PageProc, 0);
        RECT client = {};
        RECT first = {};
        GetClientRect(tabs, &client);
        SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
        SetWindowPos(page, HWND_TOP, first.left, first.bottom + 1, client.right - first.left - 1,
                     client.bottom - first.bottom - 2, SWP_SHOWWINDOW);
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
    // As in bare_dialog.cpp: the same imports, so that the loader maps the same DLLs.
    static void* volatile imports[] = { reinterpret_cast<void*>(&DeleteObject), reinterpret_cast<void*>(&RegCloseKey) };
    (void)imports;
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MORVEX_DIALOG), nullptr, Proc, 0));
}
