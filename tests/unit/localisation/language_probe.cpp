// A small program for the catalogue tests: the catalogue of a fresh process, as a program
// beside its lang folder sees it.
//   language_probe.exe OUTPUT [CODE]
// Writes to OUTPUT (UTF-8; "-" is standard output), one per line: the language chosen at start, then, if CODE is
// given, the result of choosing CODE ("true"/"false"), then the translation of "Error".

#include "LanguageStrings.h"

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    LanguageStrings& strings = LanguageStrings::Instance();
    std::string report = strings.CurrentLanguage() + "\n";
    if (argc > 2)
    {
        std::string code;
        for (const wchar_t* c = argv[2]; *c; ++c)
            code += static_cast<char>(*c);
        report += strings.SetLanguage(code) ? "true\n" : "false\n";
    }
    report += strings.Translate("Error") + "\n";

    const bool toStandardOutput = std::wstring(argv[1]) == L"-";
    FILE* out = toStandardOutput ? stdout : _wfopen(argv[1], L"wb");
    if (!out)
        return 3;
    const bool written = std::fwrite(report.data(), 1, report.size(), out) == report.size();
    return std::fclose(out) == 0 && written ? 0 : 4;
}
