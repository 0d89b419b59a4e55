// Saving: the Save button after edits on the pages, "Disable Everything and Save", and the
// dialog keys pressed inside a page.
#include "MorvexFixture.h"

#include "HeldPicture.h"

#include "resource.h"

namespace e2e {
namespace {

constexpr bool T = true;
constexpr bool F = false;

enum class Edit { None, ClickCheckBox, TypeLetters };

struct SaveCase
{
    const char* name;
    std::vector<RegSetting> registry;
    Edit edit;
    int checkBox;          // for ClickCheckBox
    const wchar_t* typed;  // for TypeLetters
    std::array<bool, 7> saved;
    DWORD letterMask;
    const char* lettersShown;
};

// Names the case in test listings.
std::ostream& operator<<(std::ostream& out, const SaveCase& c)
{
    return out << c.name;
}

class SaveButton : public MorvexTest, public ::testing::WithParamInterface<SaveCase>
{
};

// Save writes what the pages show, the window stays, and the pages then show what was read
// back (the letters in their normal form).
TEST_P(SaveButton, WritesThePagesAndShowsWhatWasReadBack)
{
    const SaveCase& c = GetParam();
    Apply(c.registry);
    ASSERT_TRUE(Launch());
    if (c.edit == Edit::ClickCheckBox) {
        ASSERT_TRUE(ShowPage(kDriveTypePage));
        HWND box = PageItem(kDriveTypePage, c.checkBox);
        const int before = CheckState(box);
        Click(box);
        ASSERT_TRUE(WaitUntil([&] { return CheckState(box) != before; }));
    } else if (c.edit == Edit::TypeLetters) {
        ASSERT_TRUE(ShowPage(kDriveLetterPage));
        HWND field = PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS);
        SetText(field, L"");
        TypeText(field, c.typed);
        ASSERT_TRUE(WaitUntil([&] { return TextOf(field) == c.typed; }));
    }

    Click(Item(main, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return PolicyWritten(c.saved, c.letterMask); }));
    ExpectPolicyWritten(c.saved, c.letterMask);
    ExpectScreen(ExpectedScreen(c.saved, c.lettersShown));
    ExpectNoMessageBox();
    EXPECT_TRUE(process.Running()) << "Save must not close the window";
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SaveButton,
    ::testing::Values(
        SaveCase{"Unchanged", kTypical, Edit::None, 0, nullptr, {T, F, T, T, F, T, T}, 0x14, "C,E"},
        // "Select all" sets the six drive types and leaves autorun.inf alone.
        SaveCase{"SelectAll", kAllOff, Edit::ClickCheckBox, IDC_SELECT_ALL, nullptr, {F, T, T, T, T, T, T}, 0, ""},
        SaveCase{"ClearOneDriveType", {}, Edit::ClickCheckBox, IDC_REMOVABLE_DRIVES, nullptr, {T, T, F, T, T, T, T}, 0,
                 ""},
        // Honouring autorun.inf again removes the mapping value.
        SaveCase{"AutorunInfBackOn", kAllOff, Edit::ClickCheckBox, IDC_RUN_AUTORUN_INF, nullptr,
                 {T, F, F, F, F, F, F}, 0, ""},
        SaveCase{"LowerCaseLettersWithBlanks", {}, Edit::TypeLetters, 0, L"d e, a", {T, T, T, T, T, T, T}, 0x19,
                 "A,D,E"},
        SaveCase{"NoLetterInText", kTypical, Edit::TypeLetters, 0, L"1, 2", {T, F, T, T, F, T, T}, 0, ""}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

// "Select all" ticks the six drive types but no ball changes before the next save.
TEST_F(MorvexTest, SelectAllTicksTheDriveTypesOnly)
{
    Apply(kAllOff);
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(kDriveTypePage));
    Click(PageItem(kDriveTypePage, IDC_SELECT_ALL));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(PageItem(kDriveTypePage, IDC_UNKNOWN_DRIVES)) == BST_CHECKED; }));
    for (int id = IDC_UNKNOWN_DRIVES; id <= IDC_RAM_DISKS; ++id)
        EXPECT_EQ(BST_CHECKED, CheckState(PageItem(kDriveTypePage, id))) << id;
    EXPECT_EQ(BST_UNCHECKED, CheckState(PageItem(kDriveTypePage, IDC_RUN_AUTORUN_INF)));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(IDB_GREEN_BALL, HeldBitmap(PageItem(kDriveTypePage, IDC_BALL_RUN_AUTORUN_INF + i))) << i;

    Click(PageItem(kDriveTypePage, IDC_SELECT_ALL));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(PageItem(kDriveTypePage, IDC_UNKNOWN_DRIVES)) == BST_UNCHECKED; }));
    for (int id = IDC_UNKNOWN_DRIVES; id <= IDC_RAM_DISKS; ++id)
        EXPECT_EQ(BST_UNCHECKED, CheckState(PageItem(kDriveTypePage, id))) << id;
    CancelAndExpectExit();
}

// Switches everything off and saves at once, keeping the stored letters; unsaved edits on
// the other pages give way to what was read back.
TEST_F(MorvexTest, DisableEverythingSavesAllOffAndDiscardsPendingEdits)
{
    Apply(kTypical);
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(kDriveTypePage));
    Click(PageItem(kDriveTypePage, IDC_UNKNOWN_DRIVES));
    ASSERT_TRUE(ShowPage(kDriveLetterPage));
    SetText(PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS), L"X, Y");
    ASSERT_TRUE(ShowPage(kOverviewPage));

    Click(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING));
    const std::array<bool, 7> allOff = {F, F, F, F, F, F, F};
    EXPECT_TRUE(WaitUntil([&] { return PolicyWritten(allOff, 0x14); }));
    ExpectPolicyWritten(allOff, 0x14);
    ExpectScreen(ExpectedScreen(allOff, "C,E"));
    ExpectNoMessageBox();
    CancelAndExpectExit();
}

// A control of each page that leaves Enter and Escape to its dialog.
constexpr int kKeyControl[kPageCount] = {IDC_LANGUAGE, IDC_RUN_AUTORUN_INF, IDC_DRIVE_LETTERS};

class KeysInPage : public MorvexTest, public ::testing::WithParamInterface<int>
{
protected:
    HWND FocusInPage(int page)
    {
        if (!ShowPage(page))
            return nullptr;
        HWND control = PageItem(page, kKeyControl[page]);
        FocusControl(PageWindow(page), control);
        WaitUntil([&] { return FocusedWindow(UiThread()) == control; });
        return control;
    }
};

TEST_P(KeysInPage, EscapeClosesTheWindowWithoutWriting)
{
    const int page = GetParam();
    const RegistrySnapshot before;
    ASSERT_TRUE(Launch());
    HWND control = FocusInPage(page);
    ASSERT_EQ(control, FocusedWindow(UiThread()));
    PressKey(control, VK_ESCAPE);
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(WaitForExit(exitCode)) << "Escape did not close the window";
    EXPECT_EQ(0u, exitCode);
    const RegistrySnapshot after;
    EXPECT_TRUE(before == after) << before.Differences(after);
}

TEST_P(KeysInPage, EnterSavesAndThePageStays)
{
    const int page = GetParam();
    ASSERT_TRUE(Launch());
    // A pending edit to be saved: drive letter B.
    ASSERT_TRUE(ShowPage(kDriveLetterPage));
    HWND field = PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS);
    SetText(field, L"b");
    HWND control = FocusInPage(page);
    ASSERT_EQ(control, FocusedWindow(UiThread()));

    PressKey(control, VK_RETURN);
    const std::array<bool, 7> allOn = {T, T, T, T, T, T, T};
    EXPECT_TRUE(WaitUntil([&] { return PolicyWritten(allOn, 0x2); })) << "Enter did not save";
    ExpectPolicyWritten(allOn, 0x2);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(field) == L"B"; }));
    ExpectNoMessageBox();
    EXPECT_TRUE(process.Running());
    EXPECT_EQ(page, VisiblePage());
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(Pages, KeysInPage, ::testing::Values(0, 1, 2));

} // namespace
} // namespace e2e
