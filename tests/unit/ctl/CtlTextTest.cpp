// The words MorvexCtl prints for a failure. Its folder has no translation files: English.
#include <gtest/gtest.h>

#include <stdexcept>

#include "StatusReport.h"

namespace {

TEST(CtlText, AChangedPolicyIsSaidInTheConsolesOwnWords)
{
    // Not the window's "...the window now shows the current policy": a command shows nothing
    // afterwards, so it says what to do instead.
    EXPECT_EQ("Nothing was saved: the AutoRun policy changed since it was read (Group Policy, a script or another "
              "window). Run the command again.\n"
              "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer, NoDriveAutoRun",
              ErrorText(PolicyChangedError(PolicyValue::UserDriveLetters, {})));
    EXPECT_EQ("HKEY_CURRENT_USER\\X : Access denied.", ErrorText(std::runtime_error("HKEY_CURRENT_USER\\X : Access denied.")));
}

} // namespace
