#pragma once
// Direct registry access for the tests, independent of the code under test: every call
// names its registry view explicitly, so that a 32-bit test process sees what 64-bit
// Windows sees.

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testreg {

constexpr REGSAM kView64 = KEY_WOW64_64KEY;
constexpr REGSAM kView32 = KEY_WOW64_32KEY;

// Where the AutoRun policy lives, written out here rather than taken from the code under test.
constexpr const wchar_t* kIniMappingKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf";
constexpr const wchar_t* kPoliciesKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies";
constexpr const wchar_t* kExplorerPolicyKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";
constexpr const wchar_t* kCdromKey = L"SYSTEM\\CurrentControlSet\\Services\\cdrom";

struct ValueName
{
    HKEY root;
    const wchar_t* key;
    const wchar_t* name; // empty: the default value
};
// The six values that make up the policy, in the order the program reads them.
const std::vector<ValueName>& PolicyValues();

struct Value
{
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// A key with everything below it, to be put back after a test.
struct Tree
{
    bool exists = false;
    std::wstring name; // the key's own name as stored, in its own letter case
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, Tree>> subkeys;
};

Tree Capture(HKEY root, const std::wstring& path, REGSAM view = kView64);
// Deletes the key and its subkeys; a missing key is no error.
void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = kView64);
// Makes the key exactly as captured (or absent).
void Restore(HKEY root, const std::wstring& path, const Tree& tree, REGSAM view = kView64);

void CreateKey(HKEY root, const std::wstring& path, DWORD options = 0, REGSAM view = kView64);
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = kView64);
DWORD ValueCount(HKEY root, const std::wstring& path, REGSAM view = kView64);

void WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
              DWORD bytes, REGSAM view = kView64);
void WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value,
                REGSAM view = kView64);
// REG_SZ with its terminating null.
void WriteText(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
               DWORD type = REG_SZ, REGSAM view = kView64);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = kView64);
std::optional<Value> Read(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = kView64);
// The number of a REG_DWORD of four bytes; nothing for any other type or size.
std::optional<DWORD> DwordOf(const Value& value);

// While it lives, the key lets everyone read it and nobody write to it or create keys in it:
// the security a policy key has for a user without administrator rights. The key's own
// security descriptor comes back when it ends. The key must exist.
class ReadOnlyKey
{
public:
    ReadOnlyKey(HKEY root, const std::wstring& path, REGSAM view = kView64);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

private:
    HKEY key = nullptr;
    std::vector<BYTE> saved; // the DACL part of the key's descriptor as it was
};

// The system's text for a Win32 error code, UTF-8, as Windows (or Wine) words it.
std::string SystemText(DWORD code);
std::string Utf8(const std::wstring& text);

} // namespace testreg
