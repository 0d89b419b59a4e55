#include <windows.h>
#include <gtest/gtest.h>
TEST(Smoke, Runs) { EXPECT_EQ(1, 1); }
TEST(Smoke, Wow64Reported) { BOOL w = FALSE; IsWow64Process(GetCurrentProcess(), &w); EXPECT_EQ(sizeof(void*) == 4, w != FALSE); }
