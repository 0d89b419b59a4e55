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

class TranslationFiles : public testing::TestWithParam<const char*>
{
};

TEST_P(TranslationFiles, HoldEveryKeyThatTheProgramAsksFor)
{
    const TranslationFile file = Load(GetParam());
    ASSERT_FALSE(file.pairs.empty()) << "no lang\\" << GetParam() << ".strings beside the test";
    for (const Key& key : kKeys)
        EXPECT_EQ(1u, file.pairs.count(key.text)) << "\"" << key.text << "\" (" << key.source << ")";
}

TEST_P(TranslationFiles, AreWellFormedTranslations)
{
    const TranslationFile file = Load(GetParam());
    // A byte-order mark would become part of the first key, which then never matches.
    EXPECT_NE(0u, file.bytes.rfind("\xEF\xBB\xBF", 0));

    std::set<char> mnemonics;
    for (const auto& [key, value] : file.pairs)
    {
        EXPECT_FALSE(value.empty()) << key;
        EXPECT_TRUE(IsUtf8(value)) << key;
        // A key with a mnemonic keeps one in its translation; keys without have none.
        const std::vector<char> letters = Mnemonics(value);
        EXPECT_EQ(Mnemonics(key).size(), letters.size()) << key << " = " << value;
        // All texts with a mnemonic are in the main window: each letter once.
        for (char letter : letters)
            EXPECT_TRUE(mnemonics.insert(letter).second) << "&" << letter << " twice, at " << value;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, TranslationFiles, testing::Values("de", "fr"));

TEST(TranslationKeys, AreFoundInTheSources)
{
    // The list comes from the sources; an empty one would make the check above vacuous.
    EXPECT_FALSE(kKeys.empty());
}

} // namespace
