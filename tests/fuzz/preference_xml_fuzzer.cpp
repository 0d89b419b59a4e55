// libFuzzer target for the preference Registry.xml reader (native, with sanitizers):
// scripts/fuzz.sh. Besides "no crash and no read past the end": every number and text item the
// reader takes, written by the writer and read again, gives the same item.

#include "PreferenceXml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> input(data, data + size);
    const auto items = regpol::ReadPreferenceXml(input.data(), input.size());
    if (!items)
        return 0;

    std::vector<regpol::PreferenceRef> asked;
    std::vector<regpol::PreferenceValue> values;
    for (const regpol::PreferenceItem& item : *items)
    {
        asked.push_back({item.hive, item.key, item.name});
        if (item.action == 'D' || item.IsKeyItem() || (item.type != regpol::kRegDword && item.type != regpol::kRegSz))
            continue;
        const regpol::ValueEffect effect{regpol::ValueEffect::Kind::Sets, false, item.type, item.data};
        regpol::PreferenceValue value{item.hive, item.key, item.name, item.type, 0, {}};
        if (item.type == regpol::kRegDword)
            value.number = effect.Dword().value();
        else
            value.text = effect.String().value(); // whole: XML cannot carry a NUL
        values.push_back(value);
    }
    Require(regpol::EvaluatePreferences(*items, asked).size() == asked.size());

    const std::string written = regpol::WritePreferenceXml(values, 0);
    const auto again = regpol::ReadPreferenceXml(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    Require(again.has_value() && again->size() == values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        const regpol::PreferenceItem& item = (*again)[i];
        Require(item.action == 'U' && item.hive == values[i].hive && item.key == values[i].key);
        Require(item.name == values[i].name && item.isDefault == values[i].name.empty());
        const regpol::ValueEffect effect{regpol::ValueEffect::Kind::Sets, false, item.type, item.data};
        if (values[i].type == regpol::kRegDword)
            Require(effect.Dword() == values[i].number);
        else
            Require(effect.String() == values[i].text);
    }
    return 0;
}
