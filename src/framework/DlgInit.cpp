#include "DlgInit.h"

namespace {

unsigned ReadLittleEndian(const unsigned char* bytes, size_t count)
{
    unsigned value = 0;
    for (size_t i = count; i > 0; --i)
        value = (value << 8) | bytes[i - 1];
    return value;
}

} // namespace

std::vector<DlgInitItem> ParseDlgInit(const unsigned char* bytes, size_t size)
{
    std::vector<DlgInitItem> items;
    const size_t headerSize = 2 + 2 + 4;
    size_t pos = 0;
    while (bytes != nullptr && size - pos >= 2)
    {
        const unsigned short id = static_cast<unsigned short>(ReadLittleEndian(bytes + pos, 2));
        if (id == 0 || size - pos < headerSize)
            break;
        const unsigned short message = static_cast<unsigned short>(ReadLittleEndian(bytes + pos + 2, 2));
        const size_t length = ReadLittleEndian(bytes + pos + 4, 4);
        pos += headerSize;
        if (length > size - pos)
            break;
        const char* text = reinterpret_cast<const char*>(bytes + pos);
        size_t textLength = 0;
        while (textLength < length && text[textLength] != '\0')
            ++textLength;
        items.push_back(DlgInitItem{ id, message, std::string(text, textLength) });
        pos += length;
    }
    return items;
}
