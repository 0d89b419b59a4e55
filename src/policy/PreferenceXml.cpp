#include "PreferenceXml.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace regpol {

namespace {

// ---------------------------------------------------------------------------------------------
// Text: the document is decoded to code points first, so that the parser below sees one
// encoding only.

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool DecodeUtf8(const std::uint8_t* bytes, std::size_t size, std::u32string& out)
{
    std::size_t i = 0;
    while (i < size)
    {
        const std::uint8_t lead = bytes[i];
        char32_t c = 0;
        std::size_t length = 0;
        char32_t minimum = 0;
        if (lead < 0x80)
        {
            c = lead;
            length = 1;
        }
        else if ((lead & 0xE0) == 0xC0)
        {
            c = lead & 0x1F;
            length = 2;
            minimum = 0x80;
        }
        else if ((lead & 0xF0) == 0xE0)
        {
            c = lead & 0x0F;
            length = 3;
            minimum = 0x800;
        }
        else if ((lead & 0xF8) == 0xF0)
        {
            c = lead & 0x07;
            length = 4;
            minimum = 0x10000;
        }
        else
        {
            return false;
        }
        if (size - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k)
        {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (bytes[i + k] & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += length;
    }
    return true;
}

bool DecodeUtf16(const std::uint8_t* bytes, std::size_t size, bool bigEndian, std::u32string& out)
{
    if (size % 2 != 0)
        return false;
    auto unitAt = [&](std::size_t i) {
        return bigEndian ? static_cast<char32_t>((bytes[i] << 8) | bytes[i + 1])
                         : static_cast<char32_t>(bytes[i] | (bytes[i + 1] << 8));
    };
    for (std::size_t i = 0; i < size; i += 2)
    {
        char32_t c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF)
        {
            if (i + 2 >= size)
                return false;
            const char32_t low = unitAt(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        else if (c >= 0xDC00 && c <= 0xDFFF)
        {
            return false;
        }
        out.push_back(c);
    }
    return true;
}

std::optional<std::u32string> DecodeDocument(const std::uint8_t* bytes, std::size_t size)
{
    std::u32string raw;
    bool ok = false;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        ok = DecodeUtf8(bytes + 3, size - 3, raw);
    else if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        ok = DecodeUtf16(bytes + 2, size - 2, false, raw);
    else if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
        ok = DecodeUtf16(bytes + 2, size - 2, true, raw);
    else
        ok = DecodeUtf8(bytes, size, raw);
    if (!ok)
        return std::nullopt;

    // Line ends become LF, as an XML processor must see them.
    std::u32string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
    {
        const char32_t c = raw[i];
        if (!IsXmlChar(c))
            return std::nullopt;
        if (c == U'\r')
        {
            text.push_back(U'\n');
            if (i + 1 < raw.size() && raw[i + 1] == U'\n')
                ++i;
        }
        else
        {
            text.push_back(c);
        }
    }
    return text;
}

std::wstring ToWide(const std::u32string& text)
{
    std::wstring out;
    for (const char32_t c : text)
    {
        if (sizeof(wchar_t) == 2 && c > 0xFFFF)
        {
            out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
        else
        {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// A small well-formedness checking XML reader: elements, attributes, character and the five
// predefined entity references, comments, processing instructions, CDATA. Text content is
// checked and dropped: registry items keep everything in attributes.

struct Element
{
    std::u32string name;
    std::vector<std::pair<std::u32string, std::u32string>> attributes;
    std::vector<Element> children;

    const std::u32string* Attribute(const std::u32string& attributeName) const
    {
        for (const auto& attribute : attributes)
            if (attribute.first == attributeName)
                return &attribute.second;
        return nullptr;
    }
};

// Deeper nesting than any registry item file has; it bounds the parser's memory and the
// recursion of the tree's destructor.
constexpr std::size_t kMaxDepth = 64;

class XmlParser
{
public:
    explicit XmlParser(const std::u32string& text) : m_text(text) {}

    std::optional<Element> Document()
    {
        if (Starts(U"<?xml") && m_pos + 5 < m_text.size() && IsSpace(m_text[m_pos + 5]))
        {
            if (!SkipPast(U"?>"))
                return std::nullopt;
        }
        if (!Misc())
            return std::nullopt;
        if (Starts(U"<!DOCTYPE"))
            return std::nullopt;
        std::optional<Element> root = RootElement();
        if (!root || !Misc() || m_pos != m_text.size())
            return std::nullopt;
        return root;
    }

private:
    static bool IsSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r'; }
    static bool IsNameStart(char32_t c)
    {
        return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c == U'_' || c == U':' || c >= 0xC0;
    }
    static bool IsNameChar(char32_t c)
    {
        return IsNameStart(c) || (c >= U'0' && c <= U'9') || c == U'-' || c == U'.' || c == 0xB7;
    }

    bool Starts(const char32_t* literal) const
    {
        std::size_t i = 0;
        for (; literal[i] != 0; ++i)
            if (m_pos + i >= m_text.size() || m_text[m_pos + i] != literal[i])
                return false;
        return true;
    }

    bool SkipPast(const char32_t* terminator)
    {
        const std::size_t found = m_text.find(terminator, m_pos);
        if (found == std::u32string::npos)
            return false;
        m_pos = found + std::char_traits<char32_t>::length(terminator);
        return true;
    }

    void SkipSpace()
    {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos]))
            ++m_pos;
    }

    bool Comment()
    {
        m_pos += 4; // "<!--"
        const std::size_t end = m_text.find(U"--", m_pos);
        if (end == std::u32string::npos || end + 2 >= m_text.size() || m_text[end + 2] != U'>')
            return false; // unterminated, or "--" inside
        m_pos = end + 3;
        return true;
    }

    bool ProcessingInstruction()
    {
        m_pos += 2;
        std::u32string target;
        if (!Name(target))
            return false;
        if (target.size() == 3 && (target[0] | 0x20) == U'x' && (target[1] | 0x20) == U'm' &&
            (target[2] | 0x20) == U'l')
            return false; // a declaration anywhere but at the start
        return SkipPast(U"?>");
    }

    // Comments, processing instructions and white space outside the root element.
    bool Misc()
    {
        for (;;)
        {
            SkipSpace();
            if (Starts(U"<!--"))
            {
                if (!Comment())
                    return false;
            }
            else if (Starts(U"<?"))
            {
                if (!ProcessingInstruction())
                    return false;
            }
            else
            {
                return true;
            }
        }
    }

    bool Name(std::u32string& name)
    {
        if (m_pos >= m_text.size() || !IsNameStart(m_text[m_pos]))
            return false;
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && IsNameChar(m_text[m_pos]))
            ++m_pos;
        name.assign(m_text, start, m_pos - start);
        return true;
    }

    // After the '&'.
    bool Reference(std::u32string& out)
    {
        const std::size_t end = m_text.find(U';', m_pos);
        if (end == std::u32string::npos || end - m_pos > 12)
            return false;
        const std::u32string body = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        if (body == U"lt")
            out.push_back(U'<');
        else if (body == U"gt")
            out.push_back(U'>');
        else if (body == U"amp")
            out.push_back(U'&');
        else if (body == U"quot")
            out.push_back(U'"');
        else if (body == U"apos")
            out.push_back(U'\'');
        else if (body.size() >= 2 && body[0] == U'#')
        {
            const bool hex = body[1] == U'x';
            const std::size_t first = hex ? 2 : 1;
            if (first >= body.size())
                return false;
            std::uint32_t value = 0;
            for (std::size_t i = first; i < body.size(); ++i)
            {
                const char32_t d = body[i];
                std::uint32_t digit = 0;
                if (d >= U'0' && d <= U'9')
                    digit = d - U'0';
                else if (hex && d >= U'a' && d <= U'f')
                    digit = d - U'a' + 10;
                else if (hex && d >= U'A' && d <= U'F')
                    digit = d - U'A' + 10;
                else
                    return false;
                value = value * (hex ? 16 : 10) + digit;
                if (value > 0x10FFFF)
                    return false;
            }
            if (!IsXmlChar(value))
                return false;
            out.push_back(static_cast<char32_t>(value));
        }
        else
        {
            return false; // no document type, so no other entity exists
        }
        return true;
    }

    bool AttributeValue(std::u32string& value)
    {
        if (m_pos >= m_text.size() || (m_text[m_pos] != U'"' && m_text[m_pos] != U'\''))
            return false;
        const char32_t quote = m_text[m_pos++];
        for (;;)
        {
            if (m_pos >= m_text.size())
                return false;
            const char32_t c = m_text[m_pos++];
            if (c == quote)
                return true;
            if (c == U'<')
                return false;
            if (c == U'&')
            {
                if (!Reference(value))
                    return false;
            }
            else
            {
                value.push_back(IsSpace(c) ? U' ' : c); // attribute-value normalisation
            }
        }
    }

    // After the '<'. selfClosed tells "<a/>" from "<a>".
    bool StartTag(Element& element, bool& selfClosed)
    {
        if (!Name(element.name))
            return false;
        for (;;)
        {
            const std::size_t before = m_pos;
            SkipSpace();
            if (Starts(U"/>"))
            {
                m_pos += 2;
                selfClosed = true;
                return true;
            }
            if (Starts(U">"))
            {
                ++m_pos;
                selfClosed = false;
                return true;
            }
            if (m_pos == before)
                return false; // attributes are separated by white space
            std::u32string name;
            std::u32string value;
            if (!Name(name))
                return false;
            SkipSpace();
            if (!Starts(U"="))
                return false;
            ++m_pos;
            SkipSpace();
            if (!AttributeValue(value) || element.Attribute(name) != nullptr)
                return false;
            element.attributes.emplace_back(std::move(name), std::move(value));
        }
    }

    std::optional<Element> RootElement()
    {
        if (!Starts(U"<"))
            return std::nullopt;
        ++m_pos;
        std::vector<Element> open;
        Element first;
        bool selfClosed = false;
        if (!StartTag(first, selfClosed))
            return std::nullopt;
        if (selfClosed)
            return first;
        open.push_back(std::move(first));

        std::u32string ignored;
        while (!open.empty())
        {
            if (m_pos >= m_text.size())
                return std::nullopt;
            const char32_t c = m_text[m_pos];
            if (c == U'&')
            {
                ++m_pos;
                ignored.clear();
                if (!Reference(ignored))
                    return std::nullopt;
            }
            else if (c != U'<')
            {
                ++m_pos; // character data
            }
            else if (Starts(U"<!--"))
            {
                if (!Comment())
                    return std::nullopt;
            }
            else if (Starts(U"<![CDATA["))
            {
                if (!SkipPast(U"]]>"))
                    return std::nullopt;
            }
            else if (Starts(U"<?"))
            {
                if (!ProcessingInstruction())
                    return std::nullopt;
            }
            else if (Starts(U"</"))
            {
                m_pos += 2;
                std::u32string name;
                if (!Name(name) || name != open.back().name)
                    return std::nullopt;
                SkipSpace();
                if (!Starts(U">"))
                    return std::nullopt;
                ++m_pos;
                Element done = std::move(open.back());
                open.pop_back();
                if (open.empty())
                    return done;
                open.back().children.push_back(std::move(done));
            }
            else
            {
                ++m_pos;
                Element child;
                if (!StartTag(child, selfClosed))
                    return std::nullopt;
                if (selfClosed)
                    open.back().children.push_back(std::move(child));
                else if (open.size() >= kMaxDepth)
                    return std::nullopt;
                else
                    open.push_back(std::move(child));
            }
        }
        return std::nullopt;
    }

    const std::u32string& m_text;
    std::size_t m_pos = 0;
};

// ---------------------------------------------------------------------------------------------
// Registry items

bool HexNumber(const std::u32string& text, std::size_t maxDigits, std::uint64_t& value)
{
    if (text.empty() || text.size() > maxDigits)
        return false;
    value = 0;
    for (const char32_t c : text)
    {
        std::uint64_t digit = 0;
        if (c >= U'0' && c <= U'9')
            digit = c - U'0';
        else if (c >= U'a' && c <= U'f')
            digit = c - U'a' + 10;
        else if (c >= U'A' && c <= U'F')
            digit = c - U'A' + 10;
        else
            return false;
        value = (value << 4) | digit;
    }
    return true;
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int count)
{
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

const struct
{
    const char32_t* name;
    Hive hive;
} kHives[] = {
    {U"HKEY_LOCAL_MACHINE", Hive::LocalMachine}, {U"HKEY_CURRENT_USER", Hive::CurrentUser},
    {U"HKEY_USERS", Hive::Users},                {U"HKEY_CLASSES_ROOT", Hive::ClassesRoot},
    {U"HKEY_CURRENT_CONFIG", Hive::CurrentConfig},
};

const struct
{
    const char32_t* name;
    std::uint32_t type;
} kTypes[] = {
    {U"REG_SZ", kRegSz},         {U"REG_EXPAND_SZ", kRegExpandSz}, {U"REG_DWORD", kRegDword},
    {U"REG_QWORD", kRegQword},   {U"REG_BINARY", kRegBinary},      {U"REG_MULTI_SZ", kRegMultiSz},
};

bool ValueData(std::uint32_t type, const std::u32string& value, std::vector<std::uint8_t>& data)
{
    std::uint64_t number = 0;
    switch (type)
    {
    case kRegSz:
    case kRegExpandSz:
        data = Utf16LeBytes(ToWide(value), true);
        return true;
    case kRegDword:
        if (!HexNumber(value, 8, number))
            return false;
        AppendLittleEndian(data, number, 4);
        return true;
    case kRegQword:
        if (!HexNumber(value, 16, number))
            return false;
        AppendLittleEndian(data, number, 8);
        return true;
    case kRegBinary:
        if (value.size() % 2 != 0)
            return false;
        for (std::size_t i = 0; i < value.size(); i += 2)
        {
            if (!HexNumber(value.substr(i, 2), 2, number))
                return false;
            data.push_back(static_cast<std::uint8_t>(number));
        }
        return true;
    default:
        return true; // REG_MULTI_SZ: the strings are not read
    }
}

bool ItemFrom(const Element& properties, PreferenceItem& item)
{
    const std::u32string empty;
    auto attribute = [&](const char32_t* name) -> const std::u32string& {
        const std::u32string* value = properties.Attribute(name);
        return value ? *value : empty;
    };

    const std::u32string& action = attribute(U"action");
    if (action.empty())
        item.action = 'U'; // what the console takes when the attribute is left out
    else if (action == U"C" || action == U"R" || action == U"U" || action == U"D")
        item.action = static_cast<char>(action[0]);
    else
        return false;

    const std::u32string& hive = attribute(U"hive");
    bool knownHive = false;
    for (const auto& known : kHives)
        if (hive == known.name)
        {
            item.hive = known.hive;
            knownHive = true;
        }
    if (!knownHive)
        return false;

    item.key = ToWide(attribute(U"key"));
    item.isDefault = attribute(U"default") == U"1";
    item.name = item.isDefault ? std::wstring() : ToWide(attribute(U"name"));
    if (item.action == 'D' || item.IsKeyItem())
        return true;

    const std::u32string& type = attribute(U"type");
    bool knownType = false;
    for (const auto& known : kTypes)
        if (type == known.name)
        {
            item.type = known.type;
            knownType = true;
        }
    return knownType && ValueData(item.type, attribute(U"value"), item.data);
}

bool IsDisabled(const Element& element)
{
    const std::u32string* disabled = element.Attribute(U"disabled");
    return disabled != nullptr && *disabled == U"1";
}

bool CollectItems(const Element& parent, std::vector<PreferenceItem>& items)
{
    for (const Element& child : parent.children)
    {
        if (child.name == U"Collection")
        {
            if (!IsDisabled(child) && !CollectItems(child, items))
                return false;
        }
        else if (child.name == U"Registry")
        {
            const Element* properties = nullptr;
            for (const Element& part : child.children)
                if (part.name == U"Properties" && properties == nullptr)
                    properties = &part;
            if (properties == nullptr)
                return false;
            PreferenceItem item;
            if (!ItemFrom(*properties, item))
                return false;
            if (!IsDisabled(child))
                items.push_back(std::move(item));
        }
    }
    return true;
}

bool IsAtOrBelow(const std::wstring& key, const std::wstring& top)
{
    if (key.size() < top.size() || !EqualsIgnoringCase(key.substr(0, top.size()), top))
        return false;
    return key.size() == top.size() || key[top.size()] == L'\\';
}

// ---------------------------------------------------------------------------------------------
// Writer

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
    {
        out.push_back(static_cast<char>(c));
    }
    else if (c < 0x800)
    {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    else if (c < 0x10000)
    {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    else
    {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Code points of a wide text; UTF-16 pairs joined where wchar_t is 16 bits.
std::u32string CodePoints(const std::wstring& text)
{
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char32_t c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            static_cast<char32_t>(text[i + 1]) >= 0xDC00 && static_cast<char32_t>(text[i + 1]) <= 0xDFFF)
        {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

// Attribute text: markup characters as entities; tab, line feed and carriage return as
// character references, so that a reader's normalisation does not turn them into spaces.
std::string EscapeAttribute(const std::wstring& text)
{
    std::string out;
    for (const char32_t c : CodePoints(text))
    {
        if (!IsXmlChar(c))
            throw std::invalid_argument("Registry.xml: a text holds a character XML cannot carry");
        switch (c)
        {
        case U'&': out += "&amp;"; break;
        case U'<': out += "&lt;"; break;
        case U'>': out += "&gt;"; break;
        case U'"': out += "&quot;"; break;
        case U'\'': out += "&apos;"; break;
        case U'\t': out += "&#9;"; break;
        case U'\n': out += "&#10;"; break;
        case U'\r': out += "&#13;"; break;
        default: AppendUtf8(out, c);
        }
    }
    return out;
}

std::string EscapeAttribute(const std::string& ascii)
{
    return EscapeAttribute(std::wstring(ascii.begin(), ascii.end()));
}

// "YYYY-MM-DD HH:MM:SS" in UTC, computed here rather than with gmtime so that no time zone
// or C library changes the output.
std::string UtcText(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0)
    {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return text;
}

} // namespace

const char* HiveName(Hive hive)
{
    switch (hive)
    {
    case Hive::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case Hive::CurrentUser: return "HKEY_CURRENT_USER";
    case Hive::Users: return "HKEY_USERS";
    case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::CurrentConfig: return "HKEY_CURRENT_CONFIG";
    }
    return "";
}

std::optional<std::vector<PreferenceItem>> ReadPreferenceXml(const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr)
        return std::nullopt;
    const std::optional<std::u32string> text = DecodeDocument(bytes, size);
    if (!text)
        return std::nullopt;
    XmlParser parser(*text);
    const std::optional<Element> root = parser.Document();
    if (!root || root->name != U"RegistrySettings")
        return std::nullopt;
    std::vector<PreferenceItem> items;
    if (!CollectItems(*root, items))
        return std::nullopt;
    return items;
}

std::optional<std::vector<PreferenceItem>> ReadPreferenceXml(const std::vector<std::uint8_t>& bytes)
{
    return ReadPreferenceXml(bytes.data(), bytes.size());
}

std::vector<ValueEffect> EvaluatePreferences(const std::vector<PreferenceItem>& items,
                                             const std::vector<PreferenceRef>& asked)
{
    std::vector<ValueEffect> effects(asked.size());
    for (const PreferenceItem& item : items)
    {
        for (std::size_t i = 0; i < asked.size(); ++i)
        {
            const PreferenceRef& value = asked[i];
            ValueEffect& effect = effects[i];
            if (value.hive != item.hive)
                continue;
            if (item.IsKeyItem())
            {
                if ((item.action == 'R' || item.action == 'D') && IsAtOrBelow(value.key, item.key))
                {
                    effect = ValueEffect();
                    effect.kind = ValueEffect::Kind::Deletes;
                }
                continue;
            }
            if (!EqualsIgnoringCase(value.key, item.key) || !EqualsIgnoringCase(value.name, item.name))
                continue;
            if (item.action == 'D')
            {
                effect = ValueEffect();
                effect.kind = ValueEffect::Kind::Deletes;
                continue;
            }
            const bool soft = item.action == 'C';
            if (soft && effect.kind == ValueEffect::Kind::Sets)
                continue; // already there: Create leaves it alone
            effect.soft = soft && effect.kind == ValueEffect::Kind::Untouched;
            effect.kind = ValueEffect::Kind::Sets;
            effect.type = item.type;
            effect.data = item.data;
        }
    }
    return effects;
}

std::string StableUid(const PreferenceValue& value, std::size_t)
{
    // Two 64-bit FNV-1a hashes of the case-folded identity make the 128 bits.
    std::string identity = HiveName(value.hive);
    identity += '\\';
    for (const char32_t c : CodePoints(value.key + L'\\' + value.name))
        AppendUtf8(identity, (c >= U'a' && c <= U'z') ? c - 0x20 : c);
    std::uint64_t high = 0xcbf29ce484222325ull;
    std::uint64_t low = 0x84222325cbf29ce4ull;
    for (const char byte : identity)
    {
        high = (high ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3ull;
        low = (low ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3ull;
        low ^= low >> 29;
    }
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

std::string WritePreferenceXml(const std::vector<PreferenceValue>& values, std::int64_t changedUtc,
                               const UidSource& uid)
{
    const std::string changed = UtcText(changedUtc);
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                      "<RegistrySettings clsid=\"{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}\">";
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        const PreferenceValue& value = values[i];
        if (value.action != 'U' && value.action != 'D')
            throw std::invalid_argument("Registry.xml: only update and delete items are written");
        const bool remove = value.action == 'D';
        std::string type;
        std::string data;
        const char* image = nullptr;
        // The console's pictures come in fours (create, replace, update, delete): from 5 for
        // strings, from 10 for numbers. A deletion carries no data, as the console writes it.
        if (value.type == kRegDword)
        {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(value.number));
            type = "REG_DWORD";
            data = remove ? "" : hex;
            image = remove ? "13" : "12";
        }
        else if (value.type == kRegSz)
        {
            type = "REG_SZ";
            data = remove ? "" : EscapeAttribute(value.text);
            image = remove ? "8" : "7";
        }
        else
        {
            throw std::invalid_argument("Registry.xml: only REG_DWORD and REG_SZ values are written");
        }
        const bool isDefault = value.name.empty();
        const std::string name = EscapeAttribute(value.name);
        const std::string label = isDefault ? "(Default)" : name;
        out += "<Registry clsid=\"{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}\" name=\"" + label + "\" status=\"" + label +
               "\" image=\"" + image + "\" changed=\"" + changed + "\" uid=\"" + EscapeAttribute(uid(value, i)) +
               "\"><Properties action=\"" + value.action + "\" displayDecimal=\"0\" default=\"" + (isDefault ? "1" : "0") +
               "\" hive=\"" + HiveName(value.hive) + "\" key=\"" + EscapeAttribute(value.key) + "\" name=\"" + name +
               "\" type=\"" + type + "\" value=\"" + data + "\"/></Registry>";
    }
    out += "</RegistrySettings>";
    return out;
}

} // namespace regpol
