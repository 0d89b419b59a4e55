#pragma once
// T("English text"): the text in the current language, ready for a window (UTF-16).
// Every translated text is written at its call site as its English literal inside T(...)
// or Translate(...), or in a table inside TextKey(...) (TextKey.h); the key-coverage test
// reads the keys from the sources that way.

#include "LanguageStrings.h"
#include "TextConvert.h"

#include <string>

inline std::wstring T(const char* key)
{
    return morvex::Utf8ToWide(LanguageStrings::Instance().Translate(key));
}
