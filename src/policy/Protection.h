#pragma once
// How safe the PC is against AutoRun, as the overview page and the command line sum it up.

#include <string>

#include "AutoRunSettings.h"

enum class ProtectionState
{
    NotControlled,     // autorun.inf files are honoured
    NotCompletelySafe, // autorun.inf ignored, but some drive type still enabled
    Safe,              // everything off; the drive letters play no part
    Unreadable         // a value of the policy could not be read: no state is claimed
};

ProtectionState EvaluateProtection(const AutoRunSettings& settings);

// The status line for a state, in the catalogue's current language (UTF-8): the overview page
// and MorvexCtl say the same.
std::string ProtectionStatusText(ProtectionState state);
