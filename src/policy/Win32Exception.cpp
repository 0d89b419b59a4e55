#include "Win32Exception.h"

#include <windows.h>

#include "TextConvert.h"

Win32Exception::Win32Exception(const char* context, unsigned long errorCode)
    : code(errorCode)
{
    if (context != nullptr && *context != '\0')
    {
        message = context;
        message += " : ";
    }

    // The wide form, converted to UTF-8, so that a localised system text reaches the
    // dialogs intact. Inserts are ignored: several system texts contain %1 placeholders,
    // and without arguments FormatMessage would fail or read arguments that are not there.
    wchar_t* systemText = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
    if (systemText != nullptr)
    {
        if (length > 0)
        {
            try
            {
                message += morvex::WideToUtf8(std::wstring_view(systemText, length));
            }
            catch (...)
            {
                LocalFree(systemText);
                throw;
            }
        }
        LocalFree(systemText);
    }
}

Win32Exception::Win32Exception(const char* context, const std::string& explanation)
{
    if (context != nullptr && *context != '\0')
    {
        message = context;
        message += " : ";
    }
    message += explanation;
}

const char* Win32Exception::what() const noexcept
{
    return message.c_str();
}
