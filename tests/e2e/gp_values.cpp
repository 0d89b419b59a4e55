// What the Group Policy files of an export leave in a registry that had none of the policy's
// six values, read with the project's own readers, one line per value: the machine's values first,
// then the user's, each in the order Load reads them:
//   HKLM\KEY\NAME=dword:000000ff | =sz:TEXT | =absent        ("@" for the default value)
//   gp_values pol|gpp FOLDER     reads FOLDER\Machine\Registry.pol and FOLDER\User\Registry.pol
//                                (or the two Registry.xml); exit 2 when one cannot be read
// ctl_round_trip.sh compares these lines with an independent reader's and with the values
// that reg import of the registry file leaves.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AutoRunSettings.h"
#include "PreferenceXml.h"
#include "RegistryPol.h"
#include "TextConvert.h"

namespace {

std::vector<std::uint8_t> ReadAll(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Line(const PolicyValueInfo& info, const regpol::ValueEffect& effect)
{
    std::string line = std::string(info.machineHive ? "HKLM\\" : "HKCU\\") + morvex::WideToUtf8(info.keyPath) + "\\" +
                       (*info.valueName == L'\0' ? std::string("@") : morvex::WideToUtf8(info.valueName)) + "=";
    if (effect.kind != regpol::ValueEffect::Kind::Sets)
        return line + "absent";
    if (effect.type == regpol::kRegDword && effect.Dword())
    {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(*effect.Dword()));
        return line + "dword:" + hex;
    }
    if (effect.type == regpol::kRegSz && effect.String())
        return line + "sz:" + morvex::WideToUtf8(*effect.String());
    return line + "type " + std::to_string(effect.type);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3 || (std::wstring(argv[1]) != L"pol" && std::wstring(argv[1]) != L"gpp"))
    {
        std::fprintf(stderr, "usage: gp_values pol|gpp FOLDER\n");
        return 64;
    }
    const bool pol = std::wstring(argv[1]) == L"pol";
    for (const bool machine : {true, false})
    {
        const std::wstring path =
            std::wstring(argv[2]) + (machine ? L"\\Machine\\" : L"\\User\\") + (pol ? L"Registry.pol" : L"Registry.xml");
        const std::vector<std::uint8_t> bytes = ReadAll(path);
        std::vector<PolicyValueInfo> infos;
        for (int i = 0; i < kPolicyValueCount; ++i)
        {
            if (InfoOf(static_cast<PolicyValue>(i)).machineHive == machine)
                infos.push_back(InfoOf(static_cast<PolicyValue>(i)));
        }
        std::vector<regpol::ValueEffect> effects;
        if (pol)
        {
            const auto records = regpol::ReadRegistryPol(bytes);
            if (!records)
            {
                std::fprintf(stderr, "gp_values: %s cannot be read\n", morvex::WideToUtf8(path).c_str());
                return 2;
            }
            std::vector<regpol::ValueRef> asked;
            for (const PolicyValueInfo& info : infos)
                asked.push_back({info.keyPath, info.valueName});
            effects = regpol::EvaluatePol(*records, asked);
        }
        else
        {
            const auto items = regpol::ReadPreferenceXml(bytes);
            if (!items)
            {
                std::fprintf(stderr, "gp_values: %s cannot be read\n", morvex::WideToUtf8(path).c_str());
                return 2;
            }
            std::vector<regpol::PreferenceRef> asked;
            for (const PolicyValueInfo& info : infos)
                asked.push_back({machine ? regpol::Hive::LocalMachine : regpol::Hive::CurrentUser, info.keyPath,
                                 info.valueName});
            effects = regpol::EvaluatePreferences(*items, asked);
        }
        for (std::size_t i = 0; i < infos.size(); ++i)
            std::printf("%s\n", Line(infos[i], effects[i]).c_str());
    }
    return 0;
}
