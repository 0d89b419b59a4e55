// MorvexCtl.exe: the AutoRun policy from the command line, through the same policy code as
// the window (AutoRunSettings, DisableEverythingAndSave, the overview page's status rule).

#include <windows.h>

#include <exception>
#include <string>

#include "AutoRunSettings.h"
#include "CommandLine.h"
#include "Console.h"
#include "LanguageStrings.h"
#include "MorvexVersion.h"
#include "PolicySources.h"
#include "Protection.h"
#include "RegFile.h"
#include "StatusReport.h"
#include "TextConvert.h"
#include "Win32Exception.h"

namespace {

const int kUsageError = 64;
const int kRegistryError = 3;

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

void ApplyFlags(const CtlCommand& command, AutoRunSettings& settings)
{
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (command.switches[i])
            settings.Choose(i, *command.switches[i]);
    }
    if (command.letters)
        settings.disabledLetters = *command.letters;
}

// Reads the policy back and prints it. A failure of the step before, if any, and a failed
// read are both reported and decide the exit code over the status.
int PrintStatus(const CtlCommand& command, const std::exception_ptr& failure)
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
    WriteText(Stream::Out,
              command.json ? StatusJson(settings, ReadBaseline(), sources) : StatusLines(settings, sources));
    if (failure)
        Report(failure);
    if (readFailure)
        Report(readFailure);
    return failure || readFailure ? kRegistryError : ExitCodeFor(EvaluateProtection(settings));
}

// The policy as the registry holds it, changed by the command's flags. A value that could not
// be read is reported and the command goes on, as the window does after such a read: the
// model's PlanSave leaves out what it could not read unless a flag replaces it.
bool LoadAndApply(const CtlCommand& command, AutoRunSettings& settings)
{
    bool complete = true;
    try
    {
        settings.Load();
    }
    catch (const std::exception& error)
    {
        ReportError(error);
        complete = false;
    }
    ApplyFlags(command, settings);
    return complete;
}

// A warning for each value just written that a policy source will write back.
void WarnOverridden(const std::vector<PlannedWrite>& writes)
{
    const std::string warnings = OverriddenWarnings(Overridden(writes, WhoSetsPolicy()));
    if (!warnings.empty())
        WriteText(Stream::Error, warnings);
}

int Set(const CtlCommand& command)
{
    AutoRunSettings settings;
    LoadAndApply(command, settings);
    std::exception_ptr failure;
    try
    {
        const std::vector<PlannedWrite> writes = settings.PlanSave();
        settings.Save();
        WarnOverridden(writes);
    }
    catch (const std::exception&)
    {
        failure = std::current_exception();
    }
    return PrintStatus(command, failure);
}

int DisableAll(const CtlCommand& command)
{
    std::exception_ptr failure;
    try
    {
        WarnOverridden(DisableEverythingAndSave());
    }
    catch (const std::exception&)
    {
        failure = std::current_exception();
    }
    return PrintStatus(command, failure);
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

int Export(const CtlCommand& command)
{
    AutoRunSettings settings;
    const bool complete = LoadAndApply(command, settings);
    const std::wstring text = RegistryFileText(settings.PlanSave());
    const std::string bytes = RegistryFileBytes(text);
    if (command.outFile.empty())
    {
        if (!WriteRegistryFile(text, bytes))
            return kRegistryError;
    }
    else if (!WriteFileBytes(command.outFile, bytes))
    {
        ReportError(Win32Exception(morvex::WideToUtf8(command.outFile).c_str(), GetLastError()));
        return kRegistryError;
    }
    // The file holds what Save would write; a value that could not be read is not in it.
    return complete ? 0 : kRegistryError;
}

int Run(const CtlCommand& command)
{
    switch (command.verb)
    {
    case Verb::Help:
        WriteText(Stream::Out, HelpText());
        return 0;
    case Verb::Version:
        WriteText(Stream::Out, "MorvexCtl " MORVEX_VERSION_TEXT "\n");
        return 0;
    case Verb::Status:
        return PrintStatus(command, nullptr);
    case Verb::DisableAll:
        return DisableAll(command);
    case Verb::Set:
        return Set(command);
    case Verb::Export:
        return Export(command);
    }
    return kUsageError;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
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
