#pragma once
// The language a start begins with, from the user's default language identifier.

#include <cstdint>

// Every sub-language of German gives "de", of French "fr"; anything else "en".
// Only the primary language (the low ten bits) counts.
inline const char* LanguageCodeForLangId(std::uint16_t langId)
{
    switch (langId & 0x3FF)
    {
    case 0x07:
        return "de";
    case 0x0C:
        return "fr";
    default:
        return "en";
    }
}
