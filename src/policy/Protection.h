#pragma once
// How safe the PC is against AutoRun, as the overview page and the command line sum it up.

#include "AutoRunSettings.h"

enum class ProtectionState
{
    NotControlled,     // autorun.inf files are honoured
    NotCompletelySafe, // autorun.inf ignored, but some drive type still enabled
    Safe,              // everything off; the drive letters play no part
    Unreadable         // a value of the policy could not be read: no state is claimed
};

ProtectionState EvaluateProtection(const AutoRunSettings& settings);
