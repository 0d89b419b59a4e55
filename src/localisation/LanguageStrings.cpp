#include "LanguageStrings.h"

#include "Languages.h"
#include "StringsFile.h"
#include "TextConvert.h"

#include <new>

namespace {

// Holds the catalogue's critical section for one scope, so that every way out of an
// operation, an exception included, leaves it.
class ScopedLock
{
public:
    explicit ScopedLock(CRITICAL_SECTION* section) : m_section(section) { EnterCriticalSection(m_section); }
    ~ScopedLock() { LeaveCriticalSection(m_section); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CRITICAL_SECTION* m_section;
};

// The executable's full path, however long. The ANSI form would lose a folder name that the
// code page cannot spell and stop at 260 bytes; the wide form has neither limit.
std::wstring ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], size);
        if (length == 0)
            return std::wstring();
        if (length < size)
        {
            path.resize(length);
            return path;
        }
        // Truncated: the buffer was too small. Paths end at 32767 characters.
        if (size >= 32768)
            return std::wstring();
        path.resize(static_cast<size_t>(size) * 2);
    }
}

// A path of MAX_PATH characters or more opens only in its \\?\ form on systems without
// long-path support. The module path is already absolute and normalised.
std::wstring OpenablePath(const std::wstring& path)
{
    if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

} // namespace

LanguageStrings& LanguageStrings::Instance()
{
    // Created at the first translated text and never destroyed: texts may still be asked
    // for while other static objects are torn down.
    static LanguageStrings* const instance = new LanguageStrings();
    return *instance;
}

LanguageStrings::LanguageStrings()
{
    InitializeCriticalSection(&lock);
    SetLanguage(LanguageCodeForLangId(GetUserDefaultLangID()));
}

std::string LanguageStrings::Translate(const std::string& key)
{
    ScopedLock hold(&lock);
    const auto found = strings.find(key);
    return found != strings.end() ? found->second : key;
}

bool LanguageStrings::SetLanguage(const std::string& code)
{
    if (code == language)
        return true;

    ScopedLock hold(&lock);
    language = code;

    const std::wstring executable = ExecutablePath();
    const size_t backslash = executable.rfind(L'\\');
    if (backslash == std::wstring::npos)
        return false;

    filePath = executable.substr(0, backslash + 1) + L"lang\\" +
               morvex::Utf8ToWide(code) + L".strings";
    return Reload();
}

bool LanguageStrings::Reload()
{
    ScopedLock hold(&lock);
    strings.clear();

    const HANDLE file = CreateFileW(OpenablePath(filePath).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;

    std::size_t count = 0;
    try
    {
        count = ReadStringsFile(
            [file](char* buffer, std::size_t capacity) -> long long {
                DWORD read = 0;
                if (!ReadFile(file, buffer, static_cast<DWORD>(capacity), &read, nullptr))
                    return -1;
                return read;
            },
            strings);
    }
    catch (const std::bad_alloc&)
    {
        // A line too long for memory ends the reading like a read error would, instead of
        // taking the program down while it sets its texts.
        count = strings.size();
    }
    CloseHandle(file);
    return count > 0;
}
