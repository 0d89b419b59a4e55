// The Registry.pol reader and writer from the command line, for the cross-check against an
// independent PReg implementation (samba_preg_check.py):
//   pol_tool dump FILE    one line per record: type, then key, value name and data as hex of
//                         their UTF-16LE or raw bytes; "unreadable" and exit 2 when the
//                         reader refuses the file
//   pol_tool write FILE   writes the records the check expects (the ones listed below)
#include "RegistryPol.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

using namespace regpol;

namespace {

void PrintHex(const std::vector<std::uint8_t>& bytes)
{
    std::printf(" ");
    for (const std::uint8_t b : bytes)
        std::printf("%02x", b);
    if (bytes.empty())
        std::printf("-");
}

std::vector<PolRecord> Written()
{
    const wchar_t* const explorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    return {
        SetDwordRecord(explorer, L"NoDriveTypeAutoRun", 0xFF),
        SetDwordRecord(explorer, L"NoDriveAutoRun", 0x3FFFFFF),
        SetStringRecord(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf", L"",
                        L"@SYS:DoesNotExist"),
        DeleteValueRecord(L"System\\CurrentControlSet\\Services\\Cdrom", L"AutoRun"),
        SetStringRecord(L"Software\\Caf\u00E9", L"Na\u00EFve", L"\u00E9t\u00E9"),
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: pol_tool dump|write FILE\n");
        return 64;
    }
    if (std::strcmp(argv[1], "write") == 0)
    {
        const std::vector<std::uint8_t> bytes = WriteRegistryPol(Written());
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return out ? 0 : 1;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in)
    {
        std::fprintf(stderr, "pol_tool: cannot open %s\n", argv[2]);
        return 1;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto records = ReadRegistryPol(bytes);
    if (!records)
    {
        std::printf("unreadable\n");
        return 2;
    }
    for (const PolRecord& record : *records)
    {
        std::printf("%u", static_cast<unsigned>(record.type));
        PrintHex(Utf16LeBytes(record.key, false));
        PrintHex(Utf16LeBytes(record.valueName, false));
        PrintHex(record.data);
        std::printf("\n");
    }
    return 0;
}
