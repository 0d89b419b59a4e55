#pragma once
// What MorvexCtl's command line asks for, checked before anything reads or writes the
// registry: a usage error must leave the registry as it was.

#include <optional>
#include <stdexcept>
#include <string>

enum class Verb
{
    Help,
    Version,
    Status,
    DisableAll,
    Set,
    Export
};

// The seven switch flags in the order of the drive-type page (index as in PageRules'
// GetSwitch/SetSwitch): --autorun-inf, then the six drive types.
constexpr int kSwitchFlagCount = 7;
extern const char* const kSwitchFlags[kSwitchFlagCount];

struct CtlCommand
{
    Verb verb = Verb::Help;
    bool json = false;
    std::string language = "en";
    std::wstring outFile; // export: empty writes to standard output
    std::optional<bool> switches[kSwitchFlagCount];
    std::optional<std::wstring> letters;

    bool ChangesPolicy() const;
};

// The text says what was wrong, in one line.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError. Also checks that the folder of --out exists.
CtlCommand ParseCommandLine(int argc, const wchar_t* const* argv);

// The --help text, UTF-8, lines ending in \n.
const char* HelpText();
