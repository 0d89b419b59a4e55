// Stands in for the web browser in the window tests: registered as the handler of http and
// https addresses, it appends the address it is given to "<this exe>.log", one per line, so
// that a test can see which page the program asked the shell to open.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args)
        return 2;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring log = std::wstring(self) + L".log";
    std::wstring line;
    for (int i = 1; i < count; ++i) {
        if (i > 1)
            line += L' ';
        line += args[i];
    }
    LocalFree(args);
    // UTF-8, written in one call so that two quick launches never interleave within a line.
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8 += '\n';
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (!file)
        return 1;
    fwrite(utf8.data(), 1, utf8.size(), file);
    fclose(file);
    return 0;
}
