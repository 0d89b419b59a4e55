#include <windows.h>

#include <string>

#include "CWinApp.h"
#include "UncaughtException.h"

namespace {

// An exception that reached no handler: a window program has no console for a report on
// stderr, so it says so in a message box.
void ShowUncaughtException(const std::wstring& text)
{
    ::MessageBoxW(nullptr, text.c_str(), L"Morvex", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// The program runs with administrator rights, often straight from a downloads folder: a
// DLL placed beside it must never be loaded. Only System32 is searched from here on.
void RestrictDllSearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (found != nullptr)
    {
        // Older systems without the update that brought this function skip it.
        const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    SetDllDirectoryW(L"");
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    morvex::SetUncaughtExceptionHandler(L"Morvex", ShowUncaughtException);
    RestrictDllSearch();
    return AfxWinMain(instance);
}
