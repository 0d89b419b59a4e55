#include "Console.h"

#include <windows.h>

#include "TextConvert.h"

namespace {

HANDLE HandleOf(Stream stream)
{
    return GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// 0 or the error of the failed write; a write that takes nothing counts as a fault.
DWORD Failure()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

DWORD WriteConsoleAll(HANDLE handle, const std::wstring& text)
{
    size_t done = 0;
    while (done < text.size())
    {
        // Consoles take a limited amount per call.
        const DWORD chunk = static_cast<DWORD>(text.size() - done < 8192 ? text.size() - done : 8192);
        DWORD written = 0;
        SetLastError(ERROR_SUCCESS);
        if (!WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0)
            return Failure();
        done += written;
    }
    return 0;
}

DWORD WriteFileAll(HANDLE handle, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        DWORD written = 0;
        SetLastError(ERROR_SUCCESS);
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0)
            return Failure();
        done += written;
    }
    return 0;
}

// \n becomes \r\n; a \r\n already there (system error texts end in one) stays as it is.
std::string WithCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

} // namespace

unsigned long WriteText(Stream stream, const std::string& text)
{
    const HANDLE handle = HandleOf(stream);
    if (handle == nullptr)
        return 0;
    if (handle == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    const std::string lines = WithCrLf(text);
    if (IsConsole(handle))
        return WriteConsoleAll(handle, morvex::Utf8ToWide(lines));
    return WriteFileAll(handle, lines);
}

unsigned long WriteRegistryFile(const std::wstring& text, const std::string& bytes)
{
    const HANDLE handle = HandleOf(Stream::Out);
    if (handle == nullptr)
        return 0;
    if (handle == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    if (IsConsole(handle))
        return WriteConsoleAll(handle, text);
    return WriteFileAll(handle, bytes);
}

bool ReaderGone(unsigned long error)
{
    return error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_BROKEN_PIPE;
}
