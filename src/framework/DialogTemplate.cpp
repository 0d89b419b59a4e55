#include "DialogTemplate.h"

#include <algorithm>

namespace {

// Reads the template and remembers where each control's record lies; any read past the end
// makes the whole template unreadable.
class TemplateReader
{
public:
    TemplateReader(const unsigned char* bytes, size_t size) : m_bytes(bytes), m_size(size) {}

    bool Ok() const { return m_ok; }
    size_t Position() const { return m_pos; }

    unsigned Word()
    {
        if (!Need(2))
            return 0;
        const unsigned value = m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8);
        m_pos += 2;
        return value;
    }

    unsigned long DoubleWord()
    {
        const unsigned long low = Word();
        return low | (static_cast<unsigned long>(Word()) << 16);
    }

    void Skip(size_t count)
    {
        if (Need(count))
            m_pos += count;
    }

    // A string or, after 0xFFFF, an ordinal: a class name, a title, a menu.
    void StringOrOrdinal()
    {
        const unsigned first = Word();
        if (first == 0xFFFF)
            Word();
        else
            String(first);
    }

    // A zero-terminated UTF-16 string whose first character has been read.
    void String(unsigned first)
    {
        for (unsigned c = first; m_ok && c != 0;)
            c = Word();
    }

    void AlignToDoubleWord()
    {
        if (m_pos % 4 != 0)
            Skip(4 - m_pos % 4);
    }

private:
    bool Need(size_t count)
    {
        if (m_ok && m_size - m_pos >= count)
            return true;
        m_ok = false;
        return false;
    }

    const unsigned char* m_bytes;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

struct ControlRecord
{
    size_t begin;
    size_t end;
    int id;
};

const unsigned long kSetFont = 0x40L; // DS_SETFONT, also part of DS_SHELLFONT

} // namespace

std::vector<unsigned char> ReorderDialogTemplate(const unsigned char* bytes, size_t size, const std::vector<int>& ids)
{
    if (bytes == nullptr)
        return {};
    TemplateReader reader(bytes, size);
    const unsigned version = reader.Word();
    const unsigned signature = reader.Word();
    if (version != 1 || signature != 0xFFFF)
        return {};
    reader.DoubleWord(); // help id
    reader.DoubleWord(); // extended style
    const unsigned long style = reader.DoubleWord();
    const unsigned count = reader.Word();
    reader.Skip(4 * 2); // x, y, cx, cy
    reader.StringOrOrdinal(); // menu
    reader.StringOrOrdinal(); // window class
    reader.String(reader.Word()); // title
    if ((style & kSetFont) != 0)
    {
        reader.Skip(2 + 2 + 1 + 1); // point size, weight, italic, character set
        reader.String(reader.Word());
    }

    if (count > 0)
        reader.AlignToDoubleWord();
    const size_t header = reader.Position();
    std::vector<ControlRecord> controls;
    for (unsigned i = 0; i < count && reader.Ok(); ++i)
    {
        reader.AlignToDoubleWord();
        ControlRecord control = {reader.Position(), 0, 0};
        reader.DoubleWord(); // help id
        reader.DoubleWord(); // extended style
        reader.DoubleWord(); // style
        reader.Skip(4 * 2); // x, y, cx, cy
        control.id = static_cast<int>(reader.DoubleWord());
        reader.StringOrOrdinal(); // class
        reader.StringOrOrdinal(); // text or picture
        reader.Skip(reader.Word()); // creation data
        control.end = reader.Position();
        controls.push_back(control);
    }
    if (!reader.Ok() || controls.size() != count)
        return {};

    std::vector<ControlRecord> ordered;
    for (const int id : ids)
    {
        const auto found = std::find_if(controls.begin(), controls.end(),
                                        [id](const ControlRecord& control) { return control.id == id; });
        if (found == controls.end())
            continue;
        ordered.push_back(*found);
        controls.erase(found);
    }
    ordered.insert(ordered.end(), controls.begin(), controls.end());

    // The header as it is, then each control on a four-byte boundary, as the system reads them.
    std::vector<unsigned char> result(bytes, bytes + header);
    for (const ControlRecord& control : ordered)
    {
        result.resize((result.size() + 3) / 4 * 4, 0);
        result.insert(result.end(), bytes + control.begin, bytes + control.end);
    }
    return result;
}
