// libFuzzer target for the dialog-init parser (native, with sanitizers): scripts/fuzz.sh.
// Besides "no crash and no read past the end", the records it gives, written out again as
// records of their own text, must parse to the same records.

#include "DlgInit.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Require.h"

namespace {

void AddLittleEndian(std::vector<unsigned char>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly size bytes, so that AddressSanitizer sees any read past the end.
    const std::vector<unsigned char> input(data, data + size);
    const std::vector<DlgInitItem> items = ParseDlgInit(input.data(), input.size());

    std::vector<unsigned char> again;
    std::size_t textBytes = 0;
    for (const DlgInitItem& item : items)
    {
        Require(item.controlId != 0);
        Require(item.data.find('\0') == std::string::npos);
        textBytes += item.data.size() + 8;
        AddLittleEndian(again, item.controlId, 2);
        AddLittleEndian(again, item.message, 2);
        AddLittleEndian(again, static_cast<std::uint32_t>(item.data.size()), 4);
        again.insert(again.end(), item.data.begin(), item.data.end());
    }
    Require(textBytes <= size);
    AddLittleEndian(again, 0, 2);

    const std::vector<DlgInitItem> reparsed = ParseDlgInit(again.data(), again.size());
    Require(reparsed.size() == items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        Require(reparsed[i].controlId == items[i].controlId);
        Require(reparsed[i].message == items[i].message);
        Require(reparsed[i].data == items[i].data);
    }
    return 0;
}
