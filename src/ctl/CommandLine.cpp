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

std::string LowerAscii(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool IsLetterSeparator(wchar_t c)
{
    // Semicolons as well: the drive-letter page takes them, and the README has always sent
    // its readers there for the form of the list.
    return c == L',' || c == L';' || c == L' ' || c == L'\t';
}

// Only drive letters: a typing slip must not save a different list ("C,1,ZZ" is not "C,Z").
std::wstring CheckedLetters(const std::wstring& list)
{
    size_t i = 0;
    while (i < list.size())
    {
        if (IsLetterSeparator(list[i]))
        {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < list.size() && !IsLetterSeparator(list[end]))
            ++end;
        const std::wstring item = list.substr(i, end - i);
        const wchar_t c = item[0];
        if (item.size() != 1 || !((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z')))
            throw UsageError("--letters takes drive letters A to Z separated by commas or blanks (\"\" for none), "
                             "not \"" + morvex::WideToUtf8(item) + "\"");
        i = end;
    }
    return list;
}

// The flags other than the switches: what each sets in the command. The verbs they belong
// to are checked once the whole line is read.
struct Option
{
    const char* name;
    bool takesValue;
    void (*apply)(CtlCommand& command, const std::wstring& value, const std::string& shown);
};

const Option kOptions[] = {
    {"--json", false, [](CtlCommand& c, const std::wstring&, const std::string&) { c.json = true; }},
    {"--perfdata", false, [](CtlCommand& c, const std::wstring&, const std::string&) { c.perfData = true; }},
    {"--baseline", false, [](CtlCommand& c, const std::wstring&, const std::string&) { c.baseline = true; }},
    {"--lang", true,
     [](CtlCommand& c, const std::wstring&, const std::string& code) {
         if (FindLanguage(code) == nullptr)
             throw UsageError("--lang takes " + LanguageCodes(", ", " or ") + ", not \"" + code + "\"");
         c.language = code;
     }},
    // Checked once the whole line is read: a file for reg, a folder for the others.
    {"--out", true, [](CtlCommand& c, const std::wstring& path, const std::string&) { c.outFile = path; }},
    {"--format", true,
     [](CtlCommand& c, const std::wstring&, const std::string& name) {
         for (const FormatName& format : kFormats)
         {
             if (name == format.name)
             {
                 c.format = format.format;
                 return;
             }
         }
         throw UsageError("--format takes " + FormatNames(", ", " or ") + ", not \"" + name + "\"");
     }},
    {"--letters", true,
     [](CtlCommand& c, const std::wstring& list, const std::string&) { c.letters = CheckedLetters(list); }},
};

const Option* FindOption(const std::string& name)
{
    for (const Option& option : kOptions)
    {
        if (name == option.name)
            return &option;
    }
    return nullptr;
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
    // Which flags were given, for the checks that need the whole line.
    bool haveOut = false;
    bool haveFormat = false;

    for (int i = 1; i < argc; ++i)
    {
        const std::wstring wideArg = argv[i];
        std::string arg = morvex::WideToUtf8(wideArg);
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

        // --flag=value: the flag is what stands before the first "=".
        std::optional<std::wstring> attached;
        const size_t equals = wideArg.find(L'=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::wstring::npos)
        {
            attached = wideArg.substr(equals + 1);
            arg = morvex::WideToUtf8(wideArg.substr(0, equals));
        }
        // A flag that takes a value takes the next argument, whatever it looks like, so
        // that --letters "" and a file name starting with "-" work.
        auto value = [&]() -> std::wstring {
            if (attached)
                return *attached;
            if (i + 1 >= argc)
                throw UsageError(arg + " needs a value");
            return argv[++i];
        };

        const Option* option = FindOption(arg);
        const int switchIndex = SwitchFlagIndex(arg);
        if (option != nullptr)
        {
            if (!option->takesValue && attached)
                throw UsageError(arg + " takes no value");
            const std::wstring given = option->takesValue ? value() : std::wstring();
            option->apply(command, given, morvex::WideToUtf8(given));
            haveOut = haveOut || std::strcmp(option->name, "--out") == 0;
            haveFormat = haveFormat || std::strcmp(option->name, "--format") == 0;
            continue;
        }
        if (switchIndex >= 0)
        {
            const std::string onOff = morvex::WideToUtf8(value());
            const std::string lower = LowerAscii(onOff);
            if (lower != "on" && lower != "off")
                throw UsageError(arg + " takes on or off, not \"" + onOff + "\"");
            command.switches[switchIndex] = lower == "on";
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
        CheckOutputFolder(command.outFile, morvex::WideToUtf8(command.outFile));
    }
    else if (haveOut)
    {
        CheckOutputFile(command.outFile, morvex::WideToUtf8(command.outFile));
    }
    if (changes && command.verb != Verb::Set && command.verb != Verb::Export)
        throw UsageError(std::string(verbName) + " takes no switch or --letters flags");
    if (command.verb == Verb::Set && !changes)
        throw UsageError("set needs at least one switch or --letters flag");
    if (command.json && command.verb == Verb::Export)
        throw UsageError("export writes a registry file; --json does not apply");
    if (command.perfData && command.verb != Verb::Status)
        throw UsageError(std::string("--perfdata belongs to status, not to ") + verbName);
    if (command.perfData && command.json)
        throw UsageError("--perfdata belongs to the status line; --json does not apply");
    if (command.baseline && command.verb != Verb::DisableAll && command.verb != Verb::Export)
        throw UsageError(std::string("--baseline belongs to disable-all and export, not to ") + verbName);
    return command;
}

std::string HelpText()
{
    std::string text = "MorvexCtl: the AutoRun policy of this PC from the command line.\n"
                       "\n"
                       "  MorvexCtl status [--json | --perfdata] shows the policy and whether the PC is safe\n"
                       "                                        (--perfdata: performance data for monitoring)\n"
                       "  MorvexCtl disable-all [--baseline] [--json]\n"
                       "                                        switches AutoRun off completely and saves\n"
                       "                                        (the stored drive letters are kept; --baseline:\n"
                       "                                        also NoAutoplayfornonVolume and NoAutorun = 1)\n"
                       "  MorvexCtl set FLAGS [--json]          changes the named switches and saves\n"
                       "  MorvexCtl export [--out FILE] [--baseline] [FLAGS]\n"
                       "                                        writes a registry file of what a save would\n"
                       "                                        write, without touching the registry\n"
                       "  MorvexCtl export --format pol|gpp --out FOLDER [FLAGS]\n"
                       "                                        the same as Group Policy files in\n"
                       "                                        FOLDER\\Machine and FOLDER\\User\n"
                       "  MorvexCtl --help | -h | /? | --version\n"
                       "\n"
                       "set and disable-all need administrator rights; status and export do not.\n"
                       "\n"
                       "FLAGS (the value also as --flag=value; on and off in any letter case):\n";
    for (const SwitchInfo& switchInfo : kSwitches)
        text += FlagLine(std::string(switchInfo.flag) + " on|off", switchInfo.flagHelp);
    text += FlagLine("--letters LIST", "drive letters with AutoRun disabled, e.g. C,E or \"C E\" (\"\" for none)");
    text += FlagLine("--lang " + LanguageCodes("|", "|"), "language of the output (English by default)");
    text += "\n"
            "export --format:\n";
    for (const FormatName& format : kFormats)
        text += FlagLine(format.name, format.help);
    text += "\n"
            "Exit codes: 0 safe, 1 not completely safe, 2 not controlled,\n"
            "3 the registry could not be read or written (or the output not written),\n"
            "64 usage error, 77 the change needs administrator rights.\n";
    return text;
}
