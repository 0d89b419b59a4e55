#pragma once
// The translation-file format (lang\<code>.strings), as pure code over the file's bytes.
// No windows.h and no CRT text mode here: the line rules are applied by hand, so that they
// give the same pairs with every compiler and can be fuzzed natively.
//
// A file is read as the CRT's text mode would deliver it: a CR LF pair is one line end, a
// lone CR stays in the text, a byte 0x1A ends the file. Each line is then trimmed (blanks,
// tabs, double quotes and semicolons at both ends); empty lines and lines starting with '#'
// are skipped; the rest is split at its first '=' into key and value, each trimmed again.
// The last line with a key wins; empty keys and values are stored. A byte-order mark is
// ordinary text.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

// The characters that Trim removes from both ends of lines, keys and values.
inline constexpr std::string_view kStringsTrimSet = " \t\";";

// Removes, from the end and then from the start of text, every character that is in set.
void Trim(std::string& text, std::string_view set);

// Reads a translation file piece by piece, so that a file of any size is parsed without
// holding it whole. Pairs go straight into the map given at construction.
class StringsFileParser
{
public:
    explicit StringsFileParser(std::map<std::string, std::string>& pairs);

    // Takes the next bytes of the file. Returns false once the end-of-file byte (0x1A)
    // has been seen: nothing after it is read, so the caller can stop.
    bool Feed(std::string_view bytes);
    // The end of the file: a last line without a line end is a line too.
    void Finish();
    // Stored pairs so far, a replaced duplicate and an empty key included.
    std::size_t Count() const { return m_count; }

private:
    void Line(std::string_view line, bool endedByLineFeed);

    std::map<std::string, std::string>& m_pairs;
    std::string m_pending;
    std::size_t m_count = 0;
    bool m_ended = false;
};

// Reads a whole file through read(buffer, capacity), which returns the bytes it read, 0 at
// the end of the file, or a negative number for a read error. A read error keeps only the
// lines completed before it: a line cut off by the error is not a line. Returns the number
// of stored pairs.
std::size_t ReadStringsFile(const std::function<long long(char*, std::size_t)>& read,
                            std::map<std::string, std::string>& pairs);

// The whole file at once; returns the number of stored pairs.
std::size_t ParseStringsFile(std::string_view bytes, std::map<std::string, std::string>& pairs);
