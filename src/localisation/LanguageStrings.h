#pragma once

#include <windows.h>

#include <map>
#include <string>

// The process-wide string catalogue: English text (the key) to the text of the current
// language, read from lang\<code>.strings beside the executable. Values are UTF-8.
class LanguageStrings
{
public:
    static LanguageStrings& Instance();

    // The stored translation, or the key itself when there is none.
    std::string Translate(const std::string& key);
    // true when the code was already current or at least one pair was read.
    bool SetLanguage(const std::string& code);
    // true when at least one pair was read from the current file.
    bool Reload();
    const std::string& CurrentLanguage() const { return language; }

private:
    LanguageStrings();
    LanguageStrings(const LanguageStrings&) = delete;
    LanguageStrings& operator=(const LanguageStrings&) = delete;

    std::map<std::string, std::string> strings;
    std::wstring filePath;
    std::string language;
    CRITICAL_SECTION lock;
};
