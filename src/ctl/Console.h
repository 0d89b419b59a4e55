#pragma once
// Standard output and standard error. A console gets UTF-16 (WriteConsoleW shows every
// character whatever the console's code page); a pipe or file gets UTF-8. Lines end in CR LF.

#include <string>

enum class Stream
{
    Out,
    Error
};

// text: UTF-8 with \n line ends. false: the text could not be written completely.
bool WriteText(Stream stream, const std::string& text);
// A registry file to standard output: UTF-16 to a console, its bytes as they are otherwise.
bool WriteRegistryFile(const std::wstring& text, const std::string& bytes);
