#pragma once

#include <exception>
#include <string>

// A registry failure: a context (a fixed message or a key path), " : " and the system's
// description of the Win32 error code. The text is UTF-8, as the windows that show it
// decode UTF-8.
class Win32Exception : public std::exception
{
public:
    // context: UTF-8, may be null or empty (then the text is the system text alone).
    Win32Exception(const char* context, unsigned long code);
    // context, " : " and an explanation of our own, for failures where the system's text for
    // the code would send the reader the wrong way (a value of the wrong type or size).
    Win32Exception(const char* context, const std::string& explanation);
    ~Win32Exception() override = default;

    const char* what() const noexcept override;
    // The Win32 error code; 0 for a failure explained in our own words.
    unsigned long Code() const noexcept { return code; }

private:
    std::string message;
    unsigned long code = 0;
};
