// The registry numbers of the policy and the switches and letters they stand for. Pure code:
// no registry here (AutoRunSettingsTests reads and writes the real one).
#include "PolicyEncoding.h"

#include <gtest/gtest.h>

namespace {

DriveTypes FromBits(int bits)
{
    DriveTypes t;
    t.unknownDrives = bits & 1;
    t.removableDrives = bits & 2;
    t.fixedDrives = bits & 4;
    t.networkDrives = bits & 8;
    t.cdromDrives = bits & 16;
    t.ramDisks = bits & 32;
    return t;
}

TEST(PolicyEncoding, DriveTypesSurviveTheirNumber)
{
    // Every combination of the six switches, through the number Save writes and back.
    for (int bits = 0; bits < 64; ++bits)
    {
        const DriveTypes types = FromBits(bits);
        const std::uint32_t mask = DriveTypeMask(types);
        EXPECT_NE(0u, mask & drivetype::kNoRootDir) << bits;
        EXPECT_EQ(0u, mask & ~drivetype::kEvery) << bits;
        EXPECT_EQ(types, DriveTypesFrom(mask, 1)) << bits;
    }
    EXPECT_EQ(0x02u, DriveTypeMask(FromBits(63)));
    EXPECT_EQ(0xFFu, DriveTypeMask(FromBits(0)));
}

TEST(PolicyEncoding, DriveTypesFromStoredNumbers)
{
    const struct
    {
        std::uint32_t mask;
        std::uint32_t cdromService;
        int expected; // bits as in FromBits
    } cases[] = {
        {0x91, 1, 2 | 4 | 16 | 32},       // unknown and network off
        {0x80, 1, 62},                    // the second unknown bit alone
        {0xFFFFFF02, 1, 63},              // no-root and higher bits name no switch
        {0x00, 0, 63 & ~16},              // the service switches CD-ROM off...
        {0x20, 7, 63 & ~16},              // ...but never on
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromBits(c.expected), DriveTypesFrom(c.mask, c.cdromService)) << std::hex << c.mask;
}

TEST(PolicyEncoding, LettersAndTheirMask)
{
    EXPECT_EQ(0x800005u, LetterMask(L"a, c;x"));
    EXPECT_EQ(0x2000000u, LetterMask(L"zZ"));
    EXPECT_EQ(0u, LetterMask(L"1 [`{@ \u00E4\u00E9"));
    EXPECT_EQ(L"C,E", LettersFromMask(0x14));
    EXPECT_EQ(L"", LettersFromMask(0xFC000000u));
    EXPECT_EQ(L"A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,W,X,Y,Z", LettersFromMask(0xFFFFFFFFu));

    std::wstring typed = L"a, c;x \u00E4";
    UpperCaseLetters(typed);
    EXPECT_EQ(L"A, C;X \u00E4", typed);
}

TEST(PolicyEncoding, OnlyTheIgnoringMappingSwitchesAutorunInfOff)
{
    EXPECT_FALSE(HonoursAutorunInf(L"@SYS:DoesNotExist"));
    EXPECT_FALSE(HonoursAutorunInf(L"@sys:DOESNOTEXIST"));
    EXPECT_TRUE(HonoursAutorunInf(L"@SYS:DoesNotExist "));
    EXPECT_TRUE(HonoursAutorunInf(L"@SYS:DoesNotExis"));
    EXPECT_TRUE(HonoursAutorunInf(L""));
    EXPECT_TRUE(HonoursAutorunInf(L"SYS:Autorun"));
}

} // namespace
