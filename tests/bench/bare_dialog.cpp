// The smallest dialog program that starts the way Morvex.exe does: the same manifest, the
// same DLLs and the same common-controls initialisation, then an empty dialog. What is left
// between the two in scripts/bench-start.sh is Morvex's own work.
#include <windows.h>

#include <commctrl.h>

namespace {

INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
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
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, Proc, 0));
}
