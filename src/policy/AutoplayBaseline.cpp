#include "AutoplayBaseline.h"

#include <windows.h>

#include "OptionsStore.h"

// NoAutorun lives beside NoDriveTypeAutoRun, in the Explorer policy key that the AutoRun
// policy uses; NoAutoplayfornonVolume in the Group Policy key of the same name.
const AutoplayBaselineValue kAutoplayBaseline[kAutoplayBaselineCount] = {
    {L"SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer", L"NoAutoplayfornonVolume"},
    {L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer", L"NoAutorun"},
};

void WriteAutoplayBaseline()
{
    OptionsStore store;
    for (const AutoplayBaselineValue& value : kAutoplayBaseline)
        store.SetDword(HKEY_LOCAL_MACHINE, value.keyPath, value.valueName, kAutoplayBaselineWanted);
}
