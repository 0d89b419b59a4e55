#include "Switches.h"

bool AllDriveTypesEnabled(const AutoRunSettings& settings)
{
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (IsDriveType(i) && !GetSwitch(settings, i))
            return false;
    }
    return true;
}
