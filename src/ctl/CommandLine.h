#pragma once
// What MorvexCtl's command line asks for, checked before anything reads or writes the
// registry: a usage error must leave the registry as it was.

#include <optional>
#include <stdexcept>
#include <string>

#include "AutoRunSettings.h"

enum class Verb
{
    Help,
    Version,
    Status,
    DisableAll,
    Set,
    Export
};

// What export writes: a registry file, Registry.pol files, or preference items.
enum class ExportFormat
{
    Reg,
    Pol,
    Gpp
};

struct CtlCommand
{
    Verb verb = Verb::Help;
    bool json = false;
    bool perfData = false; // status: performance data after the status line
    bool baseline = false; // disable-all, export: the two AutoPlay values of the baseline too
    std::string language = "en";
    ExportFormat format = ExportFormat::Reg;
    // export: the registry file, empty for standard output; for pol and gpp the folder that
    // receives the Machine and User folders (made where it is missing).
    std::wstring outFile;
    std::optional<bool> switches[kSwitchCount]; // by switch index, as the flags stand in kSwitches
    std::optional<std::wstring> letters; // checked: drive letters, commas and blanks only

    bool ChangesPolicy() const;
};

// The text says what was wrong, in one line.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError. Also checks that the folder of --out exists (for pol and gpp: the folder
// that would hold the --out folder). A flag's value may follow it as the next argument or
// after "=" (--letters=C,E); on and off in any letter case.
CtlCommand ParseCommandLine(int argc, const wchar_t* const* argv);

// The --help text, UTF-8, lines ending in \n.
std::string HelpText();
