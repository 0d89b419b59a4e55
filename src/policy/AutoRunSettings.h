#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// The six registry values that make up the policy, in the order Load reads them.
enum class PolicyValue
{
    IniFileMapping,      // HKLM, the IniFileMapping default value for autorun.inf
    MachineDriveTypes,   // HKLM NoDriveTypeAutoRun
    UserDriveTypes,      // HKCU NoDriveTypeAutoRun
    CdromAutoRun,        // HKLM, the CD-ROM service's AutoRun
    MachineDriveLetters, // HKLM NoDriveAutoRun
    UserDriveLetters,    // HKCU NoDriveAutoRun
};
constexpr int kPolicyValueCount = 6;

struct PolicyValueInfo
{
    bool machineHive; // HKEY_LOCAL_MACHINE, else HKEY_CURRENT_USER
    const wchar_t* keyPath;
    const wchar_t* valueName; // empty: the key's default value
};
const PolicyValueInfo& InfoOf(PolicyValue value);
// The value as messages name it: "HKEY_CURRENT_USER\SOFTWARE\...\Explorer, NoDriveTypeAutoRun",
// "(Default)" for the mapping's unnamed value.
std::string DescribeValue(PolicyValue value);

// One value as a Load found it.
struct StoredValue
{
    enum class State
    {
        Absent,
        Number,    // one of the three numbers
        Text,      // the mapping
        Unreadable // there, but of a type or size the policy cannot use, or not readable
    };
    State state = State::Absent;
    std::uint32_t number = 0;
    std::wstring text;

    bool operator==(const StoredValue& other) const;
    bool operator!=(const StoredValue& other) const { return !(*this == other); }
};

// One write of a Save, in the order Save makes them.
struct PlannedWrite
{
    enum class Kind
    {
        Number,
        Text,
        Delete
    };
    PolicyValue value;
    Kind kind;
    std::uint32_t number = 0;
    std::wstring text;
};

// A policy failure whose text is complete: one line per value that could not be read, or
// the writes that did not reach the registry.
class PolicyError : public std::exception
{
public:
    explicit PolicyError(std::string text) : message(std::move(text)) {}
    const char* what() const noexcept override { return message.c_str(); }

private:
    std::string message;
};

// Save found a value changed since the policy was read (by Group Policy, a script or a second
// window) and stopped before writing it, so that it does not revert the other program's
// change. Found before the first write, nothing was saved; found between two writes, the
// values written before it stay written.
class PolicyChangedError : public std::exception
{
public:
    PolicyChangedError(PolicyValue changed, std::vector<PolicyValue> written);
    const char* what() const noexcept override { return message.c_str(); }

    // The value another program changed.
    PolicyValue Changed() const { return changed; }
    // What this Save wrote before it stopped, in the order of writing; empty: nothing.
    const std::vector<PolicyValue>& Written() const { return written; }

private:
    PolicyValue changed;
    std::vector<PolicyValue> written;
    std::string message;
};

// The first write of a save was answered with access denied: this process may not change the
// policy, and nothing was written.
class RightsRefusedError : public std::exception
{
public:
    explicit RightsRefusedError(std::string text) : message(std::move(text)) {}
    const char* what() const noexcept override { return message.c_str(); }

private:
    std::string message;
};

// The seven switches by index (GetSwitch, SetSwitch below): 0 is autorun.inf, 1 to 6 the
// drive types in field order (unknown, removable, fixed, network, CD-ROM, RAM disks).
const int kSwitchCount = 7;

// The machine's AutoRun policy in memory. True means honoured (autorun.inf files) or
// enabled (AutoRun for that drive type).
class AutoRunSettings
{
public:
    bool runAutorunInf = false;
    bool unknownDrives = false;
    bool removableDrives = false;
    bool fixedDrives = false;
    bool networkDrives = false;
    bool cdromDrives = false;
    bool ramDisks = false;
    // Free text while the user edits it; Load produces the canonical form "C,E,Z".
    std::wstring disabledLetters;

    // Reads every value it can and fills the fields from them; a value that could not be
    // read counts as absent there. Then, if any value could not be read, throws
    // PolicyError naming each of them.
    void Load();
    // Writes PlanSave() and upper-cases disabledLetters in place, reading each value back.
    // After a Load it first reads the registry again and throws PolicyChangedError, writing
    // nothing, when the registry no longer holds what that Load read; and it compares each
    // value once more right before writing it, stopping there with PolicyChangedError when
    // another program changed it meanwhile. A failed write throws Win32Exception, or
    // PolicyError after the other writes when it was the first of a pair.
    void Save();
    // Save for a caller that runs with whatever rights it was given: an access-denied answer
    // to the first write ends the save there with RightsRefusedError, before the other hive
    // of a pair is written, so that a refused save leaves nothing half written.
    void SaveUnlessRefused();
    // What Save would write now. A value the last Load could not read is left out unless
    // the fields it is made from were changed since; written anew, every switch it carries
    // that is not Decided and was not changed is written as off.
    std::vector<PlannedWrite> PlanSave() const;

    // Sets a switch as the user's explicit choice: Save then writes it as chosen even where
    // it equals what was read. SetSwitch sets a field the way the window's pages copy their
    // controls, which counts as a change only where the value differs.
    void Choose(int switchIndex, bool enabled);
    // Sets the letter text as the user's explicit choice: Save writes it to both hives even
    // where it equals what was read, which repairs a letter value that could not be read.
    void ChooseLetters(const std::wstring& letters);

    // False after a Load that met a value it could not read (or did not finish).
    bool ReadComplete() const { return complete; }
    // True when the values the last Load could read decide the switch: every value that
    // feeds it was read, or a readable one switches it off whatever the others hold (a drive
    // type's bit in either hive, or for CD-ROM the service value 0). False: what the switch
    // shows is only a guess. True before any Load and for an index out of range.
    bool Decided(int switchIndex) const;
    // As the last Load found it; Absent before any Load.
    const StoredValue& Stored(PolicyValue value) const;

private:
    void Write(const std::vector<PlannedWrite>& writes, bool stopWhenDenied);
    void CheckUnchanged() const;

    bool loaded = false;
    bool complete = true;
    std::array<StoredValue, kPolicyValueCount> stored{};
    // The fields as the last Load set them, to tell what was changed since.
    std::array<bool, kSwitchCount> loadedSwitches{}; // by GetSwitch index
    std::uint32_t loadedLetters = 0;
    std::array<bool, kSwitchCount> chosen{}; // by GetSwitch index, since the last Load
    bool lettersChosen = false;
};

// An index out of range reads false and writes nothing.
bool GetSwitch(const AutoRunSettings& settings, int index);
void SetSwitch(AutoRunSettings& settings, int index, bool enabled);

// Switches every kind of AutoRun off and saves at once: the one way for the window's button
// and the command line. A read that fails first is no reason not to save; the stored drive
// letters are kept, and a value that could not be read is replaced only where it carries a
// switch. Throws std::exception when the save fails; gives what it wrote.
std::vector<PlannedWrite> DisableEverythingAndSave();
// The policy as DisableEverythingAndSave saves it: read, then every switch chosen off. For a
// caller that wants to see the writes (PlanSave) before it saves.
AutoRunSettings EverythingOff();
