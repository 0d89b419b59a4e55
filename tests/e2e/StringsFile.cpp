#include "StringsFile.h"

#include <cstdio>

namespace e2e {

namespace {
const char* const kTrimSet = " \t\";";

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(kTrimSet);
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(kTrimSet);
    return text.substr(first, last - first + 1);
}
} // namespace

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
    // Text mode: CR LF is one line end, 0x1A ends the file.
    const size_t eof = content.find('\x1A');
    if (eof != std::string::npos)
        content.resize(eof);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        strings[Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
    }
    return strings;
}

std::string Translated(const std::map<std::string, std::string>& strings, const std::string& key)
{
    const auto found = strings.find(key);
    return found == strings.end() ? key : found->second;
}

} // namespace e2e
