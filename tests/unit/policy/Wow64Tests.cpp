#include <windows.h>

#include <gtest/gtest.h>

#include "AutoRunSettings.h"
#include "OptionsStore.h"
#include "PolicyFixture.h"
#include "RegistryTestSupport.h"

// These tests are about the kind of process: the 32-bit build runs them too.

namespace {

using namespace policytest;

bool NativeSystemIs64Bit()
{
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

TEST(Wow64Process, IsDetected)
{
    // A 32-bit process on 64-bit Windows runs under WOW64; a 64-bit process never does.
    const bool expected = sizeof(void*) == 4 && NativeSystemIs64Bit();
    BOOL reported = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &reported));
    EXPECT_EQ(expected, reported != FALSE);
    EXPECT_EQ(expected, OptionsStore().IsWow64());
}

class Wow64View : public PolicyRegistryTest
{
};

TEST_F(Wow64View, SaveWritesWhere64BitWindowsReads)
{
    AutoRunSettings settings; // every switch off
    settings.disabledLetters = L"A";
    settings.Save();

    EXPECT_TRUE(testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L"", testreg::kView64));
    EXPECT_FALSE(testreg::Read(HKEY_LOCAL_MACHINE, kMappingKey, L"", testreg::kView32));
    EXPECT_EQ(0xFFu, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveTypeAutoRun"));
    EXPECT_EQ(0u, ReadDword(HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"));
    EXPECT_EQ(1u, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun"));
}

TEST_F(Wow64View, LoadReadsWhere64BitWindowsReads)
{
    // Only the 32-bit view says autorun.inf is ignored; the system does not see that.
    testreg::WriteText(HKEY_LOCAL_MACHINE, kMappingKey, L"", L"@SYS:DoesNotExist", REG_SZ, testreg::kView32);
    AutoRunSettings settings;
    settings.Load();
    EXPECT_TRUE(settings.runAutorunInf);

    testreg::WriteText(HKEY_LOCAL_MACHINE, kMappingKey, L"", L"@SYS:DoesNotExist", REG_SZ, testreg::kView64);
    testreg::DeleteValue(HKEY_LOCAL_MACHINE, kMappingKey, L"", testreg::kView32);
    settings.Load();
    EXPECT_FALSE(settings.runAutorunInf);
}

} // namespace
