// The table of the languages and the two ways the language selector reads it.
#include <gtest/gtest.h>

#include <string>

#include "Languages.h"

namespace {

TEST(Languages, TheSelectorsOrderIsEnglishGermanFrench)
{
    const char* const codes[] = {"en", "de", "fr"};
    const char* const names[] = {"English", "Deutsch", "Francais"};
    for (size_t i = 0; i < kLanguageCount; ++i)
    {
        EXPECT_STREQ(codes[i], kLanguages[i].code);
        EXPECT_STREQ(names[i], kLanguages[i].selectorName);
    }
}

TEST(Languages, SelectorPositionAndCode)
{
    const struct
    {
        const char* code;
        int index;
    } toIndex[] = {{"en", 0}, {"de", 1}, {"fr", 2}, {"FR", 0}, {"", 0}, {"it", 0}};
    for (const auto& c : toIndex)
        EXPECT_EQ(c.index, LanguageIndex(c.code)) << c.code;

    const struct
    {
        int index;
        const char* code;
    } toCode[] = {{0, "en"}, {1, "de"}, {2, "fr"}, {-1, "en"} /* no selection */, {3, "en"}};
    for (const auto& c : toCode)
        EXPECT_STREQ(c.code, LanguageCodeAt(c.index)) << c.index;
}

TEST(Languages, OnlyOurCodesAreFound)
{
    EXPECT_EQ(&kLanguages[1], FindLanguage("de"));
    EXPECT_EQ(nullptr, FindLanguage("DE"));
    EXPECT_EQ(nullptr, FindLanguage("nl"));
    EXPECT_EQ(&kLanguages[0], &LanguageOrEnglish("nl"));
}

} // namespace
