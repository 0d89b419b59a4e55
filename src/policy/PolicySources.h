#pragma once
// Who else sets the AutoRun policy on this PC: local Group Policy, the domain's Group Policy
// objects, Group Policy preferences and an MDM (Intune). Each of them writes the same registry
// values as Morvex on its own schedule, so a value saved here can be undone at their next
// refresh. Read only: Morvex never writes, repairs or deletes a policy file or key.
//
// What is read is what Windows recorded on this PC: the local Registry.pol files, the History
// of the Administrative Templates extension (with the objects' Registry.pol from the share or
// the local cache), the preferences' Registry.xml history and the MDM's Autoplay key. A policy
// that has not reached the PC yet cannot be seen.

#include <string>
#include <vector>

#include "AutoRunSettings.h"
#include "RegistryPol.h"

// The values a policy engine may set: the six of the policy, in PolicyValue order, and the two
// AutoPlay values that MorvexCtl reports beside them.
enum class WatchedValue
{
    IniFileMapping,
    MachineDriveTypes,
    UserDriveTypes,
    CdromAutoRun,
    MachineDriveLetters,
    UserDriveLetters,
    MachineNoAutorun,              // HKLM NoAutorun, in the Explorer policy key
    MachineNoAutoplayForNonVolume, // HKLM SOFTWARE\Policies\Microsoft\Windows\Explorer
};
constexpr int kWatchedValueCount = 8;

// The policy value a watched value is; false for the two AutoPlay values.
bool AsPolicyValue(WatchedValue watched, PolicyValue& value);
WatchedValue Watched(PolicyValue value);
// "HKLM\NoDriveTypeAutoRun", "HKCU\NoDriveAutoRun", "HKLM\IniFileMapping", ...: the names of
// MorvexCtl's JSON, also used in the window's texts.
const char* WatchedName(WatchedValue value);

enum class SourceKind
{
    LocalGroupPolicy,
    GroupPolicy, // a domain Group Policy object
    Preference,  // a Group Policy preference registry item
    Mdm,
};

struct PolicySource
{
    SourceKind kind = SourceKind::LocalGroupPolicy;
    std::wstring name;  // the object's display name (GroupPolicy, Preference); empty otherwise
    std::wstring where; // the file or registry value it was read from

    bool operator==(const PolicySource& other) const
    {
        return kind == other.kind && name == other.name && where == other.where;
    }
};

// One value that one source sets (possibly only where it is not set yet) or deletes.
struct ManagedSetting
{
    WatchedValue value = WatchedValue::IniFileMapping;
    PolicySource source;
    regpol::ValueEffect effect; // Sets or Deletes
};

struct PolicySources
{
    // In the order: local Group Policy (Machine, User), domain objects (machine, then user),
    // preferences, MDM; within a source by value.
    std::vector<ManagedSetting> managed;
    // Sources that exist but could not be read: whether they set a value cannot be told.
    std::vector<PolicySource> unknown;

    // A source sets or deletes one of the six values of the policy.
    bool ManagesPolicy() const;
    // What manages one value of the policy.
    std::vector<const ManagedSetting*> For(WatchedValue value) const;
};

PolicySources WhoSetsPolicy();

// A write of a save that a source will undo: the source sets something else, or deletes it.
struct OverriddenWrite
{
    PlannedWrite write;
    const ManagedSetting* setting; // points into the PolicySources it was found in
};
// Soft settings (set only where the value is not there) are undone only by a delete.
std::vector<OverriddenWrite> Overridden(const std::vector<PlannedWrite>& writes, const PolicySources& sources);

// Texts in the catalogue's current language (UTF-8), one line each, without a line end.
// "HKLM\NoDriveTypeAutoRun: 255 (0xFF), set by local Group Policy"
std::string ManagedLine(const ManagedSetting& setting);
// "Group Policy object "Workstations": could not be read (\\corp\SysVol\...\Registry.pol)"
std::string UnknownLine(const PolicySource& source);
// "HKLM\NoDriveTypeAutoRun was saved as 255 (0xFF); local Group Policy sets 145 (0x91)."
std::string OverriddenLine(const OverriddenWrite& overridden);
// The overview page's line: one for sources that manage the policy, another where a source
// could not be read; empty when neither.
std::string ManagedSummary(const PolicySources& sources);
// The details: every managed line, then every unknown one.
std::string ManagedDetails(const PolicySources& sources);
// After a save: a heading and one line per overridden write; empty when none.
std::string OverriddenMessage(const std::vector<OverriddenWrite>& overridden);

// The values a line of the window stands for: switch i of the switch table (autorun.inf, or a
// drive type, whose number lies in both hives; CD-ROM also in the service value), or the
// drive letters.
std::vector<WatchedValue> ValuesOfSwitch(int switchIndex);
std::vector<WatchedValue> ValuesOfLetters();
// "Managed by local Group Policy, Group Policy object "Workstations"": every source that sets
// or deletes one of the values, each once; empty when none does.
std::string ManagedByText(const PolicySources& sources, const std::vector<WatchedValue>& values);

// MorvexCtl's JSON names: "localGroupPolicy", "groupPolicy", "preference", "mdm".
const char* SourceJsonName(SourceKind kind);
