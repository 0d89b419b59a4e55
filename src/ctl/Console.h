#pragma once
// Standard output and standard error. A console gets UTF-16 (WriteConsoleW shows every
// character whatever the console's code page); a pipe or file gets UTF-8. Lines end in CR LF.

#include <string>

enum class Stream
{
    Out,
    Error
};

// text: UTF-8 with \n line ends. 0 once it is written completely (or when the process has no
// such stream at all: nobody reads it), else the Win32 error code of the write that failed.
unsigned long WriteText(Stream stream, const std::string& text);
// A registry file to standard output: UTF-16 to a console, its bytes as they are otherwise.
unsigned long WriteRegistryFile(const std::wstring& text, const std::string& bytes);
// The error of a write into a pipe whose reader has closed it (`| head -1`, an agent that
// stopped reading): the output is unwanted, nothing failed. Windows answers 232, Wine 233,
// and 109 is the pipe's other end gone.
bool ReaderGone(unsigned long error);
