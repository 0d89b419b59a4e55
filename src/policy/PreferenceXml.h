#pragma once
// Registry.xml of Group Policy preferences (registry items): a reader, an evaluation of what the
// items do to given values, and a writer. Pure code, no windows.h.
//
// The file: a RegistrySettings element holding Registry elements (also inside Collection
// elements), each with a Properties element:
//   <Registry clsid=".." name=".." ... disabled="1"?>
//     <Properties action="C|R|U|D" hive="HKEY_LOCAL_MACHINE" key=".." name=".." default="0|1"
//                 type="REG_DWORD" value="000000FF"/>
//   </Registry>
// A Properties element without a name and without default="1" stands for the key itself.

#include "RegistryPol.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace regpol {

enum class Hive
{
    LocalMachine,
    CurrentUser,
    Users,
    ClassesRoot,
    CurrentConfig,
};

// "HKEY_LOCAL_MACHINE" and so on, as the items spell them.
const char* HiveName(Hive hive);

// One registry item that applies: disabled items, and items in a disabled collection, are
// not among them.
struct PreferenceItem
{
    char action = 'U';   // 'C' create, 'R' replace, 'U' update, 'D' delete
    Hive hive = Hive::LocalMachine;
    std::wstring key;    // without hive
    std::wstring name;   // "" for the default value and for the key itself
    bool isDefault = false;
    std::uint32_t type = kRegNone;   // for C, R, U of a value
    std::vector<std::uint8_t> data;  // for C, R, U of a value: raw bytes as in a Registry.pol
                                     // (REG_SZ with its NUL, REG_DWORD four bytes little-endian);
                                     // empty for REG_MULTI_SZ, whose strings are not read

    // The item is about the key, not about one of its values.
    bool IsKeyItem() const { return !isDefault && name.empty(); }
};

// The items of a Registry.xml in document order, or nothing when the file cannot be read:
// not well-formed XML, no RegistrySettings root, a Registry element without Properties, an
// action, hive or type not known, a value that does not fit its type. A document type
// declaration is refused (no entities beyond the five predefined ones).
// Encodings: UTF-8 with or without BOM, UTF-16LE or UTF-16BE with BOM.
std::optional<std::vector<PreferenceItem>> ReadPreferenceXml(const std::uint8_t* bytes, std::size_t size);
std::optional<std::vector<PreferenceItem>> ReadPreferenceXml(const std::vector<std::uint8_t>& bytes);

// A value asked about; key and name compared case-insensitively for A to Z, "" the default.
struct PreferenceRef
{
    Hive hive = Hive::LocalMachine;
    std::wstring key;
    std::wstring name;
};

// For each asked value (same order) what the items do to it, in document order: U and R set
// it, C sets it where it is not there yet (Sets marked soft), D deletes it. An item for the key
// itself with R (the key is made anew) or D deletes every value in and below the key; with C
// or U it changes no value.
std::vector<ValueEffect> EvaluatePreferences(const std::vector<PreferenceItem>& items,
                                             const std::vector<PreferenceRef>& asked);

// A value the writer writes as one item: an update of the value, or with action 'D' its
// deletion (the type then only chooses the console's picture; number and text are not written).
struct PreferenceValue
{
    Hive hive = Hive::LocalMachine;
    std::wstring key;
    std::wstring name;                // "" for the default value
    std::uint32_t type = kRegDword;   // kRegDword or kRegSz
    std::uint32_t number = 0;         // for kRegDword
    std::wstring text;                // for kRegSz
    char action = 'U';                // 'U' update or 'D' delete
};

// The uid of the item for values[index], as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
using UidSource = std::function<std::string(const PreferenceValue& value, std::size_t index)>;

// A uid that depends only on the hive, key and name (case-folded): the same value gets the same
// uid in every export, so that exports of the same policy compare equal.
std::string StableUid(const PreferenceValue& value, std::size_t index);

// The UTF-8 text of a Registry.xml with one item per value (update or delete), in the given
// order, in the form the Group Policy Management Console writes and accepts by paste. changedUtc (seconds
// since 1970, UTC) is the items' "changed" time; with the uids from uid the output depends on
// nothing else. Throws std::invalid_argument for a type other than REG_DWORD or REG_SZ, an
// action other than 'U' or 'D', and for text that XML cannot carry (control characters other
// than tab, line feed and carriage return, a NUL, a lone surrogate).
std::string WritePreferenceXml(const std::vector<PreferenceValue>& values, std::int64_t changedUtc,
                               const UidSource& uid = StableUid);

} // namespace regpol
