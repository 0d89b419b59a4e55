#pragma once
// What ends a program of ours when an exception reaches no handler: the program's own report
// (a message box for the window, standard error for the console), then the end of the
// process with exit code 3, as abort() gives. With MinGW this also replaces libstdc++'s
// verbose handler, which names the exception's type through the demangler and prints with
// stdio: tens of kilobytes in every program that std::terminate is linked into.

#include <string>

namespace morvex {

// Gets "<program> met an internal error and has to close.", followed by an empty line and
// the exception's what() when it is a std::exception.
using UncaughtReport = void (*)(const std::wstring& text);

void SetUncaughtExceptionHandler(const wchar_t* program, UncaughtReport report);

} // namespace morvex
