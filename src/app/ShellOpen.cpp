#include "ShellOpen.h"

#include <windows.h>

#include <shellapi.h>

void OpenInBrowser(const std::wstring& address)
{
    // shell32 and the DLLs it brings in cost every start of the program, and only a web link
    // needs it: it is loaded with the first link, by its full System32 path, so that no copy
    // elsewhere is ever taken.
    using ShellExecuteFn = decltype(&::ShellExecuteW);
    static const ShellExecuteFn shellExecute = []() -> ShellExecuteFn {
        wchar_t path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + sizeof("\\shell32.dll") > MAX_PATH)
            return nullptr;
        lstrcpyW(path + length, L"\\shell32.dll");
        const HMODULE shell = ::LoadLibraryW(path);
        const FARPROC found = shell != nullptr ? ::GetProcAddress(shell, "ShellExecuteW") : nullptr;
        return reinterpret_cast<ShellExecuteFn>(reinterpret_cast<void (*)()>(found));
    }();
    if (shellExecute != nullptr)
        shellExecute(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
