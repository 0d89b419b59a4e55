#include "PolicyEncoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(PolicyEncoding, DriveTypeNumbers)
{
    const struct
    {
        const char* name;
        DriveTypes types;
        std::uint32_t mask;
    } cases[] = {
        {"all off", {}, 0xFF},
        {"all on: drives without a root directory stay off", {true, true, true, true, true, true}, 0x02},
        {"unknown drives clear both of their bits", {true, false, false, false, false, false}, 0x7E},
        {"removable only", {false, true, false, false, false, false}, 0xFB},
        {"CD-ROM and RAM disks", {false, false, false, false, true, true}, 0x9F},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.mask, DriveTypeMask(c.types));
        EXPECT_EQ(c.types, DriveTypesFrom(c.mask, 1));
    }
}

TEST(PolicyEncoding, StoredDriveTypeNumbers)
{
    // Either unknown bit disables unknown drives; bits above 0xFF mean nothing.
    EXPECT_FALSE(DriveTypesFrom(0x80, 1).unknownDrives);
    EXPECT_FALSE(DriveTypesFrom(0x01, 1).unknownDrives);
    EXPECT_EQ(DriveTypesFrom(0x00, 1), DriveTypesFrom(0xFFFFFF00u, 1));
    // The CD-ROM service can switch CD-ROM AutoRun off, never on.
    EXPECT_FALSE(DriveTypesFrom(0x00, 0).cdromDrives);
    EXPECT_FALSE(DriveTypesFrom(0x20, 1).cdromDrives);
    EXPECT_TRUE(DriveTypesFrom(0x00, 2).cdromDrives);
}

TEST(PolicyEncoding, IgnoringMappingIsToldApartByAsciiCaseOnly)
{
    const struct
    {
        const wchar_t* mapping;
        bool honoured;
    } cases[] = {
        {L"@SYS:DoesNotExist", false},
        {L"@sys:doesnotexist", false},
        {L"", true},
        {L"@SYS:DoesNotExis", true},
        {L"@SYS:DoesNotExist ", true},
        {L"@SYS:DoesNotExi\u0130t", true}, // a dotted capital I is no ASCII 's'
        {L"\u00A9SYS:DoesNotExist", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mapping);
        EXPECT_EQ(c.honoured, HonoursAutorunInf(c.mapping));
    }
}

TEST(PolicyEncoding, DriveLetters)
{
    const struct
    {
        const wchar_t* text;
        std::uint32_t mask;
        const wchar_t* canonical;
    } cases[] = {
        {L"", 0, L""},
        {L"C,E,Z", 0x02000014, L"C,E,Z"},
        {L"z e c", 0x02000014, L"C,E,Z"},
        {L"AaA", 0x1, L"A"},
        {L"1?\u00C4\u00E4-", 0, L""},
        {L"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0x03FFFFFF,
         L"A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,W,X,Y,Z"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.mask, LetterMask(c.text));
        EXPECT_EQ(c.canonical, LettersFromMask(c.mask));
    }
    // Bits 26 to 31 name no drive.
    EXPECT_EQ(L"A", LettersFromMask(0xFC000001u));

    std::wstring text = L"a,b;\u00E4 z";
    UpperCaseLetters(text);
    EXPECT_EQ(L"A,B;\u00E4 Z", text);
}
