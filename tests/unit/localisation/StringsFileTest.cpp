#include "StringsFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

using Pairs = std::map<std::string, std::string>;
using namespace std::string_literals;

struct FileCase
{
    const char* name;
    std::string bytes;
    Pairs pairs;
    std::size_t count;
};

const std::vector<FileCase>& FileCases()
{
    static const std::vector<FileCase> cases = {
        {"bare form", "key=value\n", {{"key", "value"}}, 1},
        {"quoted form with semicolon", "\"&Save\" = \"&Speichern\";\n", {{"&Save", "&Speichern"}}, 1},
        {"blanks and tabs around", " \tSelect all\t =  Alle auswählen \t\n", {{"Select all", "Alle auswählen"}}, 1},
        {"semicolon inside the quotes is lost", "\"A\" = \"B;\";\n", {{"A", "B"}}, 1},
        {"inner quotes and semicolons stay", "\"A\" = \"say \"hi\"; now\";", {{"A", "say \"hi\"; now"}}, 1},
        {"comment", "# a=b\n", {}, 0},
        {"comment after leading blanks", "  \t# a=b\n", {}, 0},
        {"comment after a quote", "\"# a\" = \"b\";\n", {}, 0},
        {"hash inside is text", "a#b = c # d\n", {{"a#b", "c # d"}}, 1},
        {"two equals signs", "a = b = c\n", {{"a", "b = c"}}, 1},
        {"no equals sign", "just text\n", {}, 0},
        {"only trim characters", " \t\";; \"\n", {}, 0},
        {"empty key", " = value\n", {{"", "value"}}, 1},
        {"empty value", "\"Error\" = \"\";\n", {{"Error", ""}}, 1},
        {"bare equals sign", "=\n", {{"", ""}}, 1},
        {"duplicate key, last wins", "k=1\nk=2\n", {{"k", "2"}}, 2},
        {"LF", "a=1\nb=2\n", {{"a", "1"}, {"b", "2"}}, 2},
        {"CR LF", "a=1\r\nb=2\r\n", {{"a", "1"}, {"b", "2"}}, 2},
        {"lone CR stays in the line", "a=1\rb=2\n", {{"a", "1\rb=2"}}, 1},
        {"CR CR LF keeps one CR", "a=1\r\r\n", {{"a", "1\r"}}, 1},
        {"lone CR at end of file", "a=1\r", {{"a", "1\r"}}, 1},
        {"0x1A ends the file", "a=1\n\x1A" "b=2\n", {{"a", "1"}}, 1},
        {"0x1A inside a line", "a=1\x1A" "2\nb=3\n", {{"a", "1"}}, 1},
        {"CR before 0x1A is lone", "a=1\r\x1A\n", {{"a", "1\r"}}, 1},
        {"byte-order mark joins the first key", "\xEF\xBB\xBF" "a=1\n", {{"\xEF\xBB\xBF" "a", "1"}}, 1},
        {"byte-order mark before a comment", "\xEF\xBB\xBF# note\nb=2\n", {{"b", "2"}}, 1},
        {"byte-order mark before a comment with =", "\xEF\xBB\xBF# x=y\n", {{"\xEF\xBB\xBF# x", "y"}}, 1},
        {"no final line end", "a=1\nb=2", {{"a", "1"}, {"b", "2"}}, 2},
        {"empty file", "", {}, 0},
        {"blank lines", "\n\r\n \n", {}, 0},
        {"NUL bytes are text", "a\0b=c\0\n"s, {{"a\0b"s, "c\0"s}}, 1},
    };
    return cases;
}

TEST(StringsFile, FileRules)
{
    for (const FileCase& c : FileCases())
    {
        Pairs pairs;
        EXPECT_EQ(c.count, ParseStringsFile(c.bytes, pairs)) << c.name;
        EXPECT_EQ(c.pairs, pairs) << c.name;
    }
}

// A file is read in chunks; a line, or a CR LF pair, cut between two chunks must give the
// same pairs. One byte at a time cuts everywhere.
TEST(StringsFile, ChunksGiveTheSamePairs)
{
    for (const FileCase& c : FileCases())
    {
        Pairs pairs;
        StringsFileParser parser(pairs);
        for (char byte : c.bytes)
        {
            if (!parser.Feed(std::string_view(&byte, 1)))
                break;
        }
        parser.Finish();
        EXPECT_EQ(c.count, parser.Count()) << c.name;
        EXPECT_EQ(c.pairs, pairs) << c.name;
    }
}

TEST(StringsFile, NothingIsReadAfterTheEndOfFileByte)
{
    Pairs pairs;
    StringsFileParser parser(pairs);
    EXPECT_TRUE(parser.Feed("a=1\n"));
    EXPECT_FALSE(parser.Feed("b=2\x1A"));
    EXPECT_FALSE(parser.Feed("\nc=3\n"));
    parser.Finish();
    EXPECT_EQ((Pairs{{"a", "1"}, {"b", "2"}}), pairs);
}

// The file as a reader hands it over: these pieces, then the end (0) or a read error (-1).
std::size_t ReadPieces(const std::vector<std::string>& pieces, long long last, Pairs& pairs)
{
    std::size_t next = 0;
    return ReadStringsFile(
        [&](char* buffer, std::size_t capacity) -> long long {
            if (next == pieces.size())
                return last;
            const std::string& piece = pieces[next++];
            EXPECT_LE(piece.size(), capacity);
            piece.copy(buffer, capacity);
            return static_cast<long long>(piece.size());
        },
        pairs);
}

TEST(StringsFile, ReadErrorKeepsOnlyTheCompleteLines)
{
    const struct
    {
        const char* name;
        std::vector<std::string> pieces;
        long long last;
        Pairs pairs;
    } cases[] = {
        {"end of file: the last line counts", {"a=1\nb=2\nc=3"}, 0, {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
        {"error after a cut-off line", {"a=1\nb=2\nc=3"}, -1, {{"a", "1"}, {"b", "2"}}},
        {"error after a line cut in two pieces", {"a=1\nb=", "2"}, -1, {{"a", "1"}}},
        {"error after a complete line", {"a=1\r\n", "b=2\n"}, -1, {{"a", "1"}, {"b", "2"}}},
        {"error at once", {}, -1, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Pairs pairs;
        EXPECT_EQ(c.pairs.size(), ReadPieces(c.pieces, c.last, pairs));
        EXPECT_EQ(c.pairs, pairs);
    }
}

TEST(StringsFile, Trim)
{
    struct Case
    {
        std::string text;
        std::string_view set;
        std::string expected;
    } cases[] = {
        {"", kStringsTrimSet, ""},
        {" \t\";;\"", kStringsTrimSet, ""},
        {"\"two words\";", kStringsTrimSet, "two words"},
        {"a \"b\" c", kStringsTrimSet, "a \"b\" c"},
        {"\r\n x \r\n", kStringsTrimSet, "\r\n x \r\n"},
        {"xxaxbxx", "x", "axb"},
        {"abc", "", "abc"},
    };
    for (Case& c : cases)
    {
        std::string text = c.text;
        Trim(text, c.set);
        EXPECT_EQ(c.expected, text) << '"' << c.text << '"';
    }
}

TEST(StringsFile, LineOfOneMegabyte)
{
    const std::string value(1 << 20, 'v');
    Pairs pairs;
    EXPECT_EQ(2u, ParseStringsFile("key = " + value + "\nnext=1", pairs));
    ASSERT_EQ(2u, pairs.size());
    EXPECT_EQ(value, pairs["key"]);
    EXPECT_EQ("1", pairs["next"]);
}

TEST(StringsFile, TenMegabytes)
{
    std::string bytes;
    std::size_t lines = 0;
    while (bytes.size() < 10u * 1024 * 1024)
    {
        bytes += "\"key " + std::to_string(lines % 50000) + "\" = \"value " + std::to_string(lines) + "\";\r\n";
        ++lines;
    }
    Pairs pairs;
    EXPECT_EQ(lines, ParseStringsFile(bytes, pairs));
    EXPECT_EQ(50000u, pairs.size());
    EXPECT_EQ("value " + std::to_string(lines - 1), pairs["key " + std::to_string((lines - 1) % 50000)]);
}

TEST(StringsFile, BinaryGarbage)
{
    std::string bytes(1 << 20, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes)
    {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    // The garbage holds 0x1A early on: whatever comes after it is never parsed, in one piece
    // or in chunks.
    Pairs whole;
    const std::size_t count = ParseStringsFile(bytes, whole);

    Pairs chunked;
    StringsFileParser parser(chunked);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 4093)
    {
        if (!parser.Feed(std::string_view(bytes).substr(offset, 4093)))
            break;
    }
    parser.Finish();
    EXPECT_EQ(count, parser.Count());
    EXPECT_EQ(whole, chunked);
    for (const auto& pair : whole)
        EXPECT_EQ(std::string::npos, pair.first.find('\n'));

    // Without 0x1A the whole megabyte is read.
    for (char& byte : bytes)
        if (byte == '\x1A')
            byte = '=';
    Pairs all;
    ParseStringsFile(bytes, all);
    EXPECT_GT(all.size(), whole.size());
}

} // namespace
