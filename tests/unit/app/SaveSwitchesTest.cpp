#include <windows.h>

#include <gtest/gtest.h>

#include "AutoRunSettings.h"
#include "PolicyFixture.h"

namespace {

using namespace policytest;

// "Disable Everything and Save" after a failed read saves this way: the drive letters it
// could not read must stay as stored, whatever the object holds.
class SaveSwitchesTest : public PolicyRegistryTest
{
};

TEST_F(SaveSwitchesTest, WritesEverySwitchAndLeavesTheStoredLettersAlone)
{
    const struct
    {
        PolicyState before;
        std::optional<DWORD> letters;
    } cases[] = {
        { kNothing.MachineTypes(0x91).UserTypes(0x91).MachineLetters(0x14).UserLetters(0x14), 0x14 },
        { kNothing.MachineLetters(0x04), 0x04 },
        { kNothing, std::nullopt },
    };
    for (const auto& c : cases)
    {
        Clear();
        Apply(c.before);
        AutoRunSettings everythingOff;
        everythingOff.disabledLetters = L"";
        everythingOff.SaveSwitches();

        EXPECT_EQ(c.letters, ReadDword(HKEY_LOCAL_MACHINE, kExplorerKey, L"NoDriveAutoRun"));
        if (c.before.userLetters)
            EXPECT_EQ(c.letters, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun"));
        else
            EXPECT_EQ(std::nullopt, ReadDword(HKEY_CURRENT_USER, kExplorerKey, L"NoDriveAutoRun"));

        AutoRunSettings back;
        back.Load();
        const Fields off = { false, false, false, false, false, false, false, back.disabledLetters };
        EXPECT_EQ(off, Fields::Of(back));
    }
}

} // namespace
