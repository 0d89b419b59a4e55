#include <windows.h>

#include <exception>
#include <string>

#include "CWinApp.h"
#include "TextConvert.h"

namespace {

// What ends the program when an exception reaches no handler: a message box that says so
// (a window program has no console for libstdc++'s report on stderr), then the end of the
// process with exit code 3, as abort() gives.
[[noreturn]] void EndOnUncaughtException()
{
    std::wstring text = L"Morvex met an internal error and has to close.";
    if (const std::exception_ptr current = std::current_exception())
    {
        try
        {
            std::rethrow_exception(current);
        }
        catch (const std::exception& error)
        {
            text += L"\n\n" + morvex::Utf8ToWide(error.what());
        }
        catch (...)
        {
        }
    }
    ::MessageBoxW(nullptr, text.c_str(), L"Morvex", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    ::ExitProcess(3); // not reached: for the compiler, which knows only this one never returns
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

#if defined(__GLIBCXX__)
// libstdc++'s default handler is its verbose one, which names the exception's type through
// the demangler and prints with stdio: tens of kilobytes that a window program never shows,
// and std::terminate refers to it whatever handler is set. A definition of it here keeps
// libstdc++'s out of the static link.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    EndOnUncaughtException();
}
} // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    std::set_terminate(EndOnUncaughtException);
    RestrictDllSearch();
    return AfxWinMain(instance);
}
