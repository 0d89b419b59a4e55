// libFuzzer target for the Registry.pol reader (native, with sanitizers): scripts/fuzz.sh.
// Besides "no crash and no read past the end": the format has one spelling per content, so a
// file the reader takes, written again from its records, gives the same bytes; and evaluating
// the records keeps its promises.

#include "RegistryPol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly size bytes, so that AddressSanitizer sees any read past the end.
    const std::vector<std::uint8_t> input(data, data + size);
    const auto records = regpol::ReadRegistryPol(input.data(), input.size());
    if (!records)
        return 0;
    Require(regpol::WriteRegistryPol(*records) == input);

    const std::vector<regpol::ValueRef> asked = {
        {L"K", L""}, {L"K", L"A"}, {L"k\\S", L"a"}, {L"Software\\Policies", L"NoDriveTypeAutoRun"}};
    const std::vector<regpol::ValueEffect> effects = regpol::EvaluatePol(*records, asked);
    Require(effects.size() == asked.size());
    for (const regpol::ValueEffect& effect : effects)
    {
        if (effect.kind != regpol::ValueEffect::Kind::Sets)
            Require(effect.data.empty() && !effect.soft && !effect.Dword() && !effect.String());
        else if (effect.Dword())
            Require(effect.data.size() == 4);
        (void)effect.String();
    }
    return 0;
}
