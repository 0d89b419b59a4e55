// The smallest dialog program: what any dialog program of this toolchain pays to show a
// window, for scripts/bench-start.sh to compare Morvex.exe with.
#include <windows.h>

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
    // A template with no controls, a caption and a frame, as the resource compiler lays it
    // out: DLGTEMPLATE, then the menu, class and title strings (empty, empty, "Bare").
    struct
    {
        DLGTEMPLATE header;
        WORD menu, windowClass;
        WCHAR title[5];
    } dialog = {};
    dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | WS_VISIBLE;
    dialog.header.cx = 200;
    dialog.header.cy = 100;
    lstrcpyW(dialog.title, L"Bare");
    return static_cast<int>(DialogBoxIndirectParamW(instance, &dialog.header, nullptr, Proc, 0));
}
