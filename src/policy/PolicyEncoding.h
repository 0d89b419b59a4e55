#pragma once
// How the registry numbers of the AutoRun policy map to its switches and drive letters.
// Pure code, no windows.h: the registry I/O stays in AutoRunSettings.

#include <cstdint>
#include <string>

// Mapping autorun.inf to a section that does not exist makes Windows ignore the file.
inline constexpr wchar_t kIgnoreAutorunInf[] = L"@SYS:DoesNotExist";

// NoDriveTypeAutoRun: a set bit disables AutoRun for that type of drive.
namespace drivetype {
inline constexpr std::uint32_t kUnknown = 0x01;
inline constexpr std::uint32_t kNoRootDir = 0x02;
inline constexpr std::uint32_t kRemovable = 0x04;
inline constexpr std::uint32_t kFixed = 0x08;
inline constexpr std::uint32_t kNetwork = 0x10;
inline constexpr std::uint32_t kCdrom = 0x20;
inline constexpr std::uint32_t kRamDisk = 0x40;
inline constexpr std::uint32_t kUnknownSecond = 0x80;
inline constexpr std::uint32_t kEvery = 0xFF;
} // namespace drivetype

// The six drive-type switches; true means AutoRun is enabled for that type.
struct DriveTypes
{
    bool unknownDrives = false;
    bool removableDrives = false;
    bool fixedDrives = false;
    bool networkDrives = false;
    bool cdromDrives = false;
    bool ramDisks = false;

    bool operator==(const DriveTypes& other) const;
    bool operator!=(const DriveTypes& other) const { return !(*this == other); }
};

// The number written for the switches: drives without a root directory always stay
// disabled, bits above 0xFF are never set.
std::uint32_t DriveTypeMask(const DriveTypes& types);
// The switches a stored number (both hives ORed) and the CD-ROM service's AutoRun value
// give; the service value can only switch CD-ROM AutoRun off, never on.
DriveTypes DriveTypesFrom(std::uint32_t mask, std::uint32_t cdromService);

// True unless the mapping is the ignoring one, told apart by A to Z case-insensitively only,
// so that no locale changes the outcome.
bool HonoursAutorunInf(const std::wstring& mapping);

// A to Z upper-cased in place; every other character unchanged.
void UpperCaseLetters(std::wstring& text);
// Bit n for the letter A + n, in either case; every other character is ignored.
std::uint32_t LetterMask(const std::wstring& text);
// The canonical text "C,E,Z"; bits 26 to 31 name no drive letter and are left out.
std::wstring LettersFromMask(std::uint32_t mask);
