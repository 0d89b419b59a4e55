#include "Languages.h"

#include "resource.h"

const LanguageInfo kLanguages[] = {
    {"en", "English", 0x09, IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN, L"com"},
    {"de", "Deutsch", 0x07, IDB_TOP_BANNER_DE, IDB_BOTTOM_BANNER_DE, L"de"},
    {"fr", "Francais", 0x0C, IDB_TOP_BANNER_FR, IDB_BOTTOM_BANNER_FR, L"fr"},
};

const LanguageInfo* FindLanguage(const std::string& code)
{
    for (const LanguageInfo& language : kLanguages)
    {
        if (code == language.code)
            return &language;
    }
    return nullptr;
}

const LanguageInfo& LanguageOrEnglish(const std::string& code)
{
    const LanguageInfo* language = FindLanguage(code);
    return language != nullptr ? *language : kLanguages[0];
}

int LanguageIndex(const std::string& code)
{
    return static_cast<int>(&LanguageOrEnglish(code) - kLanguages);
}

const char* LanguageCodeAt(int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < kLanguageCount ? kLanguages[index].code
                                                                           : kLanguages[0].code;
}

const char* LanguageCodeForLangId(std::uint16_t langId)
{
    for (const LanguageInfo& language : kLanguages)
    {
        if ((langId & 0x3FF) == language.primaryLangId)
            return language.code;
    }
    return kLanguages[0].code;
}
