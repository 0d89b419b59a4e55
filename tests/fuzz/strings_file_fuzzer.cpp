// libFuzzer target for the translation-file parser (native, with sanitizers):
//   scripts/fuzz.sh SECONDS
// Besides "no crash", it checks what every parse must give: the same pairs however the
// bytes are split into pieces, and pairs that obey the trimming and splitting rules.

#include "StringsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "Require.h"

namespace {

bool Trimmed(const std::string& text)
{
    return text.empty() || (kStringsTrimSet.find(text.front()) == std::string_view::npos &&
                            kStringsTrimSet.find(text.back()) == std::string_view::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::map<std::string, std::string> whole;
    const std::size_t count = ParseStringsFile(bytes, whole);
    Require(count >= whole.size());

    for (const auto& [key, value] : whole)
    {
        Require(Trimmed(key) && Trimmed(value));
        Require(key.find('=') == std::string::npos);
        Require(key.find('\n') == std::string::npos && value.find('\n') == std::string::npos);
        Require(key.find('\x1A') == std::string::npos && value.find('\x1A') == std::string::npos);
        Require(key.empty() || key.front() != '#');
    }

    // The same bytes in pieces whose sizes come from the data itself, as a file read in
    // chunks would deliver them: the split must never change a pair.
    std::map<std::string, std::string> pieces;
    StringsFileParser parser(pieces);
    std::size_t offset = 0;
    std::size_t step = 1;
    while (offset < size)
    {
        step = 1 + (step * 31 + data[offset]) % 97;
        const std::size_t length = step < size - offset ? step : size - offset;
        if (!parser.Feed(bytes.substr(offset, length)))
            break;
        offset += length;
    }
    parser.Finish();
    Require(parser.Count() == count);
    Require(pieces == whole);
    return 0;
}
