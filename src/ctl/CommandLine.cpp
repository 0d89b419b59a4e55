#include "CommandLine.h"

#include <windows.h>

#include <cstring>

#include "Languages.h"
#include "Switches.h"
#include "TextConvert.h"

namespace {

struct VerbName
{
    const char* name;
    Verb verb;
};
const VerbName kVerbs[] = {
    {"status", Verb::Status},
    {"disable-all", Verb::DisableAll},
    {"set", Verb::Set},
    {"export", Verb::Export},
};

struct FormatName
{
    const char* name;
    ExportFormat format;
    const char* help;
};
const FormatName kFormats[] = {
    {"reg", ExportFormat::Reg, "a registry file for reg import (the default)"},
    {"pol", ExportFormat::Pol, "Machine\\Registry.pol and User\\Registry.pol in the --out folder"},
    {"gpp", ExportFormat::Gpp, "Machine\\Registry.xml and User\\Registry.xml: preference items"},
};

// "reg, pol or gpp", for the usage error.
std::string FormatNames(const char* separator, const char* lastSeparator)
{
    std::string names;
    for (size_t i = 0; i < sizeof kFormats / sizeof kFormats[0]; ++i)
    {
        if (i > 0)
            names += i + 1 == sizeof kFormats / sizeof kFormats[0] ? lastSeparator : separator;
        names += kFormats[i].name;
    }
    return names;
}

const char* NameOf(ExportFormat format)
{
    for (const FormatName& known : kFormats)
    {
        if (known.format == format)
            return known.name;
    }
    return "";
}

int SwitchFlagIndex(const std::string& flag)
{
    for (int i = 0; i < kSwitchCount; ++i)
    {
        if (flag == kSwitches[i].flag)
            return i;
    }
    return -1;
}

// The codes of --lang: "en|de|fr" in the help, "en, de or fr" in its usage error.
std::string LanguageCodes(const char* separator, const char* lastSeparator)
{
    std::string codes;
    for (size_t i = 0; i < kLanguageCount; ++i)
    {
        if (i > 0)
            codes += i + 1 == kLanguageCount ? lastSeparator : separator;
        codes += kLanguages[i].code;
    }
    return codes;
}

// One line of the flag list: the flag and its value, then what it does at column 25.
std::string FlagLine(const std::string& flagAndValue, const char* meaning)
{
    const size_t column = 23;
    return "  " + flagAndValue + std::string(flagAndValue.size() < column ? column - flagAndValue.size() : 1, ' ') +
           meaning + "\n";
}

// The folder part of a path, or empty when the path names a file in the current folder.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) + L"." : std::wstring();
    // "C:\file" and "\file": the root itself.
    if (slash == 0 || (slash == 2 && path[1] == L':'))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

void CheckParentFolder(const std::wstring& path, const std::string& shown)
{
    const std::wstring folder = FolderOf(path);
    if (folder.empty())
        return;
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || (folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw UsageError("--out " + shown + ": the folder " + morvex::WideToUtf8(folder) + " does not exist");
}

void CheckOutputFile(const std::wstring& path, const std::string& shown)
{
    if (path.empty())
        throw UsageError("--out needs a file name");
    const DWORD fileAttributes = GetFileAttributesW(path.c_str());
    if (fileAttributes != INVALID_FILE_ATTRIBUTES && (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw UsageError("--out " + shown + " is a folder, not a file");
    CheckParentFolder(path, shown);
}

// The folder may be missing (export makes it), the one that would hold it may not. Trailing
// separators go.
void CheckOutputFolder(std::wstring& path, const std::string& shown)
{
    if (path.empty())
        throw UsageError("--out needs a folder name");
    // "C:\out\" names the folder C:\out; a root stays as it is.
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') &&
           !(path.size() == 3 && path[1] == L':'))
        path.pop_back();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
    {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            throw UsageError("--out " + shown + " is a file, not a folder");
        return;
    }
    CheckParentFolder(path, shown);
}

} // namespace

bool CtlCommand::ChangesPolicy() const
{
    for (const auto& value : switches)
    {
        if (value)
            return true;
    }
    return letters.has_value();
}

CtlCommand ParseCommandLine(int argc, const wchar_t* const* argv)
{
    CtlCommand command;
    bool haveVerb = false;
    bool haveOut = false;
    bool haveFormat = false;
    std::string outShown;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = morvex::WideToUtf8(argv[i]);
        // The flags that take a value take the next argument, whatever it looks like, so that
        // --letters "" and a file name starting with "-" work.
        auto value = [&](std::string* shown) -> std::wstring {
            if (i + 1 >= argc)
                throw UsageError(arg + " needs a value");
            ++i;
            if (shown != nullptr)
                *shown = morvex::WideToUtf8(argv[i]);
            return argv[i];
        };

        if (arg == "--help" || arg == "-h" || arg == "/?")
        {
            command.verb = Verb::Help;
            return command;
        }
        if (arg == "--version")
        {
            command.verb = Verb::Version;
            return command;
        }
        if (arg == "--json")
        {
            command.json = true;
            continue;
        }
        if (arg == "--lang")
        {
            std::string code;
            value(&code);
            if (FindLanguage(code) == nullptr)
                throw UsageError("--lang takes " + LanguageCodes(", ", " or ") + ", not \"" + code + "\"");
            command.language = code;
            continue;
        }
        if (arg == "--out")
        {
            // Checked once the format is known: a file for reg, a folder for the others.
            command.outFile = value(&outShown);
            haveOut = true;
            continue;
        }
        if (arg == "--format")
        {
            std::string name;
            value(&name);
            bool known = false;
            for (const FormatName& format : kFormats)
            {
                if (name == format.name)
                {
                    command.format = format.format;
                    known = true;
                }
            }
            if (!known)
                throw UsageError("--format takes " + FormatNames(", ", " or ") + ", not \"" + name + "\"");
            haveFormat = true;
            continue;
        }
        if (arg == "--letters")
        {
            command.letters = value(nullptr);
            continue;
        }
        const int switchIndex = SwitchFlagIndex(arg);
        if (switchIndex >= 0)
        {
            std::string onOff;
            value(&onOff);
            if (onOff != "on" && onOff != "off")
                throw UsageError(arg + " takes on or off, not \"" + onOff + "\"");
            command.switches[switchIndex] = onOff == "on";
            continue;
        }
        if (!arg.empty() && arg[0] == '-')
            throw UsageError("unknown flag " + arg);
        if (haveVerb)
            throw UsageError("unexpected argument \"" + arg + "\"");
        bool known = false;
        for (const VerbName& verb : kVerbs)
        {
            if (arg == verb.name)
            {
                command.verb = verb.verb;
                known = true;
            }
        }
        if (!known)
            throw UsageError("unknown command \"" + arg + "\"");
        haveVerb = true;
    }

    if (!haveVerb)
        throw UsageError("no command given");
    const bool changes = command.ChangesPolicy();
    const char* verbName = "";
    for (const VerbName& verb : kVerbs)
    {
        if (verb.verb == command.verb)
            verbName = verb.name;
    }
    if (haveOut && command.verb != Verb::Export)
        throw UsageError(std::string("--out belongs to export, not to ") + verbName);
    if (haveFormat && command.verb != Verb::Export)
        throw UsageError(std::string("--format belongs to export, not to ") + verbName);
    if (command.verb == Verb::Export && command.format != ExportFormat::Reg)
    {
        // Two files, one per hive: they cannot both go to standard output.
        if (!haveOut)
            throw UsageError(std::string("export --format ") + NameOf(command.format) + " needs --out FOLDER");
        CheckOutputFolder(command.outFile, outShown);
    }
    else if (haveOut)
    {
        CheckOutputFile(command.outFile, outShown);
    }
    if (changes && command.verb != Verb::Set && command.verb != Verb::Export)
        throw UsageError(std::string(verbName) + " takes no switch or --letters flags");
    if (command.verb == Verb::Set && !changes)
        throw UsageError("set needs at least one switch or --letters flag");
    if (command.json && command.verb == Verb::Export)
        throw UsageError("export writes a registry file; --json does not apply");
    return command;
}

std::string HelpText()
{
    std::string text = "MorvexCtl: the AutoRun policy of this PC from the command line.\n"
                       "\n"
                       "  MorvexCtl status [--json]             shows the policy and whether the PC is safe\n"
                       "  MorvexCtl disable-all [--json]        switches AutoRun off completely and saves\n"
                       "                                        (the stored drive letters are kept)\n"
                       "  MorvexCtl set FLAGS [--json]          changes the named switches and saves\n"
                       "  MorvexCtl export [--out FILE] [FLAGS] writes a registry file of what a save would\n"
                       "                                        write, without touching the registry\n"
                       "  MorvexCtl export --format pol|gpp --out FOLDER [FLAGS]\n"
                       "                                        the same as Group Policy files in\n"
                       "                                        FOLDER\\Machine and FOLDER\\User\n"
                       "  MorvexCtl --help | --version\n"
                       "\n"
                       "FLAGS:\n";
    for (const SwitchInfo& switchInfo : kSwitches)
        text += FlagLine(std::string(switchInfo.flag) + " on|off", switchInfo.flagHelp);
    text += FlagLine("--letters LIST", "drive letters with AutoRun disabled, e.g. C,E (\"\" for none)");
    text += FlagLine("--lang " + LanguageCodes("|", "|"), "language of the output (English by default)");
    text += "\n"
            "export --format:\n";
    for (const FormatName& format : kFormats)
        text += FlagLine(format.name, format.help);
    text += "\n"
            "Exit codes: 0 safe, 1 not completely safe, 2 not controlled,\n"
            "3 the registry could not be read or written, 64 usage error.\n";
    return text;
}
