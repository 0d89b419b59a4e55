#include "RegFile.h"

#include "AutoplayBaseline.h"

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

std::wstring DwordLine(const wchar_t* valueName, unsigned long number)
{
    std::wstring line = Quoted(valueName) + L"=dword:";
    for (int shift = 28; shift >= 0; shift -= 4)
        line += L"0123456789abcdef"[(number >> shift) & 0xF];
    return line;
}

std::wstring ValueLine(const PlannedWrite& write)
{
    const PolicyValueInfo& info = InfoOf(write.value);
    std::wstring line = *info.valueName == L'\0' ? std::wstring(L"@") : Quoted(info.valueName);
    line += L'=';
    switch (write.kind)
    {
    case PlannedWrite::Kind::Number:
        return DwordLine(info.valueName, write.number);
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

// Each key once, in the order of its first value, with its values in the order they come.
void AddLine(std::vector<Section>& sections, bool machineHive, const wchar_t* keyPath, const std::wstring& line)
{
    const std::wstring header =
        std::wstring(L"[") + (machineHive ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + keyPath + L"]";
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
    section->lines += line + L"\r\n";
}

} // namespace

std::wstring RegistryFileText(const std::vector<PlannedWrite>& writes, bool withAutoplayBaseline)
{
    std::vector<Section> sections;
    for (const PlannedWrite& write : writes)
    {
        const PolicyValueInfo& info = InfoOf(write.value);
        AddLine(sections, info.machineHive, info.keyPath, ValueLine(write));
    }
    if (withAutoplayBaseline)
    {
        for (const AutoplayBaselineValue& value : kAutoplayBaseline)
            AddLine(sections, true, value.keyPath, DwordLine(value.valueName, kAutoplayBaselineWanted));
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
