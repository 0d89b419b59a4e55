#pragma once
// The registry values of the AutoRun policy as the 64-bit system sees them, set and read
// directly (not through the program's own code), plus a snapshot to put them back.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "RegistryTestSupport.h"

namespace e2e {

// The keys, the value names and the six values of the policy are the unit tests' too.
using testreg::kCdromKey;
using testreg::kExplorerPolicyKey;
using testreg::kIniMappingKey;
using testreg::PolicyValues;
using testreg::ValueName;

constexpr const wchar_t* kDoesNotExist = L"@SYS:DoesNotExist";

struct RegValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
    bool operator!=(const RegValue& other) const { return !(*this == other); }
};

std::optional<RegValue> ReadValue(HKEY root, const wchar_t* key, const wchar_t* name);
bool WriteValue(HKEY root, const wchar_t* key, const wchar_t* name, const RegValue& value);
bool DeleteValue(HKEY root, const wchar_t* key, const wchar_t* name);

RegValue Dword(DWORD value);
RegValue Binary(std::vector<BYTE> bytes);
RegValue String(const std::wstring& text, DWORD type = REG_SZ);

std::optional<DWORD> ReadDword(HKEY root, const wchar_t* key, const wchar_t* name);
std::optional<std::wstring> ReadString(HKEY root, const wchar_t* key, const wchar_t* name);
std::string Describe(const std::optional<RegValue>& value);

// The state of a set of values; Restore writes back or deletes each of them.
class RegistrySnapshot
{
public:
    explicit RegistrySnapshot(std::vector<ValueName> names = PolicyValues());
    void Restore() const;
    bool operator==(const RegistrySnapshot& other) const { return values == other.values; }
    // Which values differ, for the failure message.
    std::string Differences(const RegistrySnapshot& other) const;
    // The value of names[index] as it was.
    const std::optional<RegValue>& Value(size_t index) const { return values[index]; }

private:
    std::vector<ValueName> names;
    std::vector<std::optional<RegValue>> values;
};

// Removes every value of the policy: the state of a machine that never set it.
void ClearPolicy();

// The Win32Exception text for a code: context, " : " and the system's text, as UTF-8.
std::string ErrorText(const char* context, DWORD code);

} // namespace e2e
