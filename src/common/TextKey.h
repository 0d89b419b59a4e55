#pragma once
// TextKey("English text") marks a translation key written in a table, away from the call that
// translates it: the key-coverage test finds keys inside T(...), Translate(...) and
// TextKey(...), so that a key kept in a table is still checked against the shipped files.

constexpr const char* TextKey(const char* englishText)
{
    return englishText;
}
