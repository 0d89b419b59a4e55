#include "TestRegistry.h"

#include "RegistryTestSupport.h"

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

// The registry calls themselves are the unit tests' (testreg); these give their answers the
// window tests' form: no value, or false, where testreg throws.
std::optional<RegValue> ReadValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    try {
        const auto value = testreg::Read(root, key, name, kView);
        if (!value)
            return std::nullopt;
        return RegValue{value->type, value->data};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool WriteValue(HKEY root, const wchar_t* key, const wchar_t* name, const RegValue& value)
{
    try {
        testreg::WriteRaw(root, key, name, value.type, value.data.empty() ? nullptr : value.data.data(),
                          static_cast<DWORD>(value.data.size()), kView);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool DeleteValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    try {
        testreg::DeleteValue(root, key, name, kView);
        return true;
    } catch (const std::exception&) {
        return false;
    }
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
    return value ? testreg::DwordOf({L"", value->type, value->data}) : std::nullopt;
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
    return std::string(context) + " : " + testreg::SystemText(code);
}

} // namespace e2e
