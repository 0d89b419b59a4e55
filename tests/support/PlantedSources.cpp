#include "PlantedSources.h"

#include "RegistryTestSupport.h"

#include <stdexcept>

namespace testreg {
namespace {

bool IsWow64Process32()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("no environment variable for the planted sources");
    return value;
}

} // namespace

PlantedSources::PlantedSources()
{
    const std::pair<HKEY, std::wstring> places[] = {{HKEY_LOCAL_MACHINE, kTemplatesHistory},
                                                    {HKEY_CURRENT_USER, kTemplatesHistory},
                                                    {HKEY_LOCAL_MACHINE, kPreferencesHistory},
                                                    {HKEY_LOCAL_MACHINE, kMdmAutoplayKey}};
    for (const auto& place : places)
    {
        keys.push_back(place);
        trees.push_back(std::make_unique<Tree>(Capture(place.first, place.second)));
        DeleteTree(place.first, place.second);
    }
}

PlantedSources::~PlantedSources()
{
    for (auto file = files.rbegin(); file != files.rend(); ++file)
        DeleteFileW(file->c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        RemoveDirectoryW(folder->c_str());
    for (size_t i = 0; i < keys.size(); ++i)
        Restore(keys[i].first, keys[i].second, *trees[i]);
}

std::wstring PlantedSources::SystemFolder()
{
    wchar_t windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + (IsWow64Process32() ? L"\\Sysnative" : L"\\System32");
}

std::wstring PlantedSources::ProgramData()
{
    return Variable(L"ProgramData");
}

std::wstring PlantedSources::LocalAppData()
{
    return Variable(L"LOCALAPPDATA");
}

void PlantedSources::MakeFolders(const std::wstring& folder)
{
    if (folder.empty() || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2)
        MakeFolders(folder.substr(0, slash));
    if (CreateDirectoryW(folder.c_str(), nullptr))
        folders.push_back(folder);
}

bool PlantedSources::File(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    MakeFolders(path.substr(0, path.find_last_of(L'\\')));
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false; // never overwrite what the test did not plant
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    files.push_back(path);
    DWORD written = 0;
    const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                      written == bytes.size());
    CloseHandle(file);
    return ok;
}

bool PlantedSources::File(const std::wstring& path, const std::string& bytes)
{
    return File(path, std::vector<BYTE>(bytes.begin(), bytes.end()));
}

void PlantedSources::HistoryEntry(HKEY root, const wchar_t* history, const std::wstring& entry,
                                  const std::wstring& displayName, const std::wstring& gpoName,
                                  const std::wstring& fileSysPath)
{
    const std::wstring key = std::wstring(history) + L"\\" + entry;
    WriteText(root, key, L"DisplayName", displayName);
    WriteText(root, key, L"GPOName", gpoName);
    WriteText(root, key, L"FileSysPath", fileSysPath);
}

void PlantedSources::Mdm(const std::wstring& name, const std::wstring& text)
{
    WriteText(HKEY_LOCAL_MACHINE, kMdmAutoplayKey, name, text);
}

} // namespace testreg
