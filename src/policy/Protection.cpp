#include "Protection.h"

#include "LanguageStrings.h"

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

std::string ProtectionStatusText(ProtectionState state)
{
    LanguageStrings& strings = LanguageStrings::Instance();
    switch (state)
    {
    case ProtectionState::NotControlled:
        return strings.Translate("Your PC is currently not safe. AutoRun is not controlled.");
    case ProtectionState::NotCompletelySafe:
        return strings.Translate("Your PC is not completely safe. AutoRun is not completely disabled.");
    case ProtectionState::Safe:
        return strings.Translate("Your PC is safe. AutoRun is disabled.");
    case ProtectionState::Unreadable:
        break;
    }
    return strings.Translate("The AutoRun state could not be read completely.");
}
