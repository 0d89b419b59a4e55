#include <windows.h>

#include "CWinApp.h"

namespace {

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
    RestrictDllSearch();
    return AfxWinMain(instance);
}
