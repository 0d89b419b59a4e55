#include "PageRules.h"

namespace {

bool AutoRunSettings::* const kSwitches[kSwitchCount] = {
    &AutoRunSettings::runAutorunInf, &AutoRunSettings::unknownDrives, &AutoRunSettings::removableDrives,
    &AutoRunSettings::fixedDrives,   &AutoRunSettings::networkDrives, &AutoRunSettings::cdromDrives,
    &AutoRunSettings::ramDisks,
};

} // namespace

bool GetSwitch(const AutoRunSettings& settings, int index)
{
    return index >= 0 && index < kSwitchCount && settings.*kSwitches[index];
}

void SetSwitch(AutoRunSettings& settings, int index, bool enabled)
{
    if (index >= 0 && index < kSwitchCount)
        settings.*kSwitches[index] = enabled;
}

bool AllDriveTypesEnabled(const AutoRunSettings& settings)
{
    for (int i = 1; i < kSwitchCount; ++i)
    {
        if (!GetSwitch(settings, i))
            return false;
    }
    return true;
}

ProtectionState EvaluateProtection(const AutoRunSettings& settings)
{
    if (settings.runAutorunInf)
        return ProtectionState::NotControlled;
    for (int i = 1; i < kSwitchCount; ++i)
    {
        if (GetSwitch(settings, i))
            return ProtectionState::NotCompletelySafe;
    }
    return ProtectionState::Safe;
}

int LanguageIndex(const std::string& code)
{
    if (code == "de")
        return 1;
    if (code == "fr")
        return 2;
    return 0;
}

const char* LanguageCodeAt(int index)
{
    if (index == 1)
        return "de";
    if (index == 2)
        return "fr";
    return "en";
}

PagePlacement PagePlacementFor(const RECT& client, const RECT& firstItem)
{
    PagePlacement placement;
    placement.x = firstItem.left;
    placement.y = firstItem.bottom + 1;
    placement.width = client.right - firstItem.left - 1;
    placement.height = client.bottom - firstItem.bottom - 2;
    return placement;
}
