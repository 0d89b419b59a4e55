#include "UncaughtException.h"

#include <windows.h>

#include <exception>

#include "TextConvert.h"

namespace {

const wchar_t* g_program = L"The program";
morvex::UncaughtReport g_report = nullptr;

[[noreturn]] void EndOnUncaughtException()
{
    std::wstring text = std::wstring(g_program) + L" met an internal error and has to close.";
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
    if (g_report != nullptr)
        g_report(text);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    ::ExitProcess(3); // not reached: for the compiler, which knows only this one never returns
}

} // namespace

#if defined(__GLIBCXX__)
// std::terminate refers to libstdc++'s default handler whatever handler is set; a definition
// of it here keeps libstdc++'s out of the static link.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    EndOnUncaughtException();
}
} // namespace __gnu_cxx
#endif

namespace morvex {

void SetUncaughtExceptionHandler(const wchar_t* program, UncaughtReport report)
{
    g_program = program;
    g_report = report;
    std::set_terminate(EndOnUncaughtException);
}

} // namespace morvex
