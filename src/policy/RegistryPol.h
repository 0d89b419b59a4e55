#pragma once
// Registry.pol ("PReg"), the file in which Group Policy keeps its registry settings: a reader,
// an evaluation of what a file does to given values, and a writer. Pure code, no windows.h.
//
// The file: the bytes "PReg", version 1 (uint32 little-endian), then records
//   [key;value;type;size;data]
// with key and value name as NUL-terminated UTF-16LE, type and size as uint32 little-endian,
// and '[', ';', ']' as UTF-16LE characters. The key has no hive: the folder the file lies in
// (Machine or User) decides it. Records apply in file order.
//
// Strings are std::wstring: UTF-16 on Windows; on other hosts one wchar_t per code point.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace regpol {

// Registry value types, as in winnt.h (no windows.h here).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// One [key;value;type;size;data] record as it stands in the file; the size is data.size().
struct PolRecord
{
    std::wstring key;
    std::wstring valueName; // may carry one of the "**" instructions, see EvaluatePol
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;

    bool operator==(const PolRecord& other) const;
    bool operator!=(const PolRecord& other) const { return !(*this == other); }
};

// The records of a whole file, or nothing when the file cannot be read: wrong signature or
// version, a missing '[' ';' ']', a string without its NUL, a size that runs past the end,
// anything after the last record. Never a part of a file: a caller that gets nothing must
// say "could not tell", not "no settings". A file of the header alone has no records.
std::optional<std::vector<PolRecord>> ReadRegistryPol(const std::uint8_t* bytes, std::size_t size);
std::optional<std::vector<PolRecord>> ReadRegistryPol(const std::vector<std::uint8_t>& bytes);

// A value asked about: key path without hive, value name ("" is the key's default value).
// Keys and names are compared case-insensitively for A to Z, as the registry does for them.
struct ValueRef
{
    std::wstring key;
    std::wstring name;
};

// What a file (or a set of preference items) does to one value.
struct ValueEffect
{
    enum class Kind
    {
        Untouched,
        Sets,
        Deletes,
    };
    Kind kind = Kind::Untouched;
    // Sets only where the value is not there yet (**soft. in a Registry.pol, action "C" of a
    // preference item): what the value ends up as depends on the registry.
    bool soft = false;
    std::uint32_t type = kRegNone;   // for Sets
    std::vector<std::uint8_t> data;  // for Sets: the raw bytes, as RegSetValueEx would get them

    // The number of a REG_DWORD (or REG_DWORD_BIG_ENDIAN) of exactly four bytes.
    std::optional<std::uint32_t> Dword() const;
    // The text of a REG_SZ or REG_EXPAND_SZ: UTF-16LE up to its first NUL (or the end).
    std::optional<std::wstring> String() const;

    bool operator==(const ValueEffect& other) const;
    bool operator!=(const ValueEffect& other) const { return !(*this == other); }
};

// For each asked value (same order) what the records do to it, applied in order:
//   NAME              sets NAME
//   **del.NAME        deletes NAME
//   **delvals.        deletes every value of the key (its subkeys keep theirs)
//   **DeleteValues    REG_SZ data: ';'-separated names of the key to delete
//   **DeleteKeys      REG_SZ data: ';'-separated key paths (from the hive's root, like the
//                     record's key); every value in them and below them goes
//   **soft.NAME       sets NAME where it is not set: Sets marked soft, unless an earlier
//                     record of the same file deleted it (then it is surely set)
//   **SecureKey       the key's security; no effect on values
// The "**" words are matched case-insensitively. A record with an empty value name, type
// REG_NONE and no data only makes sure the key exists (the way policy editors write a key of
// its own); it does not set the default value.
std::vector<ValueEffect> EvaluatePol(const std::vector<PolRecord>& records, const std::vector<ValueRef>& asked);

// Records for the writer, in the form Windows' policy editors and LGPO write them.
PolRecord SetDwordRecord(const std::wstring& key, const std::wstring& name, std::uint32_t value);
// REG_SZ with its terminating NUL inside the data.
PolRecord SetStringRecord(const std::wstring& key, const std::wstring& name, const std::wstring& text);
// "**del.NAME", REG_SZ, data a single space and its NUL.
PolRecord DeleteValueRecord(const std::wstring& key, const std::wstring& name);

// The bytes of a Registry.pol with the header and the records in the given order. Throws
// std::invalid_argument for a record that no reader could take back: a key or value name
// holding a NUL, or data of 4 GiB or more.
std::vector<std::uint8_t> WriteRegistryPol(const std::vector<PolRecord>& records);

// A to Z compared without case, every other character exactly.
bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b);
// UTF-16LE bytes of a text, with or without its terminating NUL.
std::vector<std::uint8_t> Utf16LeBytes(const std::wstring& text, bool withNul);

} // namespace regpol
