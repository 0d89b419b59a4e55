#pragma once
// Policy sources planted for a test, where Windows records them: files under the 64-bit
// System32, ProgramData and the user's local application data, the Group Policy History keys
// and the MDM's Autoplay key. Everything planted goes again when the object goes: the files
// and folders it made (never one that was there before) and the keys as they were.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace testreg {

struct Tree;

// The History key of the Administrative Templates extension, and that of the preferences'
// registry items.
constexpr const wchar_t* kTemplatesHistory =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\{35378EAC-683F-11D2-A89A-00C04FBBCFA2}";
constexpr const wchar_t* kPreferencesHistory =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\{B087BE9D-ED37-454f-AF9C-04291E351182}";
constexpr const wchar_t* kMdmAutoplayKey = L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\Autoplay";

class PlantedSources
{
public:
    PlantedSources();
    ~PlantedSources();
    PlantedSources(const PlantedSources&) = delete;
    PlantedSources& operator=(const PlantedSources&) = delete;

    // The 64-bit System32 as this process reaches it (through Sysnative from a 32-bit process).
    static std::wstring SystemFolder();
    // %ProgramData% and %LOCALAPPDATA%.
    static std::wstring ProgramData();
    static std::wstring LocalAppData();

    // Writes the file, making the folders it needs; false when that failed.
    bool File(const std::wstring& path, const std::vector<BYTE>& bytes);
    bool File(const std::wstring& path, const std::string& bytes);
    // One entry of a History key (HKLM or HKCU).
    void HistoryEntry(HKEY root, const wchar_t* history, const std::wstring& entry, const std::wstring& displayName,
                      const std::wstring& gpoName, const std::wstring& fileSysPath);
    // A REG_SZ in the MDM's Autoplay key.
    void Mdm(const std::wstring& name, const std::wstring& text);

private:
    void MakeFolders(const std::wstring& folder);

    std::vector<std::wstring> files;
    std::vector<std::wstring> folders; // made here, in the order made
    std::vector<std::pair<HKEY, std::wstring>> keys;
    std::vector<std::unique_ptr<Tree>> trees;
};

} // namespace testreg
