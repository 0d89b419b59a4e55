// MorvexCtl.exe: the AutoRun policy from the command line, through the same policy code as
// the window (AutoRunSettings, DisableEverythingAndSave, the overview page's status rule).

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "AutoRunSettings.h"
#include "AutoplayBaseline.h"
#include "CommandLine.h"
#include "Console.h"
#include "GroupPolicyFiles.h"
#include "LanguageStrings.h"
#include "MorvexVersion.h"
#include "PolicySources.h"
#include "Protection.h"
#include "RegFile.h"
#include "Rights.h"
#include "StatusReport.h"
#include "TextConvert.h"
#include "UncaughtException.h"
#include "Win32Exception.h"

namespace {

const int kUsageError = 64;
const int kRegistryError = 3;
const int kNoPermission = 77; // sysexits' EX_NOPERM: a script tells it from a registry failure

// One line, also for a scheduled task's log: what is missing and the three ways to get it.
const char kNeedsAdministrator[] =
    "MorvexCtl: changing the AutoRun policy needs administrator rights; nothing was changed. Run it from an "
    "elevated prompt, as SYSTEM, or from a tool that runs elevated.\n";

// An error text on a line of its own.
void ReportError(const std::exception& error)
{
    const std::string text = ErrorText(error);
    WriteText(Stream::Error, !text.empty() && text.back() == '\n' ? text : text + "\n");
}

void Report(const std::exception_ptr& failure)
{
    try
    {
        std::rethrow_exception(failure);
    }
    catch (const std::exception& error)
    {
        ReportError(error);
    }
}

// Standard output of one command. A reader that has gone away ends the command quietly
// with the code it would have had; any other failed write is an error of its own.
class Output
{
public:
    void Text(const std::string& text) { Note(WriteText(Stream::Out, text)); }
    void RegistryFile(const std::wstring& text, const std::string& bytes) { Note(WriteRegistryFile(text, bytes)); }

    int ExitCode(int commandCode) const
    {
        if (failure == 0 || ReaderGone(failure))
            return commandCode;
        ReportError(Win32Exception("Standard output could not be written", failure));
        return kRegistryError;
    }

private:
    void Note(unsigned long error)
    {
        if (failure == 0)
            failure = error;
    }
    unsigned long failure = 0;
};

int Refuse()
{
    WriteText(Stream::Error, kNeedsAdministrator);
    return kNoPermission;
}

void ApplyFlags(const CtlCommand& command, AutoRunSettings& settings)
{
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (command.switches[i])
            settings.Choose(i, *command.switches[i]);
    }
    // Named on the command line, the letters are written, also where they equal what a
    // partial read guessed: that is how a broken letter value is repaired.
    if (command.letters)
        settings.ChooseLetters(*command.letters);
}

// The keys a save of these writes opens, and those of the baseline values when asked for.
std::vector<KeyToWrite> KeysOf(const std::vector<PlannedWrite>& writes, bool baseline)
{
    std::vector<KeyToWrite> keys;
    for (const PlannedWrite& write : writes)
    {
        const PolicyValueInfo& info = InfoOf(write.value);
        keys.push_back({info.machineHive ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, info.keyPath});
    }
    if (baseline)
    {
        for (const AutoplayBaselineValue& value : kAutoplayBaseline)
            keys.push_back({HKEY_LOCAL_MACHINE, value.keyPath});
    }
    return keys;
}

// Reads the policy back and prints it. A failure of the step before, if any, and a failed
// read are both reported and decide the exit code over the status.
int PrintStatus(const CtlCommand& command, const std::exception_ptr& failure, Output& out)
{
    AutoRunSettings settings;
    std::exception_ptr readFailure;
    try
    {
        settings.Load();
    }
    catch (const std::exception&)
    {
        readFailure = std::current_exception();
    }
    const PolicySources sources = WhoSetsPolicy();
    if (command.json)
    {
        out.Text(StatusJson(settings, ReadBaseline(), sources));
    }
    else
    {
        std::string lines = StatusLines(settings, sources);
        // Monitoring reads performance data after " | " on the first line, the status line.
        if (command.perfData)
            lines.insert(lines.find('\n'), " | " + PerfData(settings));
        out.Text(lines);
    }
    if (failure)
        Report(failure);
    if (readFailure)
        Report(readFailure);
    return out.ExitCode(failure || readFailure ? kRegistryError : ExitCodeFor(EvaluateProtection(settings)));
}

// Reads the policy; a value that could not be read is not the end of the command, as it is
// not the end of the window: the model's PlanSave leaves it out unless a flag replaces it.
std::exception_ptr Load(AutoRunSettings& settings)
{
    try
    {
        settings.Load();
    }
    catch (const std::exception&)
    {
        return std::current_exception();
    }
    return nullptr;
}

// A warning for each value just written that a policy source will write back.
void WarnOverridden(const std::vector<PlannedWrite>& writes)
{
    const std::string warnings = OverriddenWarnings(Overridden(writes, WhoSetsPolicy()));
    if (!warnings.empty())
        WriteText(Stream::Error, warnings);
}

// Saves (and writes the baseline values when asked), then prints the status read back.
int SaveAndPrint(const CtlCommand& command, AutoRunSettings& settings, Output& out)
{
    std::exception_ptr failure;
    try
    {
        const std::vector<PlannedWrite> writes = settings.PlanSave();
        settings.SaveUnlessRefused();
        if (command.baseline)
            WriteAutoplayBaseline();
        WarnOverridden(writes);
    }
    catch (const RightsRefusedError&)
    {
        return Refuse();
    }
    catch (const std::exception&)
    {
        failure = std::current_exception();
    }
    return PrintStatus(command, failure, out);
}

int Set(const CtlCommand& command, Output& out)
{
    AutoRunSettings settings;
    const std::exception_ptr readFailure = Load(settings);
    ApplyFlags(command, settings);
    // Refused, the command says only that: the rest would be noise in a script's log.
    if (!MayWrite(KeysOf(settings.PlanSave(), false)))
        return Refuse();
    if (readFailure)
        Report(readFailure);
    return SaveAndPrint(command, settings, out);
}

int DisableAll(const CtlCommand& command, Output& out)
{
    // What the window's "Disable Everything and Save" does, with the rights asked first.
    AutoRunSettings settings = EverythingOff();
    if (!MayWrite(KeysOf(settings.PlanSave(), command.baseline)))
        return Refuse();
    return SaveAndPrint(command, settings, out);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
    {
        const DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
        return false;
    }
    return CloseHandle(file) != FALSE;
}

// Makes the folder unless it is there. False with the error code set when it cannot.
bool MakeFolder(const std::wstring& path)
{
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    SetLastError(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error);
    return false;
}

// Group Policy's layout: FOLDER\Machine\<file> with the HKEY_LOCAL_MACHINE writes and
// FOLDER\User\<file> with the HKEY_CURRENT_USER ones. Both files are always written, also one
// without writes, so that no file of an earlier export in the same folder stays behind and is
// applied as if it were part of this one.
int ExportGroupPolicy(const CtlCommand& command, const std::vector<PlannedWrite>& writes)
{
    const bool pol = command.format == ExportFormat::Pol;
    std::int64_t changedUtc = 0;
    if (!pol)
    {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        changedUtc = static_cast<std::int64_t>(ticks / 10000000ull) - 11644473600ll; // from 1601 to 1970
    }
    const std::wstring folder = command.outFile;
    const bool endsInSeparator = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
    const std::wstring base = endsInSeparator ? folder : folder + L"\\";
    if (!MakeFolder(folder))
    {
        ReportError(Win32Exception(morvex::WideToUtf8(folder).c_str(), GetLastError()));
        return kRegistryError;
    }
    for (const bool machine : {true, false})
    {
        const std::wstring halfFolder = base + (machine ? L"Machine" : L"User");
        const std::wstring path = halfFolder + (pol ? L"\\Registry.pol" : L"\\Registry.xml");
        std::string bytes;
        if (pol)
        {
            const std::vector<std::uint8_t> file = RegistryPolFile(writes, machine, InfoOf, command.baseline);
            bytes.assign(file.begin(), file.end());
        }
        else
        {
            bytes = PreferenceXmlFile(writes, machine, changedUtc, InfoOf, command.baseline);
        }
        if (!MakeFolder(halfFolder))
        {
            ReportError(Win32Exception(morvex::WideToUtf8(halfFolder).c_str(), GetLastError()));
            return kRegistryError;
        }
        if (!WriteFileBytes(path, bytes))
        {
            ReportError(Win32Exception(morvex::WideToUtf8(path).c_str(), GetLastError()));
            return kRegistryError;
        }
    }
    return 0;
}

int Export(const CtlCommand& command, Output& out)
{
    AutoRunSettings settings;
    const std::exception_ptr readFailure = Load(settings);
    if (readFailure)
        Report(readFailure);
    ApplyFlags(command, settings);
    const std::vector<PlannedWrite> writes = settings.PlanSave();
    // The files hold what Save would write; a value that could not be read is not in them.
    const int code = readFailure ? kRegistryError : 0;
    if (command.format != ExportFormat::Reg)
    {
        const int written = ExportGroupPolicy(command, writes);
        return written != 0 ? written : code;
    }
    const std::wstring text = RegistryFileText(writes, command.baseline);
    const std::string bytes = RegistryFileBytes(text);
    if (command.outFile.empty())
    {
        out.RegistryFile(text, bytes);
        return out.ExitCode(code);
    }
    if (!WriteFileBytes(command.outFile, bytes))
    {
        ReportError(Win32Exception(morvex::WideToUtf8(command.outFile).c_str(), GetLastError()));
        return kRegistryError;
    }
    return code;
}

// An exception that reached no handler: said on standard error, where scripts look; the exit
// code is then 3, as for an error of the registry.
void ReportUncaughtException(const std::wstring& text)
{
    try
    {
        WriteText(Stream::Error, morvex::WideToUtf8(text) + "\n");
    }
    catch (...)
    {
        // Nothing more can be said; the process ends all the same.
    }
}

int Run(const CtlCommand& command)
{
    Output out;
    switch (command.verb)
    {
    case Verb::Help:
        out.Text(HelpText());
        return out.ExitCode(0);
    case Verb::Version:
        out.Text("MorvexCtl " MORVEX_VERSION_TEXT "\n");
        return out.ExitCode(0);
    case Verb::Status:
        return PrintStatus(command, nullptr, out);
    case Verb::DisableAll:
        return DisableAll(command, out);
    case Verb::Set:
        return Set(command, out);
    case Verb::Export:
        return Export(command, out);
    }
    return kUsageError;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    morvex::SetUncaughtExceptionHandler(L"MorvexCtl", ReportUncaughtException);
    CtlCommand command;
    try
    {
        command = ParseCommandLine(argc, argv);
    }
    catch (const UsageError& error)
    {
        WriteText(Stream::Error, std::string("MorvexCtl: ") + error.what() +
                                     "\nRun \"MorvexCtl --help\" for the commands and flags.\n");
        return kUsageError;
    }
    // English unless asked otherwise: scripts compare these texts, whatever the PC's locale.
    LanguageStrings::Instance().SetLanguage(command.language);
    try
    {
        return Run(command);
    }
    catch (const std::exception& error)
    {
        ReportError(error);
        return kRegistryError;
    }
}
