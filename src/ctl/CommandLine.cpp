#include "CommandLine.h"

#include <windows.h>

#include <cstring>

#include "TextConvert.h"

const char* const kSwitchFlags[kSwitchFlagCount] = {
    "--autorun-inf", "--unknown", "--removable", "--fixed", "--network", "--cdrom", "--ramdisk",
};

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

int SwitchFlagIndex(const std::string& flag)
{
    for (int i = 0; i < kSwitchFlagCount; ++i)
    {
        if (flag == kSwitchFlags[i])
            return i;
    }
    return -1;
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

void CheckOutputFile(const std::wstring& path, const std::string& shown)
{
    if (path.empty())
        throw UsageError("--out needs a file name");
    const DWORD fileAttributes = GetFileAttributesW(path.c_str());
    if (fileAttributes != INVALID_FILE_ATTRIBUTES && (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw UsageError("--out " + shown + " is a folder, not a file");
    const std::wstring folder = FolderOf(path);
    if (folder.empty())
        return;
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || (folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw UsageError("--out " + shown + ": the folder " + morvex::WideToUtf8(folder) + " does not exist");
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
            if (code != "en" && code != "de" && code != "fr")
                throw UsageError("--lang takes en, de or fr, not \"" + code + "\"");
            command.language = code;
            continue;
        }
        if (arg == "--out")
        {
            std::string shown;
            command.outFile = value(&shown);
            CheckOutputFile(command.outFile, shown);
            haveOut = true;
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
    if (changes && command.verb != Verb::Set && command.verb != Verb::Export)
        throw UsageError(std::string(verbName) + " takes no switch or --letters flags");
    if (command.verb == Verb::Set && !changes)
        throw UsageError("set needs at least one switch or --letters flag");
    if (command.json && command.verb == Verb::Export)
        throw UsageError("export writes a registry file; --json does not apply");
    return command;
}

const char* HelpText()
{
    return "MorvexCtl: the AutoRun policy of this PC from the command line.\n"
           "\n"
           "  MorvexCtl status [--json]             shows the policy and whether the PC is safe\n"
           "  MorvexCtl disable-all [--json]        switches AutoRun off completely and saves\n"
           "                                        (the stored drive letters are kept)\n"
           "  MorvexCtl set FLAGS [--json]          changes the named switches and saves\n"
           "  MorvexCtl export [--out FILE] [FLAGS] writes a registry file of what a save would\n"
           "                                        write, without touching the registry\n"
           "  MorvexCtl --help | --version\n"
           "\n"
           "FLAGS:\n"
           "  --autorun-inf on|off   honour autorun.inf files\n"
           "  --unknown on|off       AutoRun for drives of unknown type\n"
           "  --removable on|off     AutoRun for removable drives\n"
           "  --fixed on|off         AutoRun for fixed drives\n"
           "  --network on|off       AutoRun for network drives\n"
           "  --cdrom on|off         AutoRun for CD/DVD-ROM/Blu-ray drives\n"
           "  --ramdisk on|off       AutoRun for RAM disks\n"
           "  --letters LIST         drive letters with AutoRun disabled, e.g. C,E (\"\" for none)\n"
           "  --lang en|de|fr        language of the output (English by default)\n"
           "\n"
           "Exit codes: 0 safe, 1 not completely safe, 2 not controlled,\n"
           "3 the registry could not be read or written, 64 usage error.\n";
}
