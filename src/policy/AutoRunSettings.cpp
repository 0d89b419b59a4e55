#include "AutoRunSettings.h"

#include <windows.h>

#include "OptionsStore.h"
#include "Win32Exception.h"

namespace {

const wchar_t kIniMappingKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf";
const wchar_t kExplorerPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";
const wchar_t kCdromServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\cdrom";
const wchar_t kNoDriveTypeAutoRun[] = L"NoDriveTypeAutoRun";
const wchar_t kNoDriveAutoRun[] = L"NoDriveAutoRun";
const wchar_t kCdromAutoRun[] = L"AutoRun";
// Mapping autorun.inf to a section that does not exist makes Windows ignore the file.
const wchar_t kIgnoreAutorunInf[] = L"@SYS:DoesNotExist";

// NoDriveTypeAutoRun: a set bit disables AutoRun for that type of drive.
const DWORD kUnknownType = 0x01;
const DWORD kNoRootDir = 0x02;
const DWORD kRemovable = 0x04;
const DWORD kFixed = 0x08;
const DWORD kNetwork = 0x10;
const DWORD kCdrom = 0x20;
const DWORD kRamDisk = 0x40;
const DWORD kUnknownTypeSecond = 0x80;
const DWORD kEveryType = 0xFF;

const int kLetterCount = 26;

wchar_t UpperAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Case-insensitive for A to Z only, so that no locale changes the outcome.
bool EqualsIgnoringAsciiCase(const std::wstring& text, const wchar_t* other)
{
    size_t i = 0;
    for (; i < text.size() && other[i] != L'\0'; ++i)
    {
        if (UpperAsciiLetter(text[i]) != UpperAsciiLetter(other[i]))
            return false;
    }
    return i == text.size() && other[i] == L'\0';
}

// Writes the same value to two hives. A failure of the first write is tolerated (the
// other hive still carries the policy); the second write is always made and its
// failure is the caller's.
void WriteBothHives(OptionsStore& store, HKEY first, HKEY second, const wchar_t* valueName, DWORD value)
{
    int written = 0;
    try
    {
        store.SetDword(first, kExplorerPolicyKey, valueName, value);
        ++written;
        store.SetDword(second, kExplorerPolicyKey, valueName, value);
        ++written;
    }
    catch (const Win32Exception&)
    {
        if (written != 0)
            throw;
        store.SetDword(second, kExplorerPolicyKey, valueName, value);
    }
}

// The OR of the value in both hives; a missing value counts as 0. An unreadable machine
// value contributes nothing; the user value is given a second read, whose failure is the
// caller's.
DWORD ReadBothHives(OptionsStore& store, const wchar_t* valueName)
{
    DWORD combined = 0;
    DWORD read = 0;
    try
    {
        store.GetDword(HKEY_LOCAL_MACHINE, kExplorerPolicyKey, valueName, read, 0);
        combined |= read;
        store.GetDword(HKEY_CURRENT_USER, kExplorerPolicyKey, valueName, read, 0);
        combined |= read;
    }
    catch (const Win32Exception&)
    {
        store.GetDword(HKEY_CURRENT_USER, kExplorerPolicyKey, valueName, read, 0);
        combined |= read;
    }
    return combined;
}

} // namespace

void AutoRunSettings::Load()
{
    OptionsStore store;

    std::wstring mapping;
    store.GetString(HKEY_LOCAL_MACHINE, kIniMappingKey, L"", mapping, L"");
    runAutorunInf = !EqualsIgnoringAsciiCase(mapping, kIgnoreAutorunInf);

    const DWORD types = ReadBothHives(store, kNoDriveTypeAutoRun);
    unknownDrives = (types & (kUnknownType | kUnknownTypeSecond)) == 0;
    removableDrives = (types & kRemovable) == 0;
    fixedDrives = (types & kFixed) == 0;
    networkDrives = (types & kNetwork) == 0;
    cdromDrives = (types & kCdrom) == 0;
    ramDisks = (types & kRamDisk) == 0;

    // The CD-ROM service can only switch CD-ROM AutoRun off, never on.
    DWORD cdromService = 1;
    store.GetDword(HKEY_LOCAL_MACHINE, kCdromServiceKey, kCdromAutoRun, cdromService, 1);
    if (cdromService == 0)
        cdromDrives = false;

    // Bits 26 to 31 name no drive letter and are left out.
    const DWORD letters = ReadBothHives(store, kNoDriveAutoRun);
    std::wstring text;
    for (int n = 0; n < kLetterCount; ++n)
    {
        if ((letters & (DWORD(1) << n)) != 0)
        {
            if (!text.empty())
                text += L',';
            text += static_cast<wchar_t>(L'A' + n);
        }
    }
    disabledLetters = text;
}

void AutoRunSettings::Save()
{
    SaveSwitches();

    OptionsStore store;
    DWORD letters = 0;
    for (wchar_t& c : disabledLetters)
    {
        c = UpperAsciiLetter(c);
        if (c >= L'A' && c <= L'Z')
            letters |= DWORD(1) << (c - L'A');
    }
    WriteBothHives(store, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, kNoDriveAutoRun, letters);
}

void AutoRunSettings::SaveSwitches()
{
    OptionsStore store;

    if (runAutorunInf)
        store.DeleteValue(HKEY_LOCAL_MACHINE, kIniMappingKey, L"");
    else
        store.SetString(HKEY_LOCAL_MACHINE, kIniMappingKey, L"", kIgnoreAutorunInf);

    DWORD types = kEveryType;
    if (unknownDrives)
        types &= ~(kUnknownType | kUnknownTypeSecond);
    if (removableDrives)
        types &= ~kRemovable;
    if (fixedDrives)
        types &= ~kFixed;
    if (networkDrives)
        types &= ~kNetwork;
    if (cdromDrives)
        types &= ~kCdrom;
    if (ramDisks)
        types &= ~kRamDisk;
    static_assert((kEveryType & kNoRootDir) != 0, "drives without a root directory stay disabled");
    WriteBothHives(store, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, kNoDriveTypeAutoRun, types);

    store.SetDword(HKEY_LOCAL_MACHINE, kCdromServiceKey, kCdromAutoRun, cdromDrives ? 1 : 0);
}
