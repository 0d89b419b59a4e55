#pragma once
// The languages of the program, once: the code of the translation file and of --lang, the
// name in the language selector (the dialog template lists the same names, in this order),
// the Windows primary language that starts in it, the banners and the web site's top-level
// domain. English comes first: it is what every unknown code or selection falls back to.
// Pure code: no windows.h.

#include <cstddef>
#include <cstdint>
#include <string>

struct LanguageInfo
{
    const char* code;             // "en", "de", "fr": lang\<code>.strings, --lang, the web links
    const char* selectorName;     // the item of the language selector, never translated
    std::uint16_t primaryLangId;  // the user's default language that starts in it
    unsigned topBanner;           // bitmap of the main window's top banner
    unsigned bottomBanner;        // bitmap of its bottom banner
    const wchar_t* webDomain;     // top-level domain of the maker's web site
};

constexpr std::size_t kLanguageCount = 3;
extern const LanguageInfo kLanguages[kLanguageCount];

// The language of a code, compared exactly; null for a code that is not one of ours.
const LanguageInfo* FindLanguage(const std::string& code);
// The language of a code; English for any other code.
const LanguageInfo& LanguageOrEnglish(const std::string& code);

// The selector's list position of a code (English's for any other code), and the code of a
// position (English for any other position, no selection included).
int LanguageIndex(const std::string& code);
const char* LanguageCodeAt(int index);

// The language a start begins with, from the user's default language identifier: only the
// primary language (the low ten bits) counts, so every German and every French sub-language
// finds its language; anything else gives English.
const char* LanguageCodeForLangId(std::uint16_t langId);
