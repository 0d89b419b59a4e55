#pragma once
// UTF-8 inside the program, UTF-16 at the Win32 edge.

#include <windows.h>

#include <string>
#include <string_view>

namespace morvex {

// 8-bit text in the given code page (CP_UTF8, CP_ACP, ...) as UTF-16; bytes the code page
// cannot read become the replacement character, as the system converts them.
inline std::wstring ToWide(UINT codePage, std::string_view text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

inline std::wstring Utf8ToWide(std::string_view text)
{
    return ToWide(CP_UTF8, text);
}

inline std::string WideToUtf8(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

} // namespace morvex
