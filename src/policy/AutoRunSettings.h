#pragma once

#include <string>

// The machine's AutoRun policy in memory. True means honoured (autorun.inf files) or
// enabled (AutoRun for that drive type). Load and Save throw Win32Exception (as
// std::exception) on failure.
class AutoRunSettings
{
public:
    bool runAutorunInf = false;
    bool unknownDrives = false;
    bool removableDrives = false;
    bool fixedDrives = false;
    bool networkDrives = false;
    bool cdromDrives = false;
    bool ramDisks = false;
    // Free text while the user edits it; Load produces the canonical form "C,E,Z".
    std::wstring disabledLetters;

    void Load();
    // Upper-cases disabledLetters in place.
    void Save();
    // What Save writes except the drive letters, which stay as stored: for a save made
    // when the stored letters could not be read.
    void SaveSwitches();
};
