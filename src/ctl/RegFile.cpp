#include "RegFile.h"

namespace {

std::wstring Quoted(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (const wchar_t c : text)
    {
        if (c == L'\\' || c == L'"')
            out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring ValueLine(const PlannedWrite& write)
{
    const PolicyValueInfo& info = InfoOf(write.value);
    std::wstring line = *info.valueName == L'\0' ? std::wstring(L"@") : Quoted(info.valueName);
    line += L'=';
    switch (write.kind)
    {
    case PlannedWrite::Kind::Number:
    {
        line += L"dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            line += L"0123456789abcdef"[(write.number >> shift) & 0xF];
        break;
    }
    case PlannedWrite::Kind::Text:
        line += Quoted(write.text);
        break;
    case PlannedWrite::Kind::Delete:
        line += L'-';
        break;
    }
    return line;
}

struct Section
{
    std::wstring header;
    std::wstring lines;
};

} // namespace

std::wstring RegistryFileText(const std::vector<PlannedWrite>& writes)
{
    // Each key once, in the order of its first write, with its values in the order of Save.
    std::vector<Section> sections;
    for (const PlannedWrite& write : writes)
    {
        const PolicyValueInfo& info = InfoOf(write.value);
        const std::wstring header = std::wstring(L"[") +
                                    (info.machineHive ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") +
                                    info.keyPath + L"]";
        Section* section = nullptr;
        for (Section& existing : sections)
        {
            if (existing.header == header)
                section = &existing;
        }
        if (section == nullptr)
        {
            sections.push_back(Section{header, std::wstring()});
            section = &sections.back();
        }
        section->lines += ValueLine(write) + L"\r\n";
    }

    std::wstring text = L"Windows Registry Editor Version 5.00\r\n";
    for (const Section& section : sections)
        text += L"\r\n" + section.header + L"\r\n" + section.lines;
    return text + L"\r\n";
}

std::string RegistryFileBytes(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (const wchar_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}
