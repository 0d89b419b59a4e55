#include "AutoRunSettings.h"

#include <windows.h>

#include "OptionsStore.h"
#include "PolicyEncoding.h"
#include "Switches.h"
#include "TextConvert.h"
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

// What a number counts as where it is not there: the CD-ROM service's AutoRun is on unless
// set to 0. A REG_DWORD of no bytes keeps it too, as a shorter one keeps its high bytes.
DWORD DefaultOf(PolicyValue value)
{
    return value == PolicyValue::CdromAutoRun ? 1 : 0;
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
        if (store.GetDword(RootOf(value), info.keyPath, info.valueName, number, DefaultOf(value)))
        {
            result.state = StoredValue::State::Number;
            result.number = number;
        }
    }
    return result;
}

// Read for a comparison: a value that cannot be read compares as unreadable.
StoredValue ReadForComparison(OptionsStore& store, PolicyValue value)
{
    try
    {
        return Read(store, value);
    }
    catch (const Win32Exception&)
    {
        StoredValue unreadable;
        unreadable.state = StoredValue::State::Unreadable;
        return unreadable;
    }
}

// What the registry holds once a write has landed.
StoredValue AfterWrite(const PlannedWrite& write)
{
    StoredValue value;
    switch (write.kind)
    {
    case PlannedWrite::Kind::Delete:
        break;
    case PlannedWrite::Kind::Text:
        value.state = StoredValue::State::Text;
        value.text = write.text;
        break;
    case PlannedWrite::Kind::Number:
        value.state = StoredValue::State::Number;
        value.number = write.number;
        break;
    }
    return value;
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

void SetDriveTypes(AutoRunSettings& s, const DriveTypes& types)
{
    s.unknownDrives = types.unknownDrives;
    s.removableDrives = types.removableDrives;
    s.fixedDrives = types.fixedDrives;
    s.networkDrives = types.networkDrives;
    s.cdromDrives = types.cdromDrives;
    s.ramDisks = types.ramDisks;
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

std::string DescribeValue(PolicyValue value)
{
    const PolicyValueInfo& info = InfoOf(value);
    return std::string(info.machineHive ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") +
           morvex::WideToUtf8(info.keyPath) + ", " +
           (*info.valueName == L'\0' ? std::string("(Default)") : morvex::WideToUtf8(info.valueName));
}

PolicyChangedError::PolicyChangedError(PolicyValue changedValue, std::vector<PolicyValue> writtenBefore)
    : changed(changedValue), written(std::move(writtenBefore))
{
    message = "Another program has changed the AutoRun policy since it was read (" + DescribeValue(changed) + ").";
    if (written.empty())
    {
        message += " Nothing was saved.";
        return;
    }
    message += " Saving stopped there; already saved:";
    for (PolicyValue value : written)
        message += "\r\n" + DescribeValue(value);
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
    SetDriveTypes(*this, DriveTypesFrom(types, NumberOr(values[IndexOf(PolicyValue::CdromAutoRun)], 1)));

    const std::uint32_t letters = NumberOr(values[IndexOf(PolicyValue::MachineDriveLetters)], 0) |
                                  NumberOr(values[IndexOf(PolicyValue::UserDriveLetters)], 0);
    disabledLetters = LettersFromMask(letters);

    stored = values;
    loaded = true;
    loadedSwitches = SwitchesOf(*this);
    loadedLetters = LetterMask(disabledLetters);
    chosen = {};
    lettersChosen = false;
    complete = errors.empty();
    if (!complete)
        throw PolicyError(errors);
}

void AutoRunSettings::Choose(int switchIndex, bool enabled)
{
    if (switchIndex < 0 || switchIndex >= kSwitchCount)
        return;
    SetSwitch(*this, switchIndex, enabled);
    chosen[switchIndex] = true;
}

void AutoRunSettings::ChooseLetters(const std::wstring& letters)
{
    disabledLetters = letters;
    lettersChosen = true;
}

bool AutoRunSettings::Decided(int switchIndex) const
{
    if (switchIndex < 0 || switchIndex >= kSwitchCount)
        return true;
    const auto unreadable = [this](PolicyValue value) {
        return Stored(value).state == StoredValue::State::Unreadable;
    };
    if (switchIndex == kAutorunInfSwitch)
        return !unreadable(PolicyValue::IniFileMapping);
    const bool cdrom = switchIndex == kCdromSwitch;
    if (!unreadable(PolicyValue::MachineDriveTypes) && !unreadable(PolicyValue::UserDriveTypes) &&
        !(cdrom && unreadable(PolicyValue::CdromAutoRun)))
        return true;
    // A bit set in either hive, or the service value 0, switches the drive type off whatever
    // the value that could not be read holds; a switch left on by the readable values is not
    // known.
    AutoRunSettings readable;
    SetDriveTypes(readable, DriveTypesFrom(NumberOr(Stored(PolicyValue::MachineDriveTypes), 0) |
                                               NumberOr(Stored(PolicyValue::UserDriveTypes), 0),
                                           NumberOr(Stored(PolicyValue::CdromAutoRun), 1)));
    return !GetSwitch(readable, switchIndex);
}

std::vector<PlannedWrite> AutoRunSettings::PlanSave() const
{
    const std::array<bool, kSwitchCount> switches = SwitchesOf(*this);
    std::array<bool, kSwitchCount> switchChanged{};
    for (int i = 0; i < kSwitchCount; ++i)
        switchChanged[i] = chosen[i] || switches[i] != loadedSwitches[i];
    const bool mappingChanged = switchChanged[kAutorunInfSwitch];
    bool typesChanged = false;
    for (int i = 1; i < kSwitchCount; ++i)
        typesChanged = typesChanged || switchChanged[i];
    const bool cdromChanged = switchChanged[kCdromSwitch];
    const std::uint32_t letters = LetterMask(disabledLetters);

    // Written anew over a value that could not be read, a drive type that the readable values
    // do not decide may have been off there: it stays off unless the user chose it. The same
    // number goes to both hives.
    const bool typesUnreadable = Stored(PolicyValue::MachineDriveTypes).state == StoredValue::State::Unreadable ||
                                 Stored(PolicyValue::UserDriveTypes).state == StoredValue::State::Unreadable;
    AutoRunSettings typesToWrite = *this;
    if (loaded && typesChanged && typesUnreadable)
    {
        for (int i = 1; i < kSwitchCount; ++i)
        {
            if (!Decided(i) && !switchChanged[i])
                SetSwitch(typesToWrite, i, false);
        }
    }
    const bool lettersChanged = lettersChosen || letters != loadedLetters;

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
            write.number = DriveTypeMask(DriveTypesOf(typesToWrite));
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
    for (PolicyValue value : kWriteOrder)
    {
        if (current.Stored(value) != Stored(value))
            throw PolicyChangedError(value, {});
    }
}

void AutoRunSettings::Write(const std::vector<PlannedWrite>& writes, bool stopWhenDenied)
{
    OptionsStore store;
    std::string deferred;
    std::vector<PolicyValue> written;
    for (const PlannedWrite& write : writes)
    {
        // The check before the first write leaves the time of the writes before this one: a
        // program that changed this value meanwhile keeps its change, and nothing after it is
        // written, so that the policy is not left half ours, half a revert of theirs.
        if (loaded && ReadForComparison(store, write.value) != Stored(write.value))
            throw PolicyChangedError(write.value, written);
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
            // Denied at the very first write, the process has no right to the policy: writing
            // the other hive of a pair would only leave it half changed.
            if (stopWhenDenied && error.Code() == ERROR_ACCESS_DENIED && written.empty() && deferred.empty())
                throw RightsRefusedError(error.what());
            // The other hive is still written; the user hears of this one after it.
            if (!secondFollows && deferred.empty())
                throw;
            AppendLine(deferred, error.what());
            if (!secondFollows)
                throw PolicyError(deferred);
            continue;
        }
        // A program that wrote the value right after this write has the last word; that is
        // said rather than reported as saved. A value that cannot be read back tells nothing
        // either way: the next Load reports it.
        const StoredValue readBack = ReadForComparison(store, write.value);
        if (readBack.state != StoredValue::State::Unreadable && readBack != AfterWrite(write))
            throw PolicyChangedError(write.value, written);
        written.push_back(write.value);
    }
    UpperCaseLetters(disabledLetters);
    if (!deferred.empty())
        throw PolicyError(deferred);
}

void AutoRunSettings::Save()
{
    if (loaded)
        CheckUnchanged();
    Write(PlanSave(), false);
}

void AutoRunSettings::SaveUnlessRefused()
{
    if (loaded)
        CheckUnchanged();
    Write(PlanSave(), true);
}

std::vector<PlannedWrite> DisableEverythingAndSave()
{
    AutoRunSettings everythingOff = EverythingOff();
    const std::vector<PlannedWrite> writes = everythingOff.PlanSave();
    everythingOff.Save();
    return writes;
}

AutoRunSettings EverythingOff()
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
    // Chosen, so that every switch value is written, also one that already reads as off.
    for (int i = 0; i < kSwitchCount; ++i)
        everythingOff.Choose(i, false);
    return everythingOff;
}
