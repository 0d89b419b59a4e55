#include "AutoRunSettings.h"

#include <windows.h>

#include "OptionsStore.h"
#include "PolicyEncoding.h"
#include "Switches.h"
#include "Win32Exception.h"

namespace {

const wchar_t kIniMappingKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf";
const wchar_t kExplorerPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer";
const wchar_t kCdromServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\cdrom";

const PolicyValueInfo kValues[kPolicyValueCount] = {
    {true, kIniMappingKey, L""},
    {true, kExplorerPolicyKey, L"NoDriveTypeAutoRun"},
    {false, kExplorerPolicyKey, L"NoDriveTypeAutoRun"},
    {true, kCdromServiceKey, L"AutoRun"},
    {true, kExplorerPolicyKey, L"NoDriveAutoRun"},
    {false, kExplorerPolicyKey, L"NoDriveAutoRun"},
};

// The order of Save's writes.
const PolicyValue kWriteOrder[kPolicyValueCount] = {
    PolicyValue::IniFileMapping,      PolicyValue::UserDriveTypes,    PolicyValue::MachineDriveTypes,
    PolicyValue::CdromAutoRun,        PolicyValue::MachineDriveLetters, PolicyValue::UserDriveLetters,
};

HKEY RootOf(PolicyValue value)
{
    return InfoOf(value).machineHive ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

int IndexOf(PolicyValue value)
{
    return static_cast<int>(value);
}

// Save writes the drive types and the letters to both hives. For the first write of such a
// pair this gives the second, in the other hive; a failure of the first is not the end.
bool SecondOfPair(PolicyValue first, PolicyValue& second)
{
    switch (first)
    {
    case PolicyValue::UserDriveTypes: second = PolicyValue::MachineDriveTypes; return true;
    case PolicyValue::MachineDriveLetters: second = PolicyValue::UserDriveLetters; return true;
    default: return false;
    }
}

StoredValue Read(OptionsStore& store, PolicyValue value)
{
    const PolicyValueInfo& info = InfoOf(value);
    StoredValue result;
    if (value == PolicyValue::IniFileMapping)
    {
        if (store.GetString(RootOf(value), info.keyPath, info.valueName, result.text, L""))
            result.state = StoredValue::State::Text;
    }
    else
    {
        DWORD number = 0;
        if (store.GetDword(RootOf(value), info.keyPath, info.valueName, number, 0))
        {
            result.state = StoredValue::State::Number;
            result.number = number;
        }
    }
    return result;
}

// A number that is absent or unreadable counts as the default.
std::uint32_t NumberOr(const StoredValue& value, std::uint32_t fallback)
{
    return value.state == StoredValue::State::Number ? value.number : fallback;
}

void AppendLine(std::string& lines, const char* text)
{
    if (!lines.empty() && lines.back() != '\n')
        lines += "\r\n";
    lines += text;
}

std::array<bool, kSwitchCount> SwitchesOf(const AutoRunSettings& s)
{
    std::array<bool, kSwitchCount> switches{};
    for (int i = 0; i < kSwitchCount; ++i)
        switches[i] = GetSwitch(s, i);
    return switches;
}

DriveTypes DriveTypesOf(const AutoRunSettings& s)
{
    DriveTypes types;
    types.unknownDrives = s.unknownDrives;
    types.removableDrives = s.removableDrives;
    types.fixedDrives = s.fixedDrives;
    types.networkDrives = s.networkDrives;
    types.cdromDrives = s.cdromDrives;
    types.ramDisks = s.ramDisks;
    return types;
}

} // namespace

bool GetSwitch(const AutoRunSettings& settings, int index)
{
    return index >= 0 && index < kSwitchCount && settings.*kSwitches[index].member;
}

void SetSwitch(AutoRunSettings& settings, int index, bool enabled)
{
    if (index >= 0 && index < kSwitchCount)
        settings.*kSwitches[index].member = enabled;
}

const PolicyValueInfo& InfoOf(PolicyValue value)
{
    return kValues[IndexOf(value)];
}

bool StoredValue::operator==(const StoredValue& other) const
{
    return state == other.state && number == other.number && text == other.text;
}

const char* PolicyChangedError::what() const noexcept
{
    return "Another program has changed the AutoRun policy since it was read. Nothing was saved.";
}

const StoredValue& AutoRunSettings::Stored(PolicyValue value) const
{
    return stored[IndexOf(value)];
}

void AutoRunSettings::Load()
{
    // A Load that does not get to its end leaves the policy not completely read.
    complete = false;

    OptionsStore store;
    std::array<StoredValue, kPolicyValueCount> values{};
    std::string errors;
    for (int i = 0; i < kPolicyValueCount; ++i)
    {
        try
        {
            values[i] = Read(store, static_cast<PolicyValue>(i));
        }
        catch (const Win32Exception& error)
        {
            values[i].state = StoredValue::State::Unreadable;
            AppendLine(errors, error.what());
        }
    }

    const StoredValue& mapping = values[IndexOf(PolicyValue::IniFileMapping)];
    runAutorunInf = mapping.state != StoredValue::State::Text || HonoursAutorunInf(mapping.text);

    const std::uint32_t types = NumberOr(values[IndexOf(PolicyValue::MachineDriveTypes)], 0) |
                                NumberOr(values[IndexOf(PolicyValue::UserDriveTypes)], 0);
    const DriveTypes drives = DriveTypesFrom(types, NumberOr(values[IndexOf(PolicyValue::CdromAutoRun)], 1));
    unknownDrives = drives.unknownDrives;
    removableDrives = drives.removableDrives;
    fixedDrives = drives.fixedDrives;
    networkDrives = drives.networkDrives;
    cdromDrives = drives.cdromDrives;
    ramDisks = drives.ramDisks;

    const std::uint32_t letters = NumberOr(values[IndexOf(PolicyValue::MachineDriveLetters)], 0) |
                                  NumberOr(values[IndexOf(PolicyValue::UserDriveLetters)], 0);
    disabledLetters = LettersFromMask(letters);

    stored = values;
    loaded = true;
    loadedSwitches = SwitchesOf(*this);
    loadedLetters = LetterMask(disabledLetters);
    complete = errors.empty();
    if (!complete)
        throw PolicyError(errors);
}

std::vector<PlannedWrite> AutoRunSettings::PlanSave() const
{
    return Plan(false);
}

std::vector<PlannedWrite> AutoRunSettings::Plan(bool switchesChosen) const
{
    const std::array<bool, kSwitchCount> switches = SwitchesOf(*this);
    const bool mappingChanged = switchesChosen || switches[kAutorunInfSwitch] != loadedSwitches[kAutorunInfSwitch];
    bool typesChanged = switchesChosen;
    for (int i = 1; i < kSwitchCount; ++i)
        typesChanged = typesChanged || switches[i] != loadedSwitches[i];
    const bool cdromChanged = switchesChosen || switches[kCdromSwitch] != loadedSwitches[kCdromSwitch];
    const std::uint32_t letters = LetterMask(disabledLetters);
    const bool lettersChanged = letters != loadedLetters;

    std::vector<PlannedWrite> writes;
    for (PolicyValue value : kWriteOrder)
    {
        bool changed = false;
        PlannedWrite write{value, PlannedWrite::Kind::Number, 0, std::wstring()};
        switch (value)
        {
        case PolicyValue::IniFileMapping:
            changed = mappingChanged;
            if (runAutorunInf)
            {
                write.kind = PlannedWrite::Kind::Delete;
            }
            else
            {
                write.kind = PlannedWrite::Kind::Text;
                write.text = kIgnoreAutorunInf;
            }
            break;
        case PolicyValue::MachineDriveTypes:
        case PolicyValue::UserDriveTypes:
            changed = typesChanged;
            write.number = DriveTypeMask(DriveTypesOf(*this));
            break;
        case PolicyValue::CdromAutoRun:
            changed = cdromChanged;
            write.number = cdromDrives ? 1 : 0;
            break;
        case PolicyValue::MachineDriveLetters:
        case PolicyValue::UserDriveLetters:
            changed = lettersChanged;
            write.number = letters;
            break;
        }
        // What could not be read is not known, so it is not replaced unless the user chose
        // a new value for it: that is how a broken value gets repaired.
        if (loaded && Stored(value).state == StoredValue::State::Unreadable && !changed)
            continue;
        writes.push_back(write);
    }
    return writes;
}

void AutoRunSettings::CheckUnchanged() const
{
    AutoRunSettings current;
    try
    {
        current.Load();
    }
    catch (const PolicyError&)
    {
        // What cannot be read is compared as unreadable.
    }
    if (current.stored != stored)
        throw PolicyChangedError();
}

void AutoRunSettings::Write(const std::vector<PlannedWrite>& writes)
{
    OptionsStore store;
    std::string deferred;
    for (const PlannedWrite& write : writes)
    {
        // The field takes the upper-case form once the letters are written, as they are stored.
        if (write.value == PolicyValue::MachineDriveLetters || write.value == PolicyValue::UserDriveLetters)
            UpperCaseLetters(disabledLetters);
        const PolicyValueInfo& info = InfoOf(write.value);
        PolicyValue second;
        bool secondFollows = false;
        if (SecondOfPair(write.value, second))
        {
            for (const PlannedWrite& other : writes)
                secondFollows = secondFollows || other.value == second;
        }
        try
        {
            switch (write.kind)
            {
            case PlannedWrite::Kind::Delete:
                store.DeleteValue(RootOf(write.value), info.keyPath, info.valueName);
                break;
            case PlannedWrite::Kind::Text:
                store.SetString(RootOf(write.value), info.keyPath, info.valueName, write.text.c_str());
                break;
            case PlannedWrite::Kind::Number:
                store.SetDword(RootOf(write.value), info.keyPath, info.valueName, write.number);
                break;
            }
        }
        catch (const Win32Exception& error)
        {
            // The other hive is still written; the user hears of this one after it.
            if (!secondFollows && deferred.empty())
                throw;
            AppendLine(deferred, error.what());
            if (!secondFollows)
                throw PolicyError(deferred);
        }
    }
    UpperCaseLetters(disabledLetters);
    if (!deferred.empty())
        throw PolicyError(deferred);
}

void AutoRunSettings::Save()
{
    if (loaded)
        CheckUnchanged();
    Write(PlanSave());
}

void DisableEverythingAndSave()
{
    AutoRunSettings everythingOff;
    try
    {
        everythingOff.Load();
    }
    catch (const PolicyError&)
    {
        // The switches do not depend on what was read; what could not be read is kept.
    }
    for (int i = 0; i < kSwitchCount; ++i)
        SetSwitch(everythingOff, i, false);
    everythingOff.CheckUnchanged();
    everythingOff.Write(everythingOff.Plan(true));
}
