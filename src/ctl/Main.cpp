// MorvexCtl.exe: the AutoRun policy from the command line, through the same policy code as
// the window (AutoRunSettings, DisableEverythingAndSave, the overview page's status rule).

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "AutoRunSettings.h"
#include "CommandLine.h"
#include "Console.h"
#include "GroupPolicyFiles.h"
#include "LanguageStrings.h"
#include "MorvexVersion.h"
#include "Protection.h"
#include "RegFile.h"
#include "StatusReport.h"
#include "TextConvert.h"
#include "UncaughtException.h"
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
    WriteText(Stream::Out, command.json ? StatusJson(settings, ReadBaseline()) : StatusLines(settings));
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

int Set(const CtlCommand& command)
{
    AutoRunSettings settings;
    LoadAndApply(command, settings);
    std::exception_ptr failure;
    try
    {
        settings.Save();
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
        DisableEverythingAndSave();
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
            const std::vector<std::uint8_t> file = RegistryPolFile(writes, machine);
            bytes.assign(file.begin(), file.end());
        }
        else
        {
            bytes = PreferenceXmlFile(writes, machine, changedUtc);
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

int Export(const CtlCommand& command)
{
    AutoRunSettings settings;
    const bool complete = LoadAndApply(command, settings);
    const std::vector<PlannedWrite> writes = settings.PlanSave();
    if (command.format != ExportFormat::Reg)
    {
        const int written = ExportGroupPolicy(command, writes);
        // The files hold what Save would write; a value that could not be read is not in them.
        return written != 0 || complete ? written : kRegistryError;
    }
    const std::wstring text = RegistryFileText(writes);
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
