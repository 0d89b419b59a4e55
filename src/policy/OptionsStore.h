#pragma once

#include <windows.h>

#include <string>

// Single-value registry operations. Every call opens (or creates) its key, does its one
// thing and closes the key again. A 32-bit process on 64-bit Windows always works on the
// 64-bit view, where the system reads the policy. Failures throw Win32Exception; a key or
// value that is not there is no error.
class OptionsStore
{
public:
    OptionsStore();
    virtual ~OptionsStore() = default;

    // false: the value or its key was not there (the key then exists, empty).
    bool DeleteValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName);
    bool SetDword(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD value);
    bool SetString(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, const wchar_t* text);
    // false: key or value not there; value then holds defaultValue.
    bool GetDword(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, DWORD& value, DWORD defaultValue);
    bool GetString(HKEY root, const wchar_t* keyPath, const wchar_t* valueName, std::wstring& text,
                   const wchar_t* defaultText);

    bool IsWow64() const { return isWow64; }

private:
    bool isWow64;
};
