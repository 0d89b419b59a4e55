#include "StringsFile.h"

namespace {

const char kLineFeed = '\n';
const char kCarriageReturn = '\r';
const char kEndOfFile = '\x1A';

std::string_view TrimView(std::string_view text, std::string_view set)
{
    const std::size_t last = text.find_last_not_of(set);
    if (last == std::string_view::npos)
        return std::string_view();
    text = text.substr(0, last + 1);
    return text.substr(text.find_first_not_of(set));
}

} // namespace

void Trim(std::string& text, std::string_view set)
{
    const std::size_t last = text.find_last_not_of(set);
    if (last == std::string::npos)
    {
        text.clear();
        return;
    }
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(set));
}

StringsFileParser::StringsFileParser(std::map<std::string, std::string>& pairs)
    : m_pairs(pairs)
{
}

bool StringsFileParser::Feed(std::string_view bytes)
{
    if (m_ended)
        return false;
    const std::size_t end = bytes.find(kEndOfFile);
    if (end != std::string_view::npos)
    {
        bytes = bytes.substr(0, end);
        m_ended = true;
    }
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t feed = bytes.find(kLineFeed, start);
        if (feed == std::string_view::npos)
            break;
        const std::string_view piece = bytes.substr(start, feed - start);
        if (m_pending.empty())
        {
            Line(piece, true);
        }
        else
        {
            m_pending.append(piece);
            Line(m_pending, true);
            m_pending.clear();
        }
        start = feed + 1;
    }
    m_pending.append(bytes.substr(start));
    return !m_ended;
}

void StringsFileParser::Finish()
{
    if (!m_pending.empty())
    {
        std::string last;
        last.swap(m_pending);
        Line(last, false);
    }
    m_ended = true;
}

void StringsFileParser::Line(std::string_view line, bool endedByLineFeed)
{
    // Text mode turns CR LF into LF; a CR anywhere else, even at the end of the file, stays.
    if (endedByLineFeed && !line.empty() && line.back() == kCarriageReturn)
        line.remove_suffix(1);

    line = TrimView(line, kStringsTrimSet);
    if (line.empty() || line.front() == '#')
        return;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;

    const std::string_view key = TrimView(line.substr(0, equals), kStringsTrimSet);
    const std::string_view value = TrimView(line.substr(equals + 1), kStringsTrimSet);
    m_pairs[std::string(key)] = std::string(value);
    ++m_count;
}

std::size_t ParseStringsFile(std::string_view bytes, std::map<std::string, std::string>& pairs)
{
    StringsFileParser parser(pairs);
    parser.Feed(bytes);
    parser.Finish();
    return parser.Count();
}

std::size_t ReadStringsFile(const std::function<long long(char*, std::size_t)>& read,
                            std::map<std::string, std::string>& pairs)
{
    static const std::size_t kChunk = 64 * 1024;
    StringsFileParser parser(pairs);
    std::string buffer(kChunk, '\0');
    for (;;)
    {
        const long long got = read(&buffer[0], kChunk);
        if (got < 0)
            return parser.Count();
        if (got == 0)
            break;
        if (!parser.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got))))
            break;
    }
    parser.Finish();
    return parser.Count();
}
