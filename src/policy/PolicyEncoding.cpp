#include "PolicyEncoding.h"

namespace {

const int kLetterCount = 26;

wchar_t UpperAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

bool DriveTypes::operator==(const DriveTypes& other) const
{
    return unknownDrives == other.unknownDrives && removableDrives == other.removableDrives &&
           fixedDrives == other.fixedDrives && networkDrives == other.networkDrives &&
           cdromDrives == other.cdromDrives && ramDisks == other.ramDisks;
}

std::uint32_t DriveTypeMask(const DriveTypes& types)
{
    using namespace drivetype;
    std::uint32_t mask = kEvery;
    if (types.unknownDrives)
        mask &= ~(kUnknown | kUnknownSecond);
    if (types.removableDrives)
        mask &= ~kRemovable;
    if (types.fixedDrives)
        mask &= ~kFixed;
    if (types.networkDrives)
        mask &= ~kNetwork;
    if (types.cdromDrives)
        mask &= ~kCdrom;
    if (types.ramDisks)
        mask &= ~kRamDisk;
    static_assert((kEvery & kNoRootDir) != 0, "drives without a root directory stay disabled");
    return mask;
}

DriveTypes DriveTypesFrom(std::uint32_t mask, std::uint32_t cdromService)
{
    using namespace drivetype;
    DriveTypes types;
    types.unknownDrives = (mask & (kUnknown | kUnknownSecond)) == 0;
    types.removableDrives = (mask & kRemovable) == 0;
    types.fixedDrives = (mask & kFixed) == 0;
    types.networkDrives = (mask & kNetwork) == 0;
    types.cdromDrives = (mask & kCdrom) == 0 && cdromService != 0;
    types.ramDisks = (mask & kRamDisk) == 0;
    return types;
}

bool HonoursAutorunInf(const std::wstring& mapping)
{
    const wchar_t* other = kIgnoreAutorunInf;
    size_t i = 0;
    for (; i < mapping.size() && other[i] != L'\0'; ++i)
    {
        if (UpperAsciiLetter(mapping[i]) != UpperAsciiLetter(other[i]))
            return true;
    }
    return !(i == mapping.size() && other[i] == L'\0');
}

void UpperCaseLetters(std::wstring& text)
{
    for (wchar_t& c : text)
        c = UpperAsciiLetter(c);
}

std::uint32_t LetterMask(const std::wstring& text)
{
    std::uint32_t mask = 0;
    for (wchar_t c : text)
    {
        c = UpperAsciiLetter(c);
        if (c >= L'A' && c <= L'Z')
            mask |= std::uint32_t(1) << (c - L'A');
    }
    return mask;
}

std::wstring LettersFromMask(std::uint32_t mask)
{
    std::wstring text;
    for (int n = 0; n < kLetterCount; ++n)
    {
        if ((mask & (std::uint32_t(1) << n)) != 0)
        {
            if (!text.empty())
                text += L',';
            text += static_cast<wchar_t>(L'A' + n);
        }
    }
    return text;
}
