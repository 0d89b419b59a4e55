#pragma once
// The fixture of the window tests: it puts the registry into a known state, starts the real
// Morvex.exe, finds its windows, and at the end closes or kills the program and puts the
// registry back as it found it.

#include "Translations.h"
#include "TestRegistry.h"
#include "WindowDriver.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace e2e {

std::wstring MorvexExe();
std::wstring RecorderExe();
std::wstring TestOutputFolder();
// The translation file that ships beside the program.
std::map<std::string, std::string> LanguageFile(const char* code);
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// A language of the selector: its place in the list and its code.
struct LanguageCase
{
    int index;
    const char* code;
};
// Names the case in test listings.
inline std::ostream& operator<<(std::ostream& out, const LanguageCase& c)
{
    return out << c.code;
}
inline std::string LanguageCaseName(const ::testing::TestParamInfo<LanguageCase>& info)
{
    return info.param.code;
}

enum Page { kOverviewPage = 0, kDriveTypePage = 1, kDriveLetterPage = 2, kPageCount = 3 };

// One registry value of a starting state.
struct RegSetting
{
    HKEY root;
    const wchar_t* key;
    const wchar_t* name;
    RegValue value;
};
void Apply(const std::vector<RegSetting>& settings);

// Start states shared by the window and the command-line tests.
extern const std::vector<RegSetting> kTypical; // NoDriveTypeAutoRun 0x91 and letters C,E in HKLM
extern const std::vector<RegSetting> kAllOff;  // everything off, no letters

// What the pages show about the policy.
struct Screen
{
    std::string status;                // text of the status line
    Hue statusPicture = Hue::None;     // green tick or yellow triangle
    std::array<int, 7> checks{};       // check boxes 1000 to 1006: BST_CHECKED, _UNCHECKED, _INDETERMINATE
    std::array<int, 7> balls{};        // the bitmap the ball beside each holds: IDB_RED_BALL (enabled),
                                       // IDB_GREEN_BALL (off), IDB_GREY_BALL (not known)
    bool selectAll = false;
    std::string letters;
    bool operator==(const Screen& other) const;
};
std::ostream& operator<<(std::ostream& out, const Screen& screen);

// The expected screen for a policy: field order runAutorunInf, unknown, removable, fixed,
// network, CD-ROM, RAM disks.
Screen ExpectedScreen(const std::array<bool, 7>& fields, const std::string& letters);
// The same screen with the given lines (field indexes) shown as not known: undecided box,
// grey ball, and "Select all" clear.
Screen WithUnknownLines(Screen screen, std::initializer_list<int> lines);

// The six values (in PolicyValues() order) that Save writes for a policy.
std::vector<std::optional<RegValue>> SavedValues(const std::array<bool, 7>& fields, DWORD letterMask);

// The values Save writes for a policy: checks all six values in the 64-bit view.
void ExpectPolicyWritten(const std::array<bool, 7>& fields, DWORD letterMask);
bool PolicyWritten(const std::array<bool, 7>& fields, DWORD letterMask);

class MorvexTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program and waits for its window; fails if a message box comes instead.
    bool Launch();
    // Starts the program, expects exactly one message box before the window shows, checks
    // its caption and text, answers it and waits for the window.
    bool LaunchThroughError(const std::wstring& caption, const std::wstring& text);

    HWND PageWindow(int page) const { return pages[static_cast<size_t>(page)]; }
    HWND PageItem(int page, int id) const { return Item(PageWindow(page), id); }
    int VisiblePageCount() const;
    int VisiblePage() const; // -1 unless exactly one page is visible
    // Clicks the tab button and waits until its page shows.
    bool ShowPage(int page);
    DWORD UiThread() const;

    // Reads what the pages show; switches pages to see the pictures.
    Screen ReadScreen();
    // Waits until the pages show the expected state (pages refresh asynchronously).
    void ExpectScreen(const Screen& expected);

    // Presses a button and waits for a message box of the program.
    MessageBoxInfo WaitForMessageBox(milliseconds timeout = milliseconds(10000));
    void ExpectNoMessageBox();
    // Presses Cancel; the program must end with code 0.
    void CancelAndExpectExit();
    bool WaitForExit(DWORD& exitCode, milliseconds timeout = milliseconds(15000));

    Process process;
    HWND main = nullptr;
    HWND tabs = nullptr;
    std::array<HWND, kPageCount> pages{};
    std::unique_ptr<RegistrySnapshot> saved;

private:
    bool Start();
    bool FindWindows();
};

} // namespace e2e
