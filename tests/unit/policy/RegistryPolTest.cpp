// Registry.pol: the writer's bytes, the reader's refusal of anything malformed, and what the
// records of a file do to the values asked about. Pure code, no registry.
#include "RegistryPol.h"

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using namespace regpol;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex)
{
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The file built by hand, independently of WriteRegistryPol, so that the reader's tests do
// not lean on the writer.
struct RawFile
{
    Bytes bytes;

    RawFile()
    {
        const std::uint8_t header[] = {'P', 'R', 'e', 'g', 1, 0, 0, 0};
        bytes.assign(std::begin(header), std::end(header));
    }

    RawFile& Unit(std::uint16_t unit)
    {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        return *this;
    }
    RawFile& Text(const char* ascii)
    {
        for (; *ascii; ++ascii)
            Unit(static_cast<std::uint8_t>(*ascii));
        return Unit(0);
    }
    RawFile& Number(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return *this;
    }
    RawFile& Record(const char* key, const char* name, std::uint32_t type, const Bytes& data)
    {
        Unit('[').Text(key).Unit(';').Text(name).Unit(';').Number(type).Unit(';');
        Number(static_cast<std::uint32_t>(data.size())).Unit(';');
        bytes.insert(bytes.end(), data.begin(), data.end());
        return Unit(']');
    }
};

Bytes Dword(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes Sz(const char* ascii)
{
    Bytes bytes;
    for (; *ascii; ++ascii)
    {
        bytes.push_back(static_cast<std::uint8_t>(*ascii));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

const wchar_t kExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

} // namespace

TEST(RegistryPolWriter, WritesTheBytesOfThePolicyEditors)
{
    // The bytes Samba's own PReg writer (python3-samba, samba.dcerpc.preg) gives for the same
    // entries; a deletion as the policy editors and LGPO write it: REG_SZ " ".
    const struct
    {
        PolRecord record;
        const char* hex;
    } cases[] = {
        {SetDwordRecord(L"Software\\Policies\\X", L"Val", 0xFF),
         "50526567010000005b0053006f006600740077006100720065005c0050006f006c00690063006900650073005c0058"
         "0000003b00560061006c0000003b00040000003b00040000003b00ff0000005d00"},
        {SetStringRecord(L"K", L"V", L"ab"),
         "50526567010000005b004b0000003b00560000003b00010000003b00060000003b006100620000005d00"},
        {DeleteValueRecord(L"K", L"V"),
         "50526567010000005b004b0000003b002a002a00640065006c002e00560000003b00010000003b00040000003b0020"
         "0000005d00"},
        {SetStringRecord(L"K", L"", L""), "50526567010000005b004b0000003b0000003b00010000003b00020000003b0000005d00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromHex(c.hex), WriteRegistryPol({c.record})) << c.hex;
    EXPECT_EQ(FromHex("5052656701000000"), WriteRegistryPol({}));
}

TEST(RegistryPolWriter, WhatItWritesReadsBackTheSame)
{
    const std::vector<PolRecord> records = {
        SetDwordRecord(kExplorer, L"NoDriveTypeAutoRun", 0xFF),
        SetStringRecord(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\Autorun.inf", L"",
                        L"@SYS:DoesNotExist"),
        DeleteValueRecord(kExplorer, L"NoDriveAutoRun"),
        PolRecord{L"K\u00E9y", L"bin;ary]", kRegBinary, {']', 0, ';', 0, '[', 0, 0, 0}},
        PolRecord{L"K", L"empty", kRegNone, {}},
    };
    const std::optional<std::vector<PolRecord>> read = ReadRegistryPol(WriteRegistryPol(records));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(records, *read);
}

TEST(RegistryPolWriter, RefusesANameItCouldNotWriteWhole)
{
    EXPECT_THROW(WriteRegistryPol({SetDwordRecord(std::wstring(L"A\0B", 3), L"V", 1)}), std::invalid_argument);
    EXPECT_THROW(WriteRegistryPol({SetDwordRecord(L"K", std::wstring(L"V\0", 2), 1)}), std::invalid_argument);
}

TEST(RegistryPolReader, ReadsDataByItsSizeNotByBrackets)
{
    const Bytes tricky = {']', 0, ';', 0, '[', 0, ']', 0, 0, 0};
    const RawFile file = RawFile().Record("K", "B", kRegBinary, tricky).Record("K", "D", kRegDword, Dword(7));
    const auto read = ReadRegistryPol(file.bytes);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(2u, read->size());
    EXPECT_EQ(tricky, (*read)[0].data);
    EXPECT_EQ(L"D", (*read)[1].valueName);
    EXPECT_EQ(Dword(7), (*read)[1].data);
}

TEST(RegistryPolReader, HeaderAloneHasNoRecords)
{
    const auto read = ReadRegistryPol(RawFile().bytes);
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(read->empty());
}

TEST(RegistryPolReader, MalformedFilesAreUnreadable)
{
    const Bytes good = RawFile().Record("K", "V", kRegDword, Dword(1)).bytes;
    auto changed = [&](std::size_t at, std::uint8_t byte) {
        Bytes bytes = good;
        bytes[at] = byte;
        return bytes;
    };
    auto appended = [&](const Bytes& tail) {
        Bytes bytes = good;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    RawFile unterminatedKey;
    unterminatedKey.Unit('[').Unit('K').Unit('K');
    RawFile sizePastEnd;
    sizePastEnd.Unit('[').Text("K").Unit(';').Text("V").Unit(';').Number(3).Unit(';').Number(100).Unit(';');
    sizePastEnd.Number(0).Unit(']');
    RawFile hugeSize;
    hugeSize.Unit('[').Text("K").Unit(';').Text("V").Unit(';').Number(3).Unit(';').Number(0xFFFFFFFF).Unit(';');

    const struct
    {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"signature only", {'P', 'R', 'e', 'g'}},
        {"wrong signature", changed(0, 'p')},
        {"version 2", changed(4, 2)},
        {"version with a high byte", changed(7, 1)},
        {"no '['", changed(8, '(')},
        {"no ';' after the key", changed(14, ',')},
        {"no ';' after the name", changed(20, ',')},
        {"no ';' after the type", changed(26, ',')},
        {"no ';' after the size", changed(32, ',')},
        {"no ']'", changed(38, '}')},
        {"unterminated key", unterminatedKey.bytes},
        {"size past the end", sizePastEnd.bytes},
        {"size near 4 GiB", hugeSize.bytes},
        {"one byte after the last record", appended({0})},
        {"a record begun after the last one", appended({'[', 0})},
        {"an odd byte", appended({'x'})},
    };
    ASSERT_EQ(40u, good.size());
    ASSERT_TRUE(ReadRegistryPol(good).has_value());
    for (const auto& c : cases)
        EXPECT_FALSE(ReadRegistryPol(c.bytes).has_value()) << c.what;

    // Cut anywhere after the header, the file is no longer whole.
    for (std::size_t length = 9; length < good.size(); ++length)
        EXPECT_FALSE(ReadRegistryPol(good.data(), length).has_value()) << length;
}

TEST(RegistryPolEvaluation, RecordsApplyInOrderWithTheirSpecialNames)
{
    const char* const key = "Software\\Policies\\T";
    const std::vector<ValueRef> asked = {
        {L"Software\\Policies\\T", L"A"},
        {L"Software\\Policies\\T", L"B"},
        {L"Software\\Policies\\T", L""},
        {L"Software\\Policies\\T\\Sub", L"A"},
        {L"Software\\Policies\\TT", L"A"},
    };
    enum
    {
        U,  // untouched
        D,  // deletes
        S1, // sets REG_DWORD 1
        S2, // sets REG_DWORD 2
        SS, // sets REG_DWORD 1, soft
        SZ, // sets REG_SZ "x"
    };
    const struct
    {
        const char* what;
        RawFile file;
        int expected[5];
    } cases[] = {
        {"a plain set", RawFile().Record(key, "A", kRegDword, Dword(1)), {S1, U, U, U, U}},
        {"keys and names without case",
         RawFile().Record("SOFTWARE\\policies\\t", "a", kRegDword, Dword(1)),
         {S1, U, U, U, U}},
        {"the later record wins",
         RawFile().Record(key, "A", kRegDword, Dword(1)).Record(key, "A", kRegDword, Dword(2)),
         {S2, U, U, U, U}},
        {"default value", RawFile().Record(key, "", kRegSz, Sz("x")), {U, U, SZ, U, U}},
        {"the key alone sets nothing", RawFile().Record(key, "", kRegNone, {}), {U, U, U, U, U}},
        {"**del. after a set",
         RawFile().Record(key, "A", kRegDword, Dword(1)).Record(key, "**del.A", kRegSz, Sz(" ")),
         {D, U, U, U, U}},
        {"a set after **del.",
         RawFile().Record(key, "**Del.a", kRegSz, Sz(" ")).Record(key, "A", kRegDword, Dword(2)),
         {S2, U, U, U, U}},
        {"**delvals. leaves subkeys alone",
         RawFile().Record(key, "**delvals.", kRegSz, Sz(" ")),
         {D, D, D, U, U}},
        {"**DeleteValues", RawFile().Record(key, "**DeleteValues", kRegSz, Sz("a;;C;")), {D, U, U, U, U}},
        {"**DeleteKeys takes the key and what is below",
         RawFile().Record(key, "A", kRegDword, Dword(1)).Record("Software", "**DeleteKeys", kRegSz, Sz("X;Software\\Policies\\t")),
         {D, D, D, D, U}},
        {"**soft. where nothing is set", RawFile().Record(key, "**soft.A", kRegDword, Dword(1)), {SS, U, U, U, U}},
        {"**soft. after a set changes nothing",
         RawFile().Record(key, "A", kRegDword, Dword(2)).Record(key, "**soft.A", kRegDword, Dword(1)),
         {S2, U, U, U, U}},
        {"**soft. after a delete surely sets",
         RawFile().Record(key, "**del.A", kRegSz, Sz(" ")).Record(key, "**soft.A", kRegDword, Dword(1)),
         {S1, U, U, U, U}},
        {"**SecureKey", RawFile().Record(key, "**SecureKey", kRegDword, Dword(1)), {U, U, U, U, U}},
        {"another key's value of the same name", RawFile().Record("Software\\T", "A", kRegDword, Dword(1)),
         {U, U, U, U, U}},
    };
    for (const auto& c : cases)
    {
        const auto records = ReadRegistryPol(c.file.bytes);
        ASSERT_TRUE(records.has_value()) << c.what;
        const std::vector<ValueEffect> effects = EvaluatePol(*records, asked);
        ASSERT_EQ(asked.size(), effects.size());
        for (std::size_t i = 0; i < asked.size(); ++i)
        {
            ValueEffect expected;
            switch (c.expected[i])
            {
            case U: break;
            case D: expected.kind = ValueEffect::Kind::Deletes; break;
            case SZ: expected = {ValueEffect::Kind::Sets, false, kRegSz, Sz("x")}; break;
            default:
                expected = {ValueEffect::Kind::Sets, c.expected[i] == SS, kRegDword,
                            Dword(c.expected[i] == S2 ? 2 : 1)};
            }
            EXPECT_EQ(expected, effects[i]) << c.what << ", value " << i;
        }
    }
}

TEST(RegistryPolEvaluation, NumbersAndTextsOfWhatIsSet)
{
    const struct
    {
        std::uint32_t type;
        Bytes data;
        std::optional<std::uint32_t> number;
        std::optional<std::wstring> text;
    } cases[] = {
        {kRegDword, Dword(0xB5), 0xB5u, std::nullopt},
        {kRegDwordBigEndian, {0, 0, 0, 0xFF}, 0xFFu, std::nullopt},
        {kRegDword, {1, 2, 3}, std::nullopt, std::nullopt},
        {kRegBinary, Dword(1), std::nullopt, std::nullopt},
        {kRegSz, Sz("@SYS:DoesNotExist"), std::nullopt, std::wstring(L"@SYS:DoesNotExist")},
        {kRegExpandSz, {'a', 0, 'b', 0}, std::nullopt, std::wstring(L"ab")},  // no NUL
        {kRegSz, {'a', 0, 0, 0, 'b', 0}, std::nullopt, std::wstring(L"a")},   // up to the NUL
        {kRegSz, {'a', 0, 'b'}, std::nullopt, std::nullopt},                  // odd size
    };
    for (const auto& c : cases)
    {
        const ValueEffect effect{ValueEffect::Kind::Sets, false, c.type, c.data};
        EXPECT_EQ(c.number, effect.Dword()) << c.type;
        EXPECT_EQ(c.text, effect.String()) << c.type;
    }
    ValueEffect deleted;
    deleted.kind = ValueEffect::Kind::Deletes;
    EXPECT_FALSE(deleted.Dword().has_value());
    EXPECT_FALSE(deleted.String().has_value());
}
