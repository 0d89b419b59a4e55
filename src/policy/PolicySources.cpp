#include "PolicySources.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <initializer_list>
#include <map>
#include <optional>

#include "LanguageStrings.h"
#include "OptionsStore.h"
#include "PreferenceXml.h"
#include "Switches.h"
#include "TextConvert.h"

namespace {

struct WatchedInfo
{
    bool machineHive;
    const wchar_t* keyPath;
    const wchar_t* valueName;
    const char* name;
};

const wchar_t kExplorerPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";
const wchar_t kAutoplayPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer";

WatchedInfo InfoOfWatched(WatchedValue value)
{
    static const char* const kNames[kWatchedValueCount] = {
        "HKLM\\IniFileMapping", "HKLM\\NoDriveTypeAutoRun", "HKCU\\NoDriveTypeAutoRun", "HKLM\\CdromAutoRun",
        "HKLM\\NoDriveAutoRun", "HKCU\\NoDriveAutoRun",     "HKLM\\NoAutorun",          "HKLM\\NoAutoplayfornonVolume"};
    const char* name = kNames[static_cast<int>(value)];
    PolicyValue policy;
    if (AsPolicyValue(value, policy))
    {
        const PolicyValueInfo& info = InfoOf(policy);
        return {info.machineHive, info.keyPath, info.valueName, name};
    }
    if (value == WatchedValue::MachineNoAutorun)
        return {true, kExplorerPolicyKey, L"NoAutorun", name};
    return {true, kAutoplayPolicyKey, L"NoAutoplayfornonVolume", name};
}

// ---------------------------------------------------------------- places

// The administrative templates' client-side extension, and that of the preferences' registry
// items: their History keys list the objects applied on this PC.
const wchar_t kTemplatesHistory[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\{35378EAC-683F-11D2-A89A-00C04FBBCFA2}";
const wchar_t kPreferencesHistory[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\History\\{B087BE9D-ED37-454f-AF9C-04291E351182}";
const wchar_t kMdmAutoplayKey[] = L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\Autoplay";

// A policy file is a few kilobytes; anything near this is not one.
const DWORD kMaxPolicyFile = 16 * 1024 * 1024;

bool IsWow64()
{
    return OptionsStore().IsWow64();
}

// The 64-bit System32, where Group Policy keeps its files: a 32-bit process would be sent to
// SysWOW64 by the file system redirector, so it goes through the Sysnative alias.
std::wstring SystemFolder()
{
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(windows) + (IsWow64() ? L"\\Sysnative" : L"\\System32");
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value) : std::wstring();
}

enum class FileRead
{
    Absent,
    Read,
    Failed
};

FileRead ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Absent : FileRead::Failed;
    }
    FileRead result = FileRead::Failed;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart <= kMaxPolicyFile)
    {
        bytes.assign(static_cast<size_t>(size.QuadPart), 0);
        DWORD read = 0;
        if (bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                              read == bytes.size()))
            result = FileRead::Read;
    }
    CloseHandle(file);
    return result;
}

class RegKey
{
public:
    RegKey(HKEY root, const std::wstring& path)
    {
        // The 64-bit view, where Windows records the policy; HKCU\Software is not redirected.
        const REGSAM view = root == HKEY_LOCAL_MACHINE && IsWow64() ? KEY_WOW64_64KEY : 0;
        status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key);
        if (status != ERROR_SUCCESS)
            key = nullptr;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey()
    {
        if (key != nullptr)
            RegCloseKey(key);
    }
    bool Open() const { return key != nullptr; }
    // Opening failed for another reason than the key not being there.
    bool Failed() const { return key == nullptr && status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND; }

    std::vector<std::wstring> Subkeys() const
    {
        std::vector<std::wstring> names;
        for (DWORD i = 0;; ++i)
        {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        return names;
    }

    // A REG_SZ or REG_EXPAND_SZ (not expanded); nothing when absent, of another type or unreadable.
    std::optional<std::wstring> Text(const std::wstring& subkey, const wchar_t* name) const
    {
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueW(key, subkey.empty() ? nullptr : subkey.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                                                                                    RRF_NOEXPAND,
                         &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegGetValueW(key, subkey.empty() ? nullptr : subkey.c_str(), name,
                         RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, &text[0], &size) != ERROR_SUCCESS)
            return std::nullopt;
        text.resize(wcslen(text.c_str()));
        return text;
    }

    // Whether a value is there at all, whatever its type.
    bool Has(const wchar_t* name) const
    {
        return RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

private:
    HKEY key = nullptr;
    LONG status = ERROR_SUCCESS;
};

// ---------------------------------------------------------------- reading the sources

class Collector
{
public:
    PolicySources result;

    // The values of one hive that a Registry.pol may set. A file that is not there sets
    // nothing, unless something says it should be there (absentIsUnknown).
    void ReadPol(const std::wstring& path, bool machine, const PolicySource& source, bool absentIsUnknown)
    {
        std::vector<std::uint8_t> bytes;
        UsePol(ReadWholeFile(path, bytes), bytes, path, machine, source, absentIsUnknown);
    }

    void UsePol(FileRead read, const std::vector<std::uint8_t>& bytes, const std::wstring& path, bool machine,
                const PolicySource& source, bool absentIsUnknown)
    {
        if (read == FileRead::Absent && !absentIsUnknown)
            return;
        std::optional<std::vector<regpol::PolRecord>> records;
        if (read == FileRead::Read)
            records = regpol::ReadRegistryPol(bytes);
        PolicySource where = source;
        where.where = path;
        if (!records)
        {
            result.unknown.push_back(where);
            return;
        }
        std::vector<regpol::ValueRef> asked;
        std::vector<WatchedValue> values;
        for (int i = 0; i < kWatchedValueCount; ++i)
        {
            const WatchedInfo info = InfoOfWatched(static_cast<WatchedValue>(i));
            if (info.machineHive != machine)
                continue;
            asked.push_back({info.keyPath, info.valueName});
            values.push_back(static_cast<WatchedValue>(i));
        }
        Note(values, regpol::EvaluatePol(*records, asked), where);
    }

    void ReadPreferences(const std::wstring& path, const PolicySource& source)
    {
        std::vector<std::uint8_t> bytes;
        const FileRead read = ReadWholeFile(path, bytes);
        if (read == FileRead::Absent)
            return;
        PolicySource where = source;
        where.where = path;
        std::optional<std::vector<regpol::PreferenceItem>> items;
        if (read == FileRead::Read)
            items = regpol::ReadPreferenceXml(bytes);
        if (!items)
        {
            result.unknown.push_back(where);
            return;
        }
        std::vector<regpol::PreferenceRef> asked;
        std::vector<WatchedValue> values;
        for (int i = 0; i < kWatchedValueCount; ++i)
        {
            const WatchedInfo info = InfoOfWatched(static_cast<WatchedValue>(i));
            asked.push_back({info.machineHive ? regpol::Hive::LocalMachine : regpol::Hive::CurrentUser, info.keyPath,
                             info.valueName});
            values.push_back(static_cast<WatchedValue>(i));
        }
        Note(values, regpol::EvaluatePreferences(*items, asked), where);
    }

    void Note(const std::vector<WatchedValue>& values, const std::vector<regpol::ValueEffect>& effects,
              const PolicySource& source)
    {
        for (size_t i = 0; i < values.size() && i < effects.size(); ++i)
        {
            if (effects[i].kind != regpol::ValueEffect::Kind::Untouched)
                result.managed.push_back({values[i], source, effects[i]});
        }
    }
};

bool EndsWithFolder(const std::wstring& path, const wchar_t* folder)
{
    const size_t length = wcslen(folder);
    return path.size() > length && (path[path.size() - length - 1] == L'\\' || path[path.size() - length - 1] == L'/') &&
           regpol::EqualsIgnoringCase(path.substr(path.size() - length), folder);
}

std::wstring WithoutTrailingSlash(std::wstring path)
{
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

// The copy Windows keeps of a domain object's files: \\server\SysVol\domain\Policies\... is
// cached as System32\GroupPolicy\DataStore\0\sysvol\domain\Policies\...
std::wstring CachedCopy(const std::wstring& systemFolder, const std::wstring& folder)
{
    const std::wstring marker = L"\\sysvol\\";
    for (size_t at = 0; at + marker.size() <= folder.size(); ++at)
    {
        if (regpol::EqualsIgnoringCase(folder.substr(at, marker.size()), marker))
            return systemFolder + L"\\GroupPolicy\\DataStore\\0\\sysvol\\" + folder.substr(at + marker.size());
    }
    return std::wstring();
}

// The objects the Administrative Templates extension applied, in the order Windows numbered them.
void ReadTemplatesHistory(Collector& collector, HKEY root, const std::wstring& systemFolder)
{
    const bool machine = root == HKEY_LOCAL_MACHINE;
    const RegKey history(root, kTemplatesHistory);
    if (!history.Open())
        return;
    for (const std::wstring& entry : history.Subkeys())
    {
        PolicySource source;
        source.kind = SourceKind::GroupPolicy;
        const std::optional<std::wstring> gpoName = history.Text(entry, L"GPOName");
        // The local policy is read from its own files.
        if (gpoName && regpol::EqualsIgnoringCase(*gpoName, L"LocalGPO"))
            continue;
        const std::optional<std::wstring> displayName = history.Text(entry, L"DisplayName");
        source.name = displayName && !displayName->empty() ? *displayName : gpoName.value_or(entry);
        std::optional<std::wstring> folder = history.Text(entry, L"FileSysPath");
        if (!folder || folder->empty())
        {
            source.where = std::wstring(root == HKEY_LOCAL_MACHINE ? L"HKLM\\" : L"HKCU\\") + kTemplatesHistory +
                           L"\\" + entry;
            collector.result.unknown.push_back(source);
            continue;
        }
        // Recorded as the object's Machine or User folder, or as the object's own folder.
        std::wstring path = WithoutTrailingSlash(*folder);
        const wchar_t* side = machine ? L"Machine" : L"User";
        if (!EndsWithFolder(path, side))
            path += std::wstring(L"\\") + side;
        // The copy Windows keeps of what it applied comes first: it is what this PC got, and
        // reading it costs no wait for a share that an offline PC cannot reach.
        const std::wstring cached = CachedCopy(systemFolder, path);
        if (!cached.empty())
        {
            std::vector<std::uint8_t> copy;
            const std::wstring cachedFile = cached + L"\\Registry.pol";
            const FileRead read = ReadWholeFile(cachedFile, copy);
            if (read != FileRead::Absent)
            {
                collector.UsePol(read, copy, cachedFile, machine, source, true);
                continue;
            }
        }
        collector.ReadPol(path + L"\\Registry.pol", machine, source, true);
    }
}

// The display names of the objects the History keys know, by their {GUID}.
std::map<std::wstring, std::wstring> DisplayNames()
{
    std::map<std::wstring, std::wstring> names;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    {
        for (const wchar_t* path : {kPreferencesHistory, kTemplatesHistory})
        {
            const RegKey history(root, path);
            if (!history.Open())
                continue;
            for (const std::wstring& entry : history.Subkeys())
            {
                const std::optional<std::wstring> gpoName = history.Text(entry, L"GPOName");
                const std::optional<std::wstring> displayName = history.Text(entry, L"DisplayName");
                if (!gpoName || !displayName || displayName->empty())
                    continue;
                std::wstring key = *gpoName;
                for (wchar_t& c : key)
                    c = static_cast<wchar_t>(towupper(c));
                names.emplace(key, *displayName);
            }
        }
    }
    return names;
}

std::vector<std::wstring> Folders(const std::wstring& parent)
{
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((parent + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do
    {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L"..")
            folders.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

// The preference items the PC applied, by object: ProgramData for the machine's, the user's
// local application data for the user's.
void ReadPreferenceHistory(Collector& collector)
{
    struct Place
    {
        const wchar_t* variable;
        const wchar_t* side;
    };
    std::optional<std::map<std::wstring, std::wstring>> names;
    for (const Place place : {Place{L"ProgramData", L"Machine"}, Place{L"LOCALAPPDATA", L"User"}})
    {
        const std::wstring base = Environment(place.variable);
        if (base.empty())
            continue;
        const std::wstring history = base + L"\\Microsoft\\Group Policy\\History";
        for (const std::wstring& gpo : Folders(history))
        {
            const std::wstring file =
                history + L"\\" + gpo + L"\\" + place.side + L"\\Preferences\\Registry\\Registry.xml";
            // Most objects have no registry items: their names are not looked up.
            if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES &&
                (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
                continue;
            if (!names)
                names = DisplayNames();
            std::wstring key = gpo;
            for (wchar_t& c : key)
                c = static_cast<wchar_t>(towupper(c));
            const auto name = names->find(key);
            PolicySource source;
            source.kind = SourceKind::Preference;
            source.name = name != names->end() ? name->second : gpo;
            collector.ReadPreferences(file, source);
        }
    }
}

// An ADMX-backed policy as the MDM stack records it: "<enabled/><data id="X" value="N"/>" or
// "<disabled/>". Nothing when it is neither.
std::optional<regpol::ValueEffect> MdmEffect(const std::wstring& text, const wchar_t* dataId, std::uint32_t fixed)
{
    std::wstring squeezed;
    for (wchar_t c : text)
    {
        if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n')
            squeezed += c;
    }
    regpol::ValueEffect effect;
    if (squeezed.rfind(L"<disabled/>", 0) == 0)
    {
        effect.kind = regpol::ValueEffect::Kind::Deletes;
        return effect;
    }
    if (squeezed.rfind(L"<enabled/>", 0) != 0)
        return std::nullopt;
    std::uint32_t number = fixed;
    if (dataId != nullptr)
    {
        const std::wstring id = std::wstring(L"id=\"") + dataId + L"\"";
        const size_t at = squeezed.find(id);
        if (at == std::wstring::npos)
            return std::nullopt;
        const size_t value = squeezed.find(L"value=\"", at);
        if (value == std::wstring::npos)
            return std::nullopt;
        size_t i = value + 7;
        std::uint64_t parsed = 0;
        const size_t first = i;
        while (i < squeezed.size() && squeezed[i] >= L'0' && squeezed[i] <= L'9' && parsed <= 0xFFFFFFFFull)
            parsed = parsed * 10 + static_cast<std::uint64_t>(squeezed[i++] - L'0');
        if (i == first || i >= squeezed.size() || squeezed[i] != L'"' || parsed > 0xFFFFFFFFull)
            return std::nullopt;
        number = static_cast<std::uint32_t>(parsed);
    }
    effect.kind = regpol::ValueEffect::Kind::Sets;
    effect.type = regpol::kRegDword;
    effect.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                   static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return effect;
}

// Intune's Autoplay policies; they write the machine's values.
void ReadMdm(Collector& collector)
{
    const RegKey autoplay(HKEY_LOCAL_MACHINE, kMdmAutoplayKey);
    if (!autoplay.Open())
    {
        if (autoplay.Failed())
            collector.result.unknown.push_back({SourceKind::Mdm, L"", std::wstring(L"HKLM\\") + kMdmAutoplayKey});
        return;
    }
    struct MdmPolicy
    {
        const wchar_t* name;
        WatchedValue value;
        const wchar_t* dataId; // null: enabled writes 1
    };
    const MdmPolicy policies[] = {
        {L"TurnOffAutoPlay", WatchedValue::MachineDriveTypes, L"Autorun_Box"},
        {L"SetDefaultAutoRunBehavior", WatchedValue::MachineNoAutorun, L"NoAutorun_Dropdown"},
        {L"DisallowAutoplayForNonVolumeDevices", WatchedValue::MachineNoAutoplayForNonVolume, nullptr},
    };
    for (const MdmPolicy& policy : policies)
    {
        if (!autoplay.Has(policy.name))
            continue;
        const PolicySource source{SourceKind::Mdm, L"", std::wstring(L"HKLM\\") + kMdmAutoplayKey + L", " + policy.name};
        const std::optional<std::wstring> text = autoplay.Text(L"", policy.name);
        const std::optional<regpol::ValueEffect> effect =
            text ? MdmEffect(*text, policy.dataId, 1) : std::optional<regpol::ValueEffect>();
        if (effect)
            collector.result.managed.push_back({policy.value, source, *effect});
        else
            collector.result.unknown.push_back(source);
    }
}

// ---------------------------------------------------------------- texts

std::string Translate(const char* key)
{
    return LanguageStrings::Instance().Translate(key);
}

struct Field
{
    const char* placeholder;
    std::string text;
};

// Fills the placeholders of a translated text in one pass, so that a name or a registry text
// that happens to hold "{source}" is shown as it is.
std::string Fill(const std::string& pattern, std::initializer_list<Field> fields)
{
    std::string text;
    for (size_t i = 0; i < pattern.size();)
    {
        const Field* found = nullptr;
        for (const Field& field : fields)
        {
            if (pattern.compare(i, std::char_traits<char>::length(field.placeholder), field.placeholder) == 0)
                found = &field;
        }
        if (found == nullptr)
        {
            text += pattern[i++];
            continue;
        }
        text += found->text;
        i += std::char_traits<char>::length(found->placeholder);
    }
    return text;
}

std::string SourceText(const PolicySource& source)
{
    const std::string name = "\"" + morvex::WideToUtf8(source.name) + "\"";
    switch (source.kind)
    {
    case SourceKind::LocalGroupPolicy:
        return Translate("local Group Policy");
    case SourceKind::GroupPolicy:
        return Fill(Translate("Group Policy object {name}"), {{"{name}", name}});
    case SourceKind::Preference:
        return Fill(Translate("a Group Policy preference of {name}"), {{"{name}", name}});
    case SourceKind::Mdm:
        break;
    }
    return Translate("MDM (Intune)");
}

std::string NumberText(std::uint32_t number)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(number));
    return std::to_string(number) + " (" + hex + ")";
}

std::string DataText(const regpol::ValueEffect& effect)
{
    if (const std::optional<std::uint32_t> number = effect.Dword())
        return NumberText(*number);
    if (const std::optional<std::wstring> text = effect.String())
        return "\"" + morvex::WideToUtf8(*text) + "\"";
    return Fill(Translate("data of type {type}"), {{"{type}", std::to_string(effect.type)}});
}

std::string WriteText(const PlannedWrite& write)
{
    switch (write.kind)
    {
    case PlannedWrite::Kind::Number:
        return NumberText(write.number);
    case PlannedWrite::Kind::Text:
        return "\"" + morvex::WideToUtf8(write.text) + "\"";
    case PlannedWrite::Kind::Delete:
        break;
    }
    return std::string();
}

} // namespace

bool AsPolicyValue(WatchedValue watched, PolicyValue& value)
{
    const int index = static_cast<int>(watched);
    if (index >= kPolicyValueCount)
        return false;
    value = static_cast<PolicyValue>(index);
    return true;
}

WatchedValue Watched(PolicyValue value)
{
    return static_cast<WatchedValue>(static_cast<int>(value));
}

const char* WatchedName(WatchedValue value)
{
    return InfoOfWatched(value).name;
}

const char* SourceJsonName(SourceKind kind)
{
    switch (kind)
    {
    case SourceKind::LocalGroupPolicy:
        return "localGroupPolicy";
    case SourceKind::GroupPolicy:
        return "groupPolicy";
    case SourceKind::Preference:
        return "preference";
    case SourceKind::Mdm:
        break;
    }
    return "mdm";
}

bool PolicySources::ManagesPolicy() const
{
    PolicyValue ignored;
    for (const ManagedSetting& setting : managed)
    {
        if (AsPolicyValue(setting.value, ignored))
            return true;
    }
    return false;
}

std::vector<const ManagedSetting*> PolicySources::For(WatchedValue value) const
{
    std::vector<const ManagedSetting*> settings;
    for (const ManagedSetting& setting : managed)
    {
        if (setting.value == value)
            settings.push_back(&setting);
    }
    return settings;
}

PolicySources WhoSetsPolicy()
{
    Collector collector;
    const std::wstring system = SystemFolder();
    if (!system.empty())
    {
        const PolicySource local{SourceKind::LocalGroupPolicy, L"", L""};
        collector.ReadPol(system + L"\\GroupPolicy\\Machine\\Registry.pol", true, local, false);
        collector.ReadPol(system + L"\\GroupPolicy\\User\\Registry.pol", false, local, false);
    }
    ReadTemplatesHistory(collector, HKEY_LOCAL_MACHINE, system);
    ReadTemplatesHistory(collector, HKEY_CURRENT_USER, system);
    ReadPreferenceHistory(collector);
    ReadMdm(collector);
    return collector.result;
}

std::vector<OverriddenWrite> Overridden(const std::vector<PlannedWrite>& writes, const PolicySources& sources)
{
    std::vector<OverriddenWrite> overridden;
    for (const PlannedWrite& write : writes)
    {
        for (const ManagedSetting* setting : sources.For(Watched(write.value)))
        {
            const regpol::ValueEffect& effect = setting->effect;
            bool undone = false;
            if (effect.kind == regpol::ValueEffect::Kind::Deletes)
                undone = write.kind != PlannedWrite::Kind::Delete;
            else if (write.kind == PlannedWrite::Kind::Delete)
                undone = true; // also a soft setting: it sets what is not there
            else if (effect.soft)
                undone = false; // what is there stays
            else if (write.kind == PlannedWrite::Kind::Number)
                undone = effect.Dword() != std::optional<std::uint32_t>(write.number);
            else
                undone = !effect.String() || !regpol::EqualsIgnoringCase(*effect.String(), write.text);
            if (undone)
                overridden.push_back({write, setting});
        }
    }
    return overridden;
}

std::string ManagedLine(const ManagedSetting& setting)
{
    std::string line = Translate("{value}: {data}, set by {source}");
    if (setting.effect.kind == regpol::ValueEffect::Kind::Deletes)
        line = Translate("{value}: deleted by {source}");
    else if (setting.effect.soft)
        line = Translate("{value}: {data} where not set, set by {source}");
    return Fill(line, {{"{value}", WatchedName(setting.value)},
                       {"{data}", DataText(setting.effect)},
                       {"{source}", SourceText(setting.source)}});
}

std::string UnknownLine(const PolicySource& source)
{
    std::string text = SourceText(source);
    if (!text.empty())
        text[0] = static_cast<char>(toupper(static_cast<unsigned char>(text[0])));
    return Fill(Translate("{source}: could not be read ({where})"),
                {{"{source}", text}, {"{where}", morvex::WideToUtf8(source.where)}});
}

std::string OverriddenLine(const OverriddenWrite& overridden)
{
    const bool deletes = overridden.setting->effect.kind == regpol::ValueEffect::Kind::Deletes;
    const bool deleted = overridden.write.kind == PlannedWrite::Kind::Delete;
    std::string line;
    if (deleted)
        line = Translate("{value} was deleted; {source} sets {data}.");
    else if (deletes)
        line = Translate("{value} was saved as {saved}; {source} deletes it.");
    else
        line = Translate("{value} was saved as {saved}; {source} sets {data}.");
    return Fill(line, {{"{value}", WatchedName(Watched(overridden.write.value))},
                       {"{saved}", WriteText(overridden.write)},
                       {"{source}", SourceText(overridden.setting->source)},
                       {"{data}", deletes ? std::string() : DataText(overridden.setting->effect)}});
}

std::string ManagedSummary(const PolicySources& sources)
{
    if (sources.ManagesPolicy())
        return Translate("Group Policy manages some of these settings; changes made here are undone at the next policy "
                  "refresh.");
    if (!sources.unknown.empty())
        return Translate("Morvex could not tell whether Group Policy manages these settings.");
    return std::string();
}

std::string ManagedDetails(const PolicySources& sources)
{
    std::string text;
    for (const ManagedSetting& setting : sources.managed)
        text += ManagedLine(setting) + "\n";
    for (const PolicySource& source : sources.unknown)
        text += UnknownLine(source) + "\n";
    if (!text.empty())
        text.pop_back();
    return text;
}

std::string OverriddenMessage(const std::vector<OverriddenWrite>& overridden)
{
    if (overridden.empty())
        return std::string();
    std::string text = Translate("Saved, but a policy sets these values otherwise and will undo them at its next refresh:");
    for (const OverriddenWrite& item : overridden)
        text += "\n" + OverriddenLine(item);
    return text;
}

std::vector<WatchedValue> ValuesOfSwitch(int switchIndex)
{
    if (switchIndex < 0 || switchIndex >= kSwitchCount)
        return {};
    if (!IsDriveType(switchIndex))
        return {WatchedValue::IniFileMapping};
    std::vector<WatchedValue> values = {WatchedValue::MachineDriveTypes, WatchedValue::UserDriveTypes};
    if (switchIndex == kCdromSwitch)
        values.push_back(WatchedValue::CdromAutoRun);
    return values;
}

std::vector<WatchedValue> ValuesOfLetters()
{
    return {WatchedValue::MachineDriveLetters, WatchedValue::UserDriveLetters};
}

std::string ManagedByText(const PolicySources& sources, const std::vector<WatchedValue>& values)
{
    std::vector<std::string> names;
    for (const ManagedSetting& setting : sources.managed)
    {
        bool concerned = false;
        for (WatchedValue value : values)
            concerned = concerned || setting.value == value;
        const std::string name = SourceText(setting.source);
        if (!concerned)
            continue;
        bool known = false;
        for (const std::string& listed : names)
            known = known || listed == name;
        if (!known)
            names.push_back(name);
    }
    if (names.empty())
        return std::string();
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    return Fill(Translate("Managed by {sources}"), {{"{sources}", list}});
}
