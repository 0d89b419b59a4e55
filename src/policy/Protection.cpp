#include "Protection.h"

ProtectionState EvaluateProtection(const AutoRunSettings& settings)
{
    if (!settings.ReadComplete())
        return ProtectionState::Unreadable;
    if (settings.runAutorunInf)
        return ProtectionState::NotControlled;
    const bool anyEnabled = settings.unknownDrives || settings.removableDrives || settings.fixedDrives ||
                            settings.networkDrives || settings.cdromDrives || settings.ramDisks;
    return anyEnabled ? ProtectionState::NotCompletelySafe : ProtectionState::Safe;
}
