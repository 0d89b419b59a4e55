#include "Translations.h"

#include <cstdio>

#include "StringsFile.h"

namespace e2e {

std::map<std::string, std::string> ReadStringsFile(const std::wstring& path)
{
    std::map<std::string, std::string> strings;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return strings;
    std::string content;
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
        content.append(buffer, read);
    fclose(file);
    ParseStringsFile(content, strings);
    return strings;
}

std::string Translated(const std::map<std::string, std::string>& strings, const std::string& key)
{
    const auto found = strings.find(key);
    return found == strings.end() ? key : found->second;
}

} // namespace e2e
