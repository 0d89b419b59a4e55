#include "RegistryPol.h"

#include <iterator>
#include <limits>
#include <stdexcept>

namespace regpol {

namespace {

const std::uint8_t kSignature[4] = {'P', 'R', 'e', 'g'};
constexpr std::uint32_t kVersion = 1;

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool StartsWithIgnoringCase(const std::wstring& text, const wchar_t* prefix, std::size_t length)
{
    if (text.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (FoldAscii(text[i]) != FoldAscii(prefix[i]))
            return false;
    return true;
}

template <std::size_t N>
bool StartsWithIgnoringCase(const std::wstring& text, const wchar_t (&prefix)[N])
{
    return StartsWithIgnoringCase(text, prefix, N - 1);
}

template <std::size_t N>
bool IsWord(const std::wstring& text, const wchar_t (&word)[N])
{
    return text.size() == N - 1 && StartsWithIgnoringCase(text, word);
}

// Reads the file front to back; any step that does not find what the format demands makes
// the whole file unreadable.
class Cursor
{
public:
    Cursor(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}

    bool AtEnd() const { return m_pos == m_size; }
    std::size_t Left() const { return m_size - m_pos; }

    bool Unit(std::uint16_t& unit)
    {
        if (Left() < 2)
            return false;
        unit = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }

    bool Expect(wchar_t delimiter)
    {
        std::uint16_t unit = 0;
        return Unit(unit) && unit == static_cast<std::uint16_t>(delimiter);
    }

    bool Uint32(std::uint32_t& value)
    {
        if (Left() < 4)
            return false;
        value = static_cast<std::uint32_t>(m_bytes[m_pos]) | (static_cast<std::uint32_t>(m_bytes[m_pos + 1]) << 8) |
                (static_cast<std::uint32_t>(m_bytes[m_pos + 2]) << 16) |
                (static_cast<std::uint32_t>(m_bytes[m_pos + 3]) << 24);
        m_pos += 4;
        return true;
    }

    // UTF-16LE up to and including its NUL.
    bool String(std::wstring& text)
    {
        std::vector<std::uint16_t> units;
        for (;;)
        {
            std::uint16_t unit = 0;
            if (!Unit(unit))
                return false;
            if (unit == 0)
                break;
            units.push_back(unit);
        }
        text = FromUtf16(units.data(), units.size());
        return true;
    }

    bool Bytes(std::size_t count, std::vector<std::uint8_t>& out)
    {
        if (Left() < count)
            return false;
        out.assign(m_bytes + m_pos, m_bytes + m_pos + count);
        m_pos += count;
        return true;
    }

    static std::wstring FromUtf16(const std::uint16_t* units, std::size_t count)
    {
        std::wstring text;
        text.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
        {
            std::uint32_t c = units[i];
            // Where wchar_t holds a whole code point, a surrogate pair becomes one character;
            // a lone surrogate stays as it is, as it would on Windows.
            if (sizeof(wchar_t) == 4 && c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF)
            {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            }
            text.push_back(static_cast<wchar_t>(c));
        }
        return text;
    }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

std::optional<std::wstring> StringFromData(const std::vector<std::uint8_t>& data)
{
    if (data.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    {
        const auto unit = static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            break;
        units.push_back(unit);
    }
    return Cursor::FromUtf16(units.data(), units.size());
}

std::vector<std::wstring> SplitList(const std::wstring& list)
{
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= list.size())
    {
        std::size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        if (end > start)
            parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The key itself or one below it.
bool IsAtOrBelow(const std::wstring& key, const std::wstring& top)
{
    if (top.empty())
        return false;
    if (!StartsWithIgnoringCase(key, top.c_str(), top.size()))
        return false;
    return key.size() == top.size() || key[top.size()] == L'\\';
}

void Set(ValueEffect& effect, const PolRecord& record, bool soft)
{
    if (soft && effect.kind == ValueEffect::Kind::Sets)
        return; // already set by this file: a soft set changes nothing
    // After a delete of this file the value is surely absent, so even a soft set sets it.
    effect.soft = soft && effect.kind == ValueEffect::Kind::Untouched;
    effect.kind = ValueEffect::Kind::Sets;
    effect.type = record.type;
    effect.data = record.data;
}

void Delete(ValueEffect& effect)
{
    effect = ValueEffect();
    effect.kind = ValueEffect::Kind::Deletes;
}

void AppendUnit(std::vector<std::uint8_t>& out, std::uint32_t unit)
{
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

void AppendUint32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendText(std::vector<std::uint8_t>& out, const std::wstring& text)
{
    for (const wchar_t ch : text)
    {
        const auto c = static_cast<std::uint32_t>(ch);
        if (c > 0xFFFF)
        {
            AppendUnit(out, 0xD800 + ((c - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
        {
            AppendUnit(out, c);
        }
    }
}

} // namespace

bool PolRecord::operator==(const PolRecord& other) const
{
    return key == other.key && valueName == other.valueName && type == other.type && data == other.data;
}

std::optional<std::vector<PolRecord>> ReadRegistryPol(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 8 || bytes == nullptr)
        return std::nullopt;
    for (int i = 0; i < 4; ++i)
        if (bytes[i] != kSignature[i])
            return std::nullopt;
    Cursor cursor(bytes + 4, size - 4);
    std::uint32_t version = 0;
    if (!cursor.Uint32(version) || version != kVersion)
        return std::nullopt;

    std::vector<PolRecord> records;
    while (!cursor.AtEnd())
    {
        PolRecord record;
        std::uint32_t dataSize = 0;
        // The data is read by its size: binary data may well hold a ']'.
        if (!cursor.Expect(L'[') || !cursor.String(record.key) || !cursor.Expect(L';') ||
            !cursor.String(record.valueName) || !cursor.Expect(L';') || !cursor.Uint32(record.type) ||
            !cursor.Expect(L';') || !cursor.Uint32(dataSize) || !cursor.Expect(L';') ||
            !cursor.Bytes(dataSize, record.data) || !cursor.Expect(L']'))
            return std::nullopt;
        records.push_back(std::move(record));
    }
    return records;
}

std::optional<std::vector<PolRecord>> ReadRegistryPol(const std::vector<std::uint8_t>& bytes)
{
    return ReadRegistryPol(bytes.data(), bytes.size());
}

std::optional<std::uint32_t> ValueEffect::Dword() const
{
    if (kind != Kind::Sets || data.size() != 4)
        return std::nullopt;
    if (type == kRegDword)
        return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
               (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    if (type == kRegDwordBigEndian)
        return static_cast<std::uint32_t>(data[3]) | (static_cast<std::uint32_t>(data[2]) << 8) |
               (static_cast<std::uint32_t>(data[1]) << 16) | (static_cast<std::uint32_t>(data[0]) << 24);
    return std::nullopt;
}

std::optional<std::wstring> ValueEffect::String() const
{
    if (kind != Kind::Sets || (type != kRegSz && type != kRegExpandSz))
        return std::nullopt;
    return StringFromData(data);
}

bool ValueEffect::operator==(const ValueEffect& other) const
{
    return kind == other.kind && soft == other.soft && type == other.type && data == other.data;
}

std::vector<ValueEffect> EvaluatePol(const std::vector<PolRecord>& records, const std::vector<ValueRef>& asked)
{
    static const wchar_t kDel[] = L"**del.";
    static const wchar_t kSoft[] = L"**soft.";
    static const wchar_t kDelVals[] = L"**delvals.";
    static const wchar_t kDelValsNoDot[] = L"**delvals";
    static const wchar_t kDeleteValues[] = L"**DeleteValues";
    static const wchar_t kDeleteKeys[] = L"**DeleteKeys";
    static const wchar_t kSecureKey[] = L"**SecureKey";

    std::vector<ValueEffect> effects(asked.size());
    for (const PolRecord& record : records)
    {
        const std::wstring& name = record.valueName;
        if (IsWord(name, kSecureKey))
            continue;
        if (name.empty() && record.type == kRegNone && record.data.empty())
            continue; // the key alone

        if (IsWord(name, kDeleteKeys))
        {
            const std::optional<std::wstring> list = StringFromData(record.data);
            if (!list)
                continue;
            const std::vector<std::wstring> keys = SplitList(*list);
            for (std::size_t i = 0; i < asked.size(); ++i)
                for (const std::wstring& key : keys)
                    if (IsAtOrBelow(asked[i].key, key))
                        Delete(effects[i]);
            continue;
        }

        for (std::size_t i = 0; i < asked.size(); ++i)
        {
            if (!EqualsIgnoringCase(asked[i].key, record.key))
                continue;
            ValueEffect& effect = effects[i];
            const std::wstring& wanted = asked[i].name;
            if (IsWord(name, kDelVals) || IsWord(name, kDelValsNoDot))
            {
                Delete(effect);
            }
            else if (IsWord(name, kDeleteValues))
            {
                if (const std::optional<std::wstring> list = StringFromData(record.data))
                    for (const std::wstring& listed : SplitList(*list))
                        if (EqualsIgnoringCase(listed, wanted))
                            Delete(effect);
            }
            else if (StartsWithIgnoringCase(name, kDel))
            {
                if (EqualsIgnoringCase(name.substr(std::size(kDel) - 1), wanted))
                    Delete(effect);
            }
            else if (StartsWithIgnoringCase(name, kSoft))
            {
                if (EqualsIgnoringCase(name.substr(std::size(kSoft) - 1), wanted))
                    Set(effect, record, true);
            }
            else if (EqualsIgnoringCase(name, wanted))
            {
                Set(effect, record, false);
            }
        }
    }
    return effects;
}

PolRecord SetDwordRecord(const std::wstring& key, const std::wstring& name, std::uint32_t value)
{
    PolRecord record{key, name, kRegDword, {}};
    AppendUint32(record.data, value);
    return record;
}

PolRecord SetStringRecord(const std::wstring& key, const std::wstring& name, const std::wstring& text)
{
    return PolRecord{key, name, kRegSz, Utf16LeBytes(text, true)};
}

PolRecord DeleteValueRecord(const std::wstring& key, const std::wstring& name)
{
    return PolRecord{key, L"**del." + name, kRegSz, Utf16LeBytes(L" ", true)};
}

std::vector<std::uint8_t> WriteRegistryPol(const std::vector<PolRecord>& records)
{
    std::vector<std::uint8_t> out(std::begin(kSignature), std::end(kSignature));
    AppendUint32(out, kVersion);
    for (const PolRecord& record : records)
    {
        // A NUL would end the string early and shift every field after it.
        if (record.key.find(L'\0') != std::wstring::npos || record.valueName.find(L'\0') != std::wstring::npos)
            throw std::invalid_argument("Registry.pol: a key or value name holds a NUL character");
        if (record.data.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::invalid_argument("Registry.pol: the data of a value is too large");
        AppendUnit(out, L'[');
        AppendText(out, record.key);
        AppendUnit(out, 0);
        AppendUnit(out, L';');
        AppendText(out, record.valueName);
        AppendUnit(out, 0);
        AppendUnit(out, L';');
        AppendUint32(out, record.type);
        AppendUnit(out, L';');
        AppendUint32(out, static_cast<std::uint32_t>(record.data.size()));
        AppendUnit(out, L';');
        out.insert(out.end(), record.data.begin(), record.data.end());
        AppendUnit(out, L']');
    }
    return out;
}

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && StartsWithIgnoringCase(a, b.c_str(), b.size());
}

std::vector<std::uint8_t> Utf16LeBytes(const std::wstring& text, bool withNul)
{
    std::vector<std::uint8_t> out;
    AppendText(out, text);
    if (withNul)
        AppendUnit(out, 0);
    return out;
}

} // namespace regpol
