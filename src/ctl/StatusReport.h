#pragma once
// What status prints: the switches, the drive letters and the overview page's status line,
// as lines or as one JSON object.

#include <exception>
#include <string>

#include "AutoRunSettings.h"
#include "PolicySources.h"
#include "Protection.h"

// Two further AutoPlay values that security baselines check beside the policy, as read; only
// disable-all --baseline writes them.
struct BaselineValue
{
    const char* name;
    StoredValue stored; // Absent, Number or Unreadable
};
struct Baseline
{
    BaselineValue noAutoplayForNonVolume{"NoAutoplayfornonVolume", {}};
    BaselineValue noAutorun{"NoAutorun", {}};
};
Baseline ReadBaseline();

// The status line, then one line per switch and the drive letters, then one line per value
// that a policy source manages and per source that could not be read: texts through the
// catalogue, UTF-8, each line ending in \n.
std::string StatusLines(const AutoRunSettings& settings, const PolicySources& sources);
// The monitoring-plugin performance data of the policy, for the end of the status line:
// "enabled_drive_types=N;;;0;6 autorun_inf=0|1 disabled_letters=N;;;0;26", with U for a
// figure that depends on a value that could not be read.
std::string PerfData(const AutoRunSettings& settings);
// One line: {"runAutorunInf":...,"registry":{...},"unreadable":[...],"baseline":{...},
// "managedBy":[...],"managedUnknown":[...]}\n
std::string StatusJson(const AutoRunSettings& settings, const Baseline& baseline, const PolicySources& sources);
// One line per write that a policy source will undo, for standard error; empty when none.
std::string OverriddenWarnings(const std::vector<OverriddenWrite>& overridden);

// The monitoring-plugin convention: 0 safe, 1 not completely safe, 2 not controlled,
// 3 unknown (the policy could not be read).
int ExitCodeFor(ProtectionState state);

// The text MorvexCtl prints on standard error for a failure, without a line end: the policy's
// own words, except where a console has its own to say what happened and what to do.
std::string ErrorText(const std::exception& error);

// A JSON string literal of a UTF-8 text, quotes included. Bytes that are not valid UTF-8 (a
// translation file may hold anything) become U+FFFD, so that the JSON stays valid.
std::string JsonString(const std::string& utf8);
