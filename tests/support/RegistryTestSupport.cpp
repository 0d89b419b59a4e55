#include "RegistryTestSupport.h"

#include <stdexcept>

#include "TextConvert.h"

namespace testreg {

namespace {

void Check(LONG result, const char* what, const std::wstring& path)
{
    if (result != ERROR_SUCCESS)
        throw std::runtime_error(std::string(what) + " failed with " + std::to_string(result) + " for " +
                                 Utf8(path));
}

class Key
{
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        if (handle != nullptr)
            RegCloseKey(handle);
    }
    HKEY handle = nullptr;
};

std::wstring Child(const std::wstring& path, const std::wstring& name)
{
    return path.empty() ? name : path + L"\\" + name;
}

std::vector<std::wstring> SubkeyNames(HKEY key)
{
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256];
        DWORD length = 256;
        const LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        Check(result, "RegEnumKeyExW", L"");
        names.emplace_back(name, length);
    }
    return names;
}

// The last component of a path as the registry spells it (key names are not case-sensitive).
std::wstring StoredName(HKEY root, const std::wstring& path, REGSAM view)
{
    const size_t split = path.rfind(L'\\');
    const std::wstring parent = split == std::wstring::npos ? std::wstring() : path.substr(0, split);
    const std::wstring leaf = split == std::wstring::npos ? path : path.substr(split + 1);
    Key key;
    Check(RegOpenKeyExW(root, parent.c_str(), 0, KEY_READ | view, &key.handle), "RegOpenKeyExW", parent);
    for (const std::wstring& name : SubkeyNames(key.handle))
    {
        if (CompareStringOrdinal(name.c_str(), -1, leaf.c_str(), -1, TRUE) == CSTR_EQUAL)
            return name;
    }
    return leaf;
}

} // namespace

Tree Capture(HKEY root, const std::wstring& path, REGSAM view)
{
    Tree tree;
    Key key;
    const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key.handle);
    if (opened == ERROR_FILE_NOT_FOUND)
        return tree;
    Check(opened, "RegOpenKeyExW", path);
    tree.exists = true;
    tree.name = StoredName(root, path, view);

    DWORD maxName = 0;
    DWORD maxData = 0;
    Check(RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                           &maxData, nullptr, nullptr),
          "RegQueryInfoKeyW", path);
    for (DWORD index = 0;; ++index)
    {
        std::vector<wchar_t> name(maxName + 2);
        DWORD nameLength = static_cast<DWORD>(name.size());
        Value value;
        value.data.resize(maxData + 2);
        DWORD size = static_cast<DWORD>(value.data.size());
        const LONG result = RegEnumValueW(key.handle, index, name.data(), &nameLength, nullptr, &value.type,
                                          value.data.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        Check(result, "RegEnumValueW", path);
        value.name.assign(name.data(), nameLength);
        value.data.resize(size);
        tree.values.push_back(std::move(value));
    }
    for (const std::wstring& name : SubkeyNames(key.handle))
        tree.subkeys.emplace_back(name, Capture(root, Child(path, name), view));
    return tree;
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view)
{
    std::vector<std::wstring> names;
    {
        Key key;
        const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key.handle);
        if (opened == ERROR_FILE_NOT_FOUND)
            return;
        Check(opened, "RegOpenKeyExW", path);
        names = SubkeyNames(key.handle);
    }
    for (const std::wstring& name : names)
        DeleteTree(root, Child(path, name), view);
    Check(RegDeleteKeyExW(root, path.c_str(), view, 0), "RegDeleteKeyExW", path);
}

void Restore(HKEY root, const std::wstring& path, const Tree& tree, REGSAM view)
{
    DeleteTree(root, path, view);
    if (!tree.exists)
        return;
    const size_t split = path.rfind(L'\\');
    CreateKey(root, split == std::wstring::npos ? tree.name : path.substr(0, split + 1) + tree.name, 0, view);
    for (const Value& value : tree.values)
        WriteRaw(root, path, value.name, value.type, value.data.data(), static_cast<DWORD>(value.data.size()), view);
    for (const auto& [name, subtree] : tree.subkeys)
        Restore(root, Child(path, name), subtree, view);
}

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::wstring& path, REGSAM view)
{
    Check(RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC | view, &key), "RegOpenKeyExW", path);
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved.resize(size);
    Check(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data(), &size), "RegGetKeySecurity", path);

    // Everyone may read, and may give the key its old descriptor back.
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(everyone);
    if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize))
        throw std::runtime_error("CreateWellKnownSid failed");
    std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + sidSize);
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(reinterpret_cast<PACL>(acl.data()), static_cast<DWORD>(acl.size()), ACL_REVISION) ||
        !AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, KEY_READ | WRITE_DAC, everyone) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE))
        throw std::runtime_error("building a read-only security descriptor failed");
    Check(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), "RegSetKeySecurity", path);
}

ReadOnlyKey::~ReadOnlyKey()
{
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, saved.data());
    RegCloseKey(key);
}

void CreateKey(HKEY root, const std::wstring& path, DWORD options, REGSAM view)
{
    Key key;
    Check(RegCreateKeyExW(root, path.c_str(), 0, nullptr, options, KEY_WRITE | view, nullptr, &key.handle, nullptr),
          "RegCreateKeyExW", path);
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    Key key;
    const LONG result = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key.handle);
    if (result == ERROR_FILE_NOT_FOUND)
        return false;
    Check(result, "RegOpenKeyExW", path);
    return true;
}

DWORD ValueCount(HKEY root, const std::wstring& path, REGSAM view)
{
    Key key;
    Check(RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key.handle), "RegOpenKeyExW", path);
    DWORD count = 0;
    Check(RegQueryInfoKeyW(key.handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                           nullptr, nullptr, nullptr),
          "RegQueryInfoKeyW", path);
    return count;
}

void WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD bytes, REGSAM view)
{
    Key key;
    Check(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key.handle, nullptr),
          "RegCreateKeyExW", path);
    Check(RegSetValueExW(key.handle, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
          "RegSetValueExW", path);
}

void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value, REGSAM view)
{
    WriteRaw(root, path, name, REG_DWORD, &value, sizeof(value), view);
}

void WriteText(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
               DWORD type, REGSAM view)
{
    WriteRaw(root, path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), view);
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view)
{
    Key key;
    const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_WRITE | view, &key.handle);
    if (opened == ERROR_FILE_NOT_FOUND)
        return;
    Check(opened, "RegOpenKeyExW", path);
    const LONG result = RegDeleteValueW(key.handle, name.c_str());
    if (result != ERROR_FILE_NOT_FOUND)
        Check(result, "RegDeleteValueW", path);
}

std::optional<Value> Read(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view)
{
    Key key;
    const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key.handle);
    if (opened == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    Check(opened, "RegOpenKeyExW", path);
    Value value;
    value.name = name;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key.handle, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    Check(result, "RegQueryValueExW", path);
    value.data.resize(size);
    result = RegQueryValueExW(key.handle, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    Check(result, "RegQueryValueExW", path);
    value.data.resize(size);
    return value;
}

std::optional<DWORD> DwordOf(const Value& value)
{
    if (value.type != REG_DWORD || value.data.size() != sizeof(DWORD))
        return std::nullopt;
    return static_cast<DWORD>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                              static_cast<DWORD>(value.data[3]) << 24);
}

const std::vector<ValueName>& PolicyValues()
{
    static const std::vector<ValueName> values = {
        {HKEY_LOCAL_MACHINE, kIniMappingKey, L""},
        {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun"},
        {HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveTypeAutoRun"},
        {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"},
        {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveAutoRun"},
        {HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveAutoRun"},
    };
    return values;
}

std::string SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (text != nullptr)
    {
        result = morvex::WideToUtf8(std::wstring_view(text, length));
        LocalFree(text);
    }
    return result;
}

std::string Utf8(const std::wstring& text)
{
    return morvex::WideToUtf8(text);
}

} // namespace testreg
