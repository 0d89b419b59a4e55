#include "OptionsStore.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "TextConvert.h"
#include "Win32Exception.h"

namespace {

const char kDeleteFailed[] = "Failed to delete value.";
const char kSetFailed[] = "Failed set value.";
const char kQueryFailed[] = "Failed to query value.";

// Bytes of the first attempt to read a text; most values fit, longer ones cost a second query.
const DWORD kFirstTextBytes = 64;

// Closes its key on every path out of an operation.
class Key
{
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() { Close(); }

    HKEY* Out() { return &handle; }
    HKEY Get() const { return handle; }
    void Close()
    {
        if (handle != nullptr)
        {
            RegCloseKey(handle);
            handle = nullptr;
        }
    }

private:
    HKEY handle = nullptr;
};

const wchar_t* OrEmpty(const wchar_t* text)
{
    return text != nullptr ? text : L"";
}

const char* RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (root == HKEY_USERS)
        return "HKEY_USERS";
    return "HKEY";
}

std::string ValueLabel(const wchar_t* valueName)
{
    const wchar_t* name = OrEmpty(valueName);
    return *name == L'\0' ? std::string("(Default)") : morvex::WideToUtf8(name);
}

// Where an operation failed, so that the message says what to fix: the key path (as the
// message has always begun), then the hive and the value.
[[noreturn]] void ThrowForKey(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, LONG code)
{
    const std::string context = morvex::WideToUtf8(OrEmpty(keyPath)) + " (" + RootName(root) + ", " +
                                ValueLabel(valueName) + ")";
    throw Win32Exception(context.c_str(), static_cast<unsigned long>(code));
}

// A fixed message of the operation, then the full key and the value.
std::string ValueContext(const char* message, HKEY root, const wchar_t* keyPath, const wchar_t* valueName)
{
    return std::string(message) + " (" + RootName(root) + "\\" + morvex::WideToUtf8(OrEmpty(keyPath)) + ", " +
           ValueLabel(valueName) + ")";
}

[[noreturn]] void ThrowForValue(const char* message, HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                                LONG code)
{
    throw Win32Exception(ValueContext(message, root, keyPath, valueName).c_str(), static_cast<unsigned long>(code));
}

const char* TypeName(DWORD type)
{
    switch (type)
    {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return "REG_LINK";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_RESOURCE_LIST: return "REG_RESOURCE_LIST";
    case REG_FULL_RESOURCE_DESCRIPTOR: return "REG_FULL_RESOURCE_DESCRIPTOR";
    case REG_RESOURCE_REQUIREMENTS_LIST: return "REG_RESOURCE_REQUIREMENTS_LIST";
    case REG_QWORD: return "REG_QWORD";
    default: return nullptr;
    }
}

// What was found against what the policy can use. The system's texts for these cases
// ("Invalid data.", "More data is available.") do not tell an administrator what to fix.
std::string FoundAgainstExpected(DWORD type, DWORD size, DWORD expected)
{
    const char* name = TypeName(type);
    std::string text = "has type ";
    text += name != nullptr ? name : std::to_string(type);
    text += " (" + std::to_string(size) + (size == 1 ? " byte); a " : " bytes); a ");
    text += TypeName(expected);
    // A number of the right type is refused only for its length.
    if (type == expected && expected == REG_DWORD)
        text += " of 4 bytes";
    return text + " is expected";
}

[[noreturn]] void ThrowUnexpectedForm(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD type,
                                      DWORD size, DWORD expected)
{
    throw Win32Exception(ValueContext(kQueryFailed, root, keyPath, valueName).c_str(),
                         FoundAgainstExpected(type, size, expected));
}

} // namespace

OptionsStore::OptionsStore()
    : isWow64(false)
{
    // Looked up at run time: kernel32 of the oldest supported systems lacks it.
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (kernel == nullptr)
        return;
    const auto isWow64Process =
        reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    if (isWow64Process == nullptr)
        return;
    BOOL wow64 = FALSE;
    isWow64Process(GetCurrentProcess(), &wow64);
    isWow64 = wow64 != FALSE;
}

// The policy is read by 64-bit Windows from its own view; a 32-bit process must not land in
// Wow6432Node.
static REGSAM WithView(REGSAM access, bool wow64)
{
    return wow64 ? (access | KEY_WOW64_64KEY) : access;
}

static void CreateForWriting(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, bool wow64, Key& key)
{
    const LONG result = RegCreateKeyExW(root, OrEmpty(keyPath), 0, nullptr, 0, WithView(KEY_WRITE, wow64),
                                        nullptr, key.Out(), nullptr);
    if (result != ERROR_SUCCESS)
        ThrowForKey(root, keyPath, valueName, result);
}

// false: the key is not there. Any other failure to open throws.
static bool OpenForReading(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, bool wow64, Key& key)
{
    const LONG result = RegOpenKeyExW(root, OrEmpty(keyPath), 0, WithView(KEY_READ, wow64), key.Out());
    if (result == ERROR_FILE_NOT_FOUND)
        return false;
    if (result != ERROR_SUCCESS)
        ThrowForKey(root, keyPath, valueName, result);
    return true;
}

// The outcome of a query once the key is closed: true read, false absent, otherwise throws.
static bool QueryOutcome(LONG result, HKEY root, const wchar_t* keyPath, const wchar_t* valueName)
{
    if (result == ERROR_SUCCESS)
        return true;
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
        return false;
    ThrowForValue(kQueryFailed, root, keyPath, valueName, result);
}

bool OptionsStore::DeleteValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName)
{
    Key key;
    CreateForWriting(root, keyPath, valueName, isWow64, key);
    const LONG result = RegDeleteValueW(key.Get(), OrEmpty(valueName));
    key.Close();
    if (result == ERROR_SUCCESS)
        return true;
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
        return false;
    ThrowForValue(kDeleteFailed, root, keyPath, valueName, result);
}

bool OptionsStore::SetDword(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD value)
{
    Key key;
    CreateForWriting(root, keyPath, valueName, isWow64, key);
    const LONG result = RegSetValueExW(key.Get(), OrEmpty(valueName), 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&value), sizeof(value));
    key.Close();
    if (result != ERROR_SUCCESS)
        ThrowForValue(kSetFailed, root, keyPath, valueName, result);
    return true;
}

bool OptionsStore::SetString(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, const wchar_t* text)
{
    text = OrEmpty(text);
    // The stored data includes the terminating null character.
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD)
        ThrowForValue(kSetFailed, root, keyPath, valueName, ERROR_INVALID_PARAMETER);

    Key key;
    CreateForWriting(root, keyPath, valueName, isWow64, key);
    const LONG result = RegSetValueExW(key.Get(), OrEmpty(valueName), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(bytes));
    key.Close();
    if (result != ERROR_SUCCESS)
        ThrowForValue(kSetFailed, root, keyPath, valueName, result);
    return true;
}

bool OptionsStore::GetDword(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD& value,
                            DWORD defaultValue)
{
    value = defaultValue;
    Key key;
    if (!OpenForReading(root, keyPath, valueName, isWow64, key))
        return false;

    // The data lands on the default, so that a REG_DWORD shorter than four bytes fills only
    // the low bytes of it, as the system's own readers take such a value.
    DWORD type = REG_NONE;
    DWORD data = defaultValue;
    DWORD size = sizeof(data);
    const LONG result = RegQueryValueExW(key.Get(), OrEmpty(valueName), nullptr, &type,
                                         reinterpret_cast<BYTE*>(&data), &size);
    // Too long for a number: its type and length, for the message.
    bool formKnown = result == ERROR_SUCCESS;
    if (result == ERROR_MORE_DATA)
        formKnown = RegQueryValueExW(key.Get(), OrEmpty(valueName), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    key.Close();
    // Older Windows versions wrote these numbers as four bytes of REG_BINARY, and the system
    // still reads them as the little-endian number they hold.
    if (result == ERROR_SUCCESS && (type == REG_DWORD || (type == REG_BINARY && size == sizeof(data))))
    {
        value = data;
        return true;
    }
    if ((result == ERROR_SUCCESS || result == ERROR_MORE_DATA) && formKnown)
        ThrowUnexpectedForm(root, keyPath, valueName, type, size, REG_DWORD);
    return QueryOutcome(result, root, keyPath, valueName);
}

bool OptionsStore::GetString(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, std::wstring& text,
                             const wchar_t* defaultText)
{
    text = OrEmpty(defaultText);
    Key key;
    if (!OpenForReading(root, keyPath, valueName, isWow64, key))
        return false;

    DWORD type = REG_NONE;
    wchar_t first[kFirstTextBytes / sizeof(wchar_t)] = {};
    std::vector<wchar_t> larger;
    const wchar_t* data = first;
    DWORD size = kFirstTextBytes;
    LONG result = RegQueryValueExW(key.Get(), OrEmpty(valueName), nullptr, &type, reinterpret_cast<BYTE*>(first),
                                   &size);
    if (result == ERROR_MORE_DATA && size <= MAXDWORD - 2)
    {
        size += 2;
        larger.assign((size + 1) / sizeof(wchar_t), L'\0');
        data = larger.data();
        result = RegQueryValueExW(key.Get(), OrEmpty(valueName), nullptr, &type,
                                  reinterpret_cast<BYTE*>(larger.data()), &size);
    }
    key.Close();
    if (result == ERROR_SUCCESS)
    {
        if (type != REG_SZ)
            ThrowUnexpectedForm(root, keyPath, valueName, type, size, REG_SZ);
        // Only the bytes the registry returned count: a text stored without its terminating
        // null ends where its data ends.
        const wchar_t* end = data + size / sizeof(wchar_t);
        text.assign(data, std::find(data, end, L'\0'));
    }
    return QueryOutcome(result, root, keyPath, valueName);
}
