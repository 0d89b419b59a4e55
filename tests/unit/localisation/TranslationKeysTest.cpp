// The translation files that ship with the program, against the keys that the program's
// sources pass to the catalogue (translation_keys.inc, generated from the sources at build
// time). The files are the copies that the build puts into the lang folder beside this test,
// read with the program's own parser.

#include "StringsFile.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Key
{
    const char* text;
    const char* source;
};

const std::vector<Key> kKeys = {
#include "translation_keys.inc"
};

std::wstring LangFolder()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path.substr(0, path.rfind(L'\\') + 1) + L"lang\\";
}

struct TranslationFile
{
    std::string bytes;
    std::map<std::string, std::string> pairs;
};

TranslationFile Load(const char* code)
{
    TranslationFile file;
    std::ifstream in(std::filesystem::path(LangFolder() + std::wstring(code, code + std::strlen(code)) + L".strings"),
                     std::ios::binary);
    file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ParseStringsFile(file.bytes, file.pairs);
    return file;
}

bool IsUtf8(const std::string& text)
{
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

// The letter after each single '&' ("&&" is a literal ampersand).
std::vector<char> Mnemonics(const std::string& text)
{
    std::vector<char> letters;
    for (size_t i = 0; i + 1 < text.size(); ++i)
    {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            letters.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1]))));
        ++i;
    }
    return letters;
}

// A text as a language shows it: the file's value, or the key itself.
std::string Shown(const TranslationFile& file, const std::string& key)
{
    const auto found = file.pairs.find(key);
    return found == file.pairs.end() ? key : found->second;
}

bool AskedFor(const std::string& text)
{
    for (const Key& key : kKeys)
    {
        if (text == key.text)
            return true;
    }
    return false;
}

class TranslationFiles : public testing::TestWithParam<const char*>
{
};

TEST_P(TranslationFiles, AreWellFormedTranslations)
{
    const TranslationFile file = Load(GetParam());
    ASSERT_FALSE(file.pairs.empty()) << "no lang\\" << GetParam() << ".strings beside the test";
    // A byte-order mark would become part of the first key, which then never matches.
    EXPECT_NE(0u, file.bytes.rfind("\xEF\xBB\xBF", 0));
    for (const auto& [key, value] : file.pairs)
    {
        EXPECT_FALSE(value.empty()) << key;
        EXPECT_TRUE(IsUtf8(value)) << key;
        // A line whose key the program never asks for changes nothing, silently.
        EXPECT_TRUE(AskedFor(key)) << "\"" << key << "\" is no key of the program";
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, TranslationFiles, testing::Values("en", "de", "fr"));

class Translations : public testing::TestWithParam<const char*>
{
};

TEST_P(Translations, HoldEveryKeyThatTheProgramAsksFor)
{
    const TranslationFile file = Load(GetParam());
    for (const Key& key : kKeys)
        EXPECT_EQ(1u, file.pairs.count(key.text)) << "\"" << key.text << "\" (" << key.source << ")";
}

TEST_P(Translations, KeepTheAccessKeysOfEnglishEachLetterOnce)
{
    const TranslationFile file = Load(GetParam());
    const TranslationFile english = Load("en");
    std::set<char> mnemonics;
    for (const Key& key : kKeys)
    {
        // A text with an access key in English keeps one in every language; others have none.
        const std::string shown = Shown(file, key.text);
        const std::vector<char> letters = Mnemonics(shown);
        EXPECT_EQ(Mnemonics(Shown(english, key.text)).size(), letters.size()) << key.text << " = " << shown;
        // All texts with an access key are in the main window: each letter once. (English
        // repeats letters across pages and the system menu; the window tests check it page
        // by page in every language.)
        for (char letter : letters)
            EXPECT_TRUE(mnemonics.insert(letter).second) << "&" << letter << " twice, at " << shown;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, Translations, testing::Values("de", "fr"));

TEST(EnglishFile, OnlyAddsAccessKeys)
{
    // The English texts are the keys; the shipped file only marks their access keys, so a
    // typing error in it would show as a changed English text.
    for (const auto& [key, value] : Load("en").pairs)
    {
        std::string withoutMarks;
        for (size_t i = 0; i < value.size(); ++i)
        {
            if (value[i] == '&' && i + 1 < value.size())
                ++i;
            withoutMarks += value[i];
        }
        EXPECT_EQ(key, withoutMarks);
        EXPECT_EQ(1u, Mnemonics(value).size()) << value;
    }
}

TEST(TranslationKeys, AreFoundInTheSources)
{
    // The list comes from the sources; an empty one would make the check above vacuous.
    EXPECT_FALSE(kKeys.empty());
}

} // namespace
