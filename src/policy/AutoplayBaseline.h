#pragma once
// Two AutoPlay values that security baselines check beside the AutoRun policy (the DISA STIG
// for Windows 10 and 11, WN10-/WN11-CC-000180 and -000185): each wants a REG_DWORD 1 in
// HKEY_LOCAL_MACHINE. The window never writes them; MorvexCtl reads them for its report and
// writes them when asked to.

struct AutoplayBaselineValue
{
    const wchar_t* keyPath; // under HKEY_LOCAL_MACHINE
    const wchar_t* valueName;
};

// NoAutoplayfornonVolume, then NoAutorun.
constexpr int kAutoplayBaselineCount = 2;
extern const AutoplayBaselineValue kAutoplayBaseline[kAutoplayBaselineCount];
// The number both values must hold.
constexpr unsigned long kAutoplayBaselineWanted = 1;

// Writes every value as REG_DWORD kAutoplayBaselineWanted, in table order. Throws
// Win32Exception at the first failure.
void WriteAutoplayBaseline();
