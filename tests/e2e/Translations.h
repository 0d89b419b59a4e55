#pragma once
// The translation files that ship beside the program, read with the program's own parser, so
// that the tests take their expected texts from those files instead of retyping them.

#include <map>
#include <string>

namespace e2e {

// key -> value, both UTF-8. A missing file gives an empty map.
std::map<std::string, std::string> ReadStringsFile(const std::wstring& path);

// The text a key shows in that language: its translation, or the key itself.
std::string Translated(const std::map<std::string, std::string>& strings, const std::string& key);

} // namespace e2e
