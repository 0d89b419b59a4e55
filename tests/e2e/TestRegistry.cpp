#include "TestRegistry.h"

#include <cstdio>

namespace e2e {

namespace {
// The test programs may be 32-bit as well; the policy lives in the 64-bit view.
constexpr REGSAM kView = KEY_WOW64_64KEY;

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return narrow;
}
} // namespace

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

std::optional<RegValue> ReadValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_READ | kView, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(handle, name, nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = RegQueryValueExW(handle, name, nullptr, &value.type, value.data.empty() ? nullptr : value.data.data(),
                                  &size);
        value.data.resize(size);
    }
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool WriteValue(HKEY root, const wchar_t* key, const wchar_t* name, const RegValue& value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE | kView, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExW(handle, name, 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                                          static_cast<DWORD>(value.data.size()));
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    HKEY handle = nullptr;
    const LSTATUS opened = RegOpenKeyExW(root, key, 0, KEY_SET_VALUE | kView, &handle);
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegDeleteValueW(handle, name);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

RegValue Dword(DWORD value)
{
    RegValue result;
    result.type = REG_DWORD;
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    result.data.assign(bytes, bytes + sizeof(value));
    return result;
}

RegValue Binary(std::vector<BYTE> bytes)
{
    RegValue result;
    result.type = REG_BINARY;
    result.data = std::move(bytes);
    return result;
}

RegValue String(const std::wstring& text, DWORD type)
{
    RegValue result;
    result.type = type;
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    result.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
    return result;
}

std::optional<DWORD> ReadDword(HKEY root, const wchar_t* key, const wchar_t* name)
{
    const auto value = ReadValue(root, key, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD result = 0;
    memcpy(&result, value->data.data(), sizeof(result));
    return result;
}

std::optional<std::wstring> ReadString(HKEY root, const wchar_t* key, const wchar_t* name)
{
    const auto value = ReadValue(root, key, name);
    if (!value || value->type != REG_SZ)
        return std::nullopt;
    std::wstring text(value->data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty())
        memcpy(text.data(), value->data.data(), text.size() * sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

std::string Describe(const std::optional<RegValue>& value)
{
    if (!value)
        return "(absent)";
    char head[32];
    snprintf(head, sizeof(head), "type %lu:", static_cast<unsigned long>(value->type));
    std::string text = head;
    if (value->type == REG_DWORD && value->data.size() == 4) {
        DWORD v = 0;
        memcpy(&v, value->data.data(), 4);
        snprintf(head, sizeof(head), " 0x%lX", static_cast<unsigned long>(v));
        return text + head;
    }
    if (value->type == REG_SZ || value->type == REG_EXPAND_SZ) {
        std::wstring wide(value->data.size() / 2, L'\0');
        if (!wide.empty())
            memcpy(wide.data(), value->data.data(), wide.size() * 2);
        return text + " \"" + Narrow(wide) + "\"";
    }
    for (BYTE b : value->data) {
        snprintf(head, sizeof(head), " %02X", b);
        text += head;
    }
    return text;
}

RegistrySnapshot::RegistrySnapshot(std::vector<ValueName> names) : names(std::move(names))
{
    for (const auto& name : this->names)
        values.push_back(ReadValue(name.root, name.key, name.name));
}

void RegistrySnapshot::Restore() const
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (values[i])
            WriteValue(names[i].root, names[i].key, names[i].name, *values[i]);
        else
            DeleteValue(names[i].root, names[i].key, names[i].name);
    }
}

std::string RegistrySnapshot::Differences(const RegistrySnapshot& other) const
{
    std::string text;
    for (size_t i = 0; i < names.size() && i < other.values.size(); ++i) {
        if (values[i] == other.values[i])
            continue;
        text += std::string(names[i].root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + Narrow(names[i].key) + " [" +
                Narrow(names[i].name) + "]: " + Describe(values[i]) + " -> " + Describe(other.values[i]) + "\n";
    }
    return text;
}

void ClearPolicy()
{
    for (const auto& name : PolicyValues())
        DeleteValue(name.root, name.key, name.name);
}

std::string ErrorText(const char* context, DWORD code)
{
    std::string text = std::string(context) + " : ";
    char* system = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&system), 0,
                                        nullptr);
    if (length && system)
        text.append(system, length);
    if (system)
        LocalFree(system);
    return text;
}

} // namespace e2e
