// The catalogue against real files in the lang folder beside this test program. Every test
// uses language codes of its own ("zt-..."), so no real translation is touched, and removes
// what it wrote. The tests of one program share the folder: they run under one CTest lock.

#include "Languages.h"
#include "LanguageStrings.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// Paths here are plain wide text and files are handled with the wide API in its \\?\ form,
// which also reaches paths longer than 260 characters.
std::wstring Extended(const std::wstring& path)
{
    return path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
}

std::wstring ExecutableFolder()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path.substr(0, path.rfind(L'\\'));
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << GetLastError();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size());
}

std::string ReadBytes(const std::wstring& path)
{
    std::string bytes;
    const HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

// Creates the folder and any missing parents; true when the folder itself was created.
bool MakeFolders(const std::wstring& folder)
{
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
        CreateDirectoryW(Extended(folder.substr(0, at)).c_str(), nullptr);
    return CreateDirectoryW(Extended(folder).c_str(), nullptr) != FALSE;
}

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(Extended(folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + L"\\" + name);
            else
                DeleteFileW(Extended(folder + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(Extended(folder).c_str());
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// The lang folder beside a program (this test program unless told), with translation files
// that vanish with this object, and the folder too if it was not there before.
class LangFolder
{
public:
    explicit LangFolder(const std::wstring& exeFolder = ExecutableFolder()) : m_folder(exeFolder + L"\\lang")
    {
        m_created = MakeFolders(m_folder);
    }
    ~LangFolder()
    {
        for (const std::wstring& file : m_files)
            DeleteFileW(Extended(file).c_str());
        if (m_created)
            RemoveDirectoryW(Extended(m_folder).c_str());
    }
    LangFolder(const LangFolder&) = delete;
    LangFolder& operator=(const LangFolder&) = delete;

    std::wstring File(const std::string& code) const { return m_folder + L"\\" + Wide(code) + L".strings"; }
    void Write(const std::string& code, const std::string& bytes)
    {
        m_files.push_back(File(code));
        WriteBytes(File(code), bytes);
    }

private:
    std::wstring m_folder;
    bool m_created = false;
    std::vector<std::wstring> m_files;
};

LanguageStrings& Strings()
{
    return LanguageStrings::Instance();
}

TEST(LanguageStrings, MissingFileGivesEnglishAndFalse)
{
    LangFolder folder;
    folder.Write("zt-full", "Error = Fehler\n");
    ASSERT_TRUE(Strings().SetLanguage("zt-full"));

    EXPECT_FALSE(Strings().SetLanguage("zt-missing"));
    EXPECT_EQ("zt-missing", Strings().CurrentLanguage());
    EXPECT_EQ("Error", Strings().Translate("Error"));
    EXPECT_FALSE(Strings().Reload());
}

TEST(LanguageStrings, TranslatesFromTheFile)
{
    LangFolder folder;
    folder.Write("zt-read", "# test\n\"Error\" = \"Fehler\";\n\"&Save\" = \"&Speichern\";\nEmpty=\n");
    EXPECT_TRUE(Strings().SetLanguage("zt-read"));
    EXPECT_EQ("zt-read", Strings().CurrentLanguage());
    EXPECT_EQ("Fehler", Strings().Translate("Error"));
    EXPECT_EQ("&Speichern", Strings().Translate("&Save"));
    // Keys match byte for byte: another letter case or a missing & is another key.
    EXPECT_EQ("error", Strings().Translate("error"));
    EXPECT_EQ("Save", Strings().Translate("Save"));
    EXPECT_EQ("", Strings().Translate("Empty"));
    EXPECT_EQ("Not in the file", Strings().Translate("Not in the file"));
}

TEST(LanguageStrings, FileWithoutPairsGivesFalse)
{
    LangFolder folder;
    folder.Write("zt-empty", "# only a comment\n\n  \"\";\nno equals sign\n");
    EXPECT_FALSE(Strings().SetLanguage("zt-empty"));
    EXPECT_EQ("Error", Strings().Translate("Error"));
}

TEST(LanguageStrings, SameLanguageIsNotReadAgain)
{
    LangFolder folder;
    folder.Write("zt-same", "Error=first\n");
    ASSERT_TRUE(Strings().SetLanguage("zt-same"));
    folder.Write("zt-same", "Error=second\n");

    EXPECT_TRUE(Strings().SetLanguage("zt-same"));
    EXPECT_EQ("first", Strings().Translate("Error"));
    // Reload itself always reads.
    EXPECT_TRUE(Strings().Reload());
    EXPECT_EQ("second", Strings().Translate("Error"));
}

TEST(LanguageStrings, ChangeOfLanguageReplacesAllPairs)
{
    LangFolder folder;
    folder.Write("zt-one", "Error=one\nSelect all=all of one\n");
    folder.Write("zt-two", "Error=two\n");
    ASSERT_TRUE(Strings().SetLanguage("zt-one"));
    ASSERT_EQ("all of one", Strings().Translate("Select all"));

    EXPECT_TRUE(Strings().SetLanguage("zt-two"));
    EXPECT_EQ("two", Strings().Translate("Error"));
    EXPECT_EQ("Select all", Strings().Translate("Select all"));
}

TEST(LanguageStrings, ReadsAFileThatAnotherProgramHasOpenForWriting)
{
    LangFolder folder;
    folder.Write("zt-open", "Error=shared\n");
    const HANDLE writer = CreateFileW(folder.File("zt-open").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_TRUE(Strings().SetLanguage("zt-open"));
    EXPECT_EQ("shared", Strings().Translate("Error"));
    CloseHandle(writer);
}

TEST(LanguageStrings, LargeAndBrokenFilesLoad)
{
    LangFolder folder;

    // Ten megabytes, read in many chunks.
    std::string big;
    int lines = 0;
    while (big.size() < 10u * 1024 * 1024)
        big += "key " + std::to_string(lines++) + " = a value that fills the file\r\n";
    big += "Error=big\r\n";
    folder.Write("zt-big", big);
    EXPECT_TRUE(Strings().SetLanguage("zt-big"));
    EXPECT_EQ("big", Strings().Translate("Error"));
    EXPECT_EQ("a value that fills the file", Strings().Translate("key " + std::to_string(lines - 1)));

    // One line of a megabyte, longer than any read chunk.
    const std::string longValue(1 << 20, 'x');
    folder.Write("zt-long", "Error=" + longValue + "\nSelect all=after\n");
    EXPECT_TRUE(Strings().SetLanguage("zt-long"));
    EXPECT_EQ(longValue, Strings().Translate("Error"));
    EXPECT_EQ("after", Strings().Translate("Select all"));

    // Binary garbage without line feeds, '=' or 0x1A: one long line that is skipped.
    std::string garbage(1 << 20, '\0');
    unsigned state = 7;
    for (char& byte : garbage)
    {
        state = state * 1103515245u + 12345u;
        const char c = static_cast<char>(state >> 24);
        byte = (c == '\n' || c == '=' || c == '\x1A') ? '\0' : c;
    }
    folder.Write("zt-garbage", garbage);
    EXPECT_FALSE(Strings().SetLanguage("zt-garbage"));
    EXPECT_EQ("Error", Strings().Translate("Error"));
}

TEST(LanguageCode, FollowsThePrimaryLanguage)
{
    const std::pair<WORD, const char*> cases[] = {
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), "de"},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN), "de"},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS), "de"},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_LUXEMBOURG), "de"},
        {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_LIECHTENSTEIN), "de"},
        {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), "fr"},
        {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN), "fr"},
        {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_BELGIAN), "fr"},
        {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_SWISS), "fr"},
        {MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH), "en"},
        {MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN), "en"},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "en"},
        {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), "en"},
        // Only the low ten bits are the primary language: 0x0407 with high bits set is still German.
        {static_cast<WORD>(0xFC00 | LANG_GERMAN), "de"},
        {static_cast<WORD>(0x0400 | 0x0107), "en"},
    };
    for (const auto& [langId, code] : cases)
        EXPECT_STREQ(code, LanguageCodeForLangId(langId)) << std::hex << langId;
}

// Runs language_probe.exe (or a copy of it) and returns its report lines. The probe is a
// fresh process: its catalogue starts as the program's does.
std::vector<std::string> RunProbe(const std::wstring& probe, const std::wstring& code = std::wstring())
{
    const std::wstring output = probe + L".report";
    DeleteFileW(Extended(output).c_str());

    std::wstring commandLine = L"\"" + probe + L"\" \"" + output + L"\"";
    if (!code.empty())
        commandLine += L" " + code;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(probe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
    {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return {};
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 120000));
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(0u, exitCode);

    std::vector<std::string> lines;
    const std::string text = ReadBytes(output);
    DeleteFileW(Extended(output).c_str());
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The language of a fresh process follows the user's locale. Wine takes the locale from
// LC_ALL of the Unix environment, which a child inherits from this process; CTest runs this
// test once more per locale of interest, with MORVEX_TEST_LOCALE_LANGUAGE naming the
// language expected (see CMakeLists.txt). Run plainly, it checks this machine's own locale.
TEST(LanguageStrings, DefaultLanguageFollowsTheUserLocale)
{
    const char* given = std::getenv("MORVEX_TEST_LOCALE_LANGUAGE");
    const std::string expected = given ? given : LanguageCodeForLangId(GetUserDefaultLangID());
    const std::wstring probe = ExecutableFolder() + L"\\language_probe.exe";
    {
        LangFolder folder;
        folder.Write(expected, "Error = translated at start\n");
        EXPECT_EQ((std::vector<std::string>{expected, "translated at start"}), RunProbe(probe));
    }
    // Without the file of that language: the same language, English texts.
    EXPECT_EQ((std::vector<std::string>{expected, "Error"}), RunProbe(probe));
}

// The folder of the executable is found and opened through the wide API: a folder name that
// the ANSI code page cannot spell still finds lang\. (A path longer than 260 characters is
// checked from outside, by long_path_probe.cmake: CreateProcess cannot start a program there.)
TEST(LanguageStrings, FindsLangBesideAnExecutableInAUnicodePath)
{
    const std::wstring folder = ExecutableFolder() + L"\\zt-path-\u00DCbersicht-\u65E5\u672C\u8A9E-\u0416";
    RemoveTree(folder);
    MakeFolders(folder);
    const std::wstring probe = folder + L"\\language_probe.exe";
    ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"\\language_probe.exe").c_str(), probe.c_str(), FALSE));
    {
        LangFolder lang(folder);
        lang.Write("zt-wide", "Error = found\n");
        const std::vector<std::string> report = RunProbe(probe, L"zt-wide");
        ASSERT_EQ(3u, report.size());
        EXPECT_EQ("true", report[1]);
        EXPECT_EQ("found", report[2]);
    }
    RemoveTree(folder);
    EXPECT_FALSE(Exists(folder));
}

} // namespace
