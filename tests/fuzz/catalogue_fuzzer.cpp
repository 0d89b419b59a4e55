// libFuzzer target for reading a translation file the way the catalogue does, through a
// reader (native, with sanitizers): scripts/fuzz.sh. The first bytes of the input say how
// the reader behaves (the size of each short read, and whether and where a read fails);
// the rest is the file. What must come out:
//   - no read error: the pairs of the whole file, as one parse of it gives them;
//   - a read error: the pairs of the lines completed before it, never a line cut off by it;
//     an end-of-file byte before the error ends the reading, so the error is never seen.

#include "StringsFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "Require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint8_t stepSeed = data[0];
    const bool fails = (data[1] & 1) != 0;
    const std::string_view file(reinterpret_cast<const char*>(data + 3), size - 3);
    // Where the failing read comes: after this many bytes of the file were delivered.
    const std::size_t failAt = fails ? (static_cast<std::size_t>(data[2]) * 7) % (file.size() + 1) : file.size();

    std::size_t offset = 0;
    std::size_t step = stepSeed;
    bool failed = false;
    std::map<std::string, std::string> read;
    const std::size_t count = ReadStringsFile(
        [&](char* buffer, std::size_t capacity) -> long long {
            Require(!failed); // nothing is read after an error
            Require(capacity > 0);
            if (offset == failAt && fails)
            {
                failed = true;
                return -1;
            }
            step = 1 + (step * 31 + 7) % 61;
            const std::size_t length = std::min({step, capacity, failAt - offset});
            std::memcpy(buffer, file.data() + offset, length);
            offset += length;
            return static_cast<long long>(length);
        },
        read);

    std::string_view expectedBytes = file;
    if (failed)
    {
        const std::string_view delivered = file.substr(0, failAt);
        Require(delivered.find('\x1A') == std::string_view::npos);
        const std::size_t lineEnd = delivered.rfind('\n');
        expectedBytes = lineEnd == std::string_view::npos ? std::string_view() : delivered.substr(0, lineEnd + 1);
    }
    std::map<std::string, std::string> expected;
    const std::size_t expectedCount = ParseStringsFile(expectedBytes, expected);
    Require(count == expectedCount);
    Require(read == expected);
    return 0;
}
