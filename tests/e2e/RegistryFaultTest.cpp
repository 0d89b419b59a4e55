// The window when the registry is not as expected: values it cannot read, values of the
// forms older Windows versions wrote, writes that fail, and another program changing the
// policy while the window is open. Each case checks what the window says and shows, and
// every one of the six values afterwards.
#include "MorvexFixture.h"

#include "Accessibility.h"

#include "RegistryTestSupport.h"
#include "resource.h"

#include <cstdlib>

namespace e2e {
namespace {

constexpr bool T = true;
constexpr bool F = false;

const char kUnreadableStatus[] = "The AutoRun state could not be read completely.";
const char kChangedMeanwhile[] = "Another program has changed the AutoRun policy since it was shown. Nothing was "
                                 "saved; the window now shows the current policy.";
// Below it, the value found changed.
const char kCdromServiceNamed[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\cdrom, AutoRun";

// The six values, in the order of PolicyValues().
using Values = std::array<std::optional<RegValue>, 6>;
enum { kMapping, kMachineTypes, kUserTypes, kCdrom, kMachineLetters, kUserLetters };

std::vector<RegSetting> Settings(const Values& values)
{
    std::vector<RegSetting> settings;
    for (size_t i = 0; i < values.size(); ++i) {
        const ValueName& name = PolicyValues()[i];
        if (values[i])
            settings.push_back({name.root, name.key, name.name, *values[i]});
    }
    return settings;
}

std::string Differences(const Values& expected)
{
    std::string differences;
    for (size_t i = 0; i < expected.size(); ++i) {
        const ValueName& name = PolicyValues()[i];
        const std::string actual = Describe(ReadValue(name.root, name.key, name.name));
        if (actual != Describe(expected[i]))
            differences += "value " + std::to_string(i) + ": expected " + Describe(expected[i]) + ", found " +
                           actual + "\n";
    }
    return differences;
}

// The message for a value that cannot be read: hive, key and value name the place to fix, and
// what was found there against what is expected.
const char kBrokenNumberFound[] = "has type REG_BINARY (3 bytes); a REG_DWORD is expected";
std::string QueryFailed(int value, const char* found = kBrokenNumberFound)
{
    const ValueName& name = PolicyValues()[static_cast<size_t>(value)];
    const std::string hive = name.root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    const std::string label = *name.name ? Utf8(name.name) : "(Default)";
    return "Failed to query value. (" + hive + "\\" + Utf8(name.key) + ", " + label + ") : " + found;
}
// The expandable mapping: "@SYS:DoesNotExist" and its null, 36 bytes.
const char kExpandableFound[] = "has type REG_EXPAND_SZ (36 bytes); a REG_SZ is expected";

// The screen after a read that met an unreadable value: what could be read, a status that
// claims nothing, and the lines that the readable values do not decide shown as not known.
Screen Unreadable(const std::array<bool, 7>& fields, const std::string& letters,
                  std::initializer_list<int> unknown = {})
{
    Screen screen = WithUnknownLines(ExpectedScreen(fields, letters), unknown);
    screen.status = kUnreadableStatus;
    screen.statusPicture = Hue::Yellow;
    return screen;
}

enum class Action { Cancel, Save, ClearRemovable, UntickAutorunInf, SelectAll, AddLetterX, DisableEverything };

struct FaultCase
{
    const char* name;
    Values before;
    std::string startError; // empty: the window opens without a message
    Screen shown;
    Action action;
    Values after;
    std::string reloadError; // the read after the save still meets a value it cannot read
};

std::ostream& operator<<(std::ostream& out, const FaultCase& c)
{
    return out << c.name;
}

const std::optional<RegValue> kAbsent;
const RegValue kBrokenNumber = Binary({0x91, 0, 0}); // three bytes: no number
const RegValue kIgnoring = String(kDoesNotExist);
const RegValue kExpandableMapping = String(kDoesNotExist, REG_EXPAND_SZ);
// With a drive-type value unreadable and no readable one switching a type off, none is known.
const std::initializer_list<int> kAllDriveTypes = {1, 2, 3, 4, 5, 6};

class RegistryFault : public MorvexTest, public ::testing::WithParamInterface<FaultCase>
{
};

TEST_P(RegistryFault, TheWindowSaysWhatItReadAndKeepsWhatItCouldNot)
{
    const FaultCase& c = GetParam();
    Apply(Settings(c.before));
    if (c.startError.empty())
        ASSERT_TRUE(Launch());
    else
        ASSERT_TRUE(LaunchThroughError(L"Error", Wide(c.startError)));
    ExpectScreen(c.shown);

    switch (c.action) {
    case Action::Cancel:
        CancelAndExpectExit();
        EXPECT_EQ("", Differences(c.after));
        return;
    case Action::Save:
        break;
    case Action::ClearRemovable:
    case Action::UntickAutorunInf: {
        ASSERT_TRUE(ShowPage(kDriveTypePage));
        HWND box = PageItem(kDriveTypePage, c.action == Action::ClearRemovable ? IDC_REMOVABLE_DRIVES
                                                                                 : IDC_RUN_AUTORUN_INF);
        Click(box);
        ASSERT_TRUE(WaitUntil([&] { return CheckState(box) == BST_UNCHECKED; }));
        break;
    }
    case Action::SelectAll: {
        ASSERT_TRUE(ShowPage(kDriveTypePage));
        Click(PageItem(kDriveTypePage, IDC_SELECT_ALL));
        ASSERT_TRUE(WaitUntil([&] { return CheckState(PageItem(kDriveTypePage, IDC_RAM_DISKS)) == BST_CHECKED; }));
        break;
    }
    case Action::AddLetterX: {
        HWND field = PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS);
        const std::wstring typed = TextOf(field) + L",X";
        SetText(field, typed);
        ASSERT_TRUE(WaitUntil([&] { return TextOf(field) == typed; }));
        break;
    }
    case Action::DisableEverything:
        ASSERT_TRUE(ShowPage(kOverviewPage));
        break;
    }
    Click(c.action == Action::DisableEverything ? PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING)
                                                : Item(main, IDOK));

    EXPECT_TRUE(WaitUntil([&] { return Differences(c.after).empty(); })) << Differences(c.after);
    if (!c.reloadError.empty()) {
        const MessageBoxInfo box = WaitForMessageBox();
        EXPECT_EQ(L"Error", box.caption);
        EXPECT_EQ(c.reloadError, Utf8(box.text));
        if (box.window)
            AnswerMessageBox(box.window);
    }
    ExpectNoMessageBox();
    EXPECT_TRUE(process.Running()) << "saving must not close the window";
    CancelAndExpectExit();
    EXPECT_EQ("", Differences(c.after));
}

// Letters C,E in the machine hive and G in the user hive, the CD-ROM service's AutoRun on,
// and the user's drive types unreadable.
const Values kUserTypesBroken = {kAbsent, kAbsent, kBrokenNumber, Dword(1), Dword(0x14), Dword(0x40)};
const Values kUserLettersBroken = {kAbsent, kAbsent, kAbsent, kAbsent, Dword(0x14), kBrokenNumber};

INSTANTIATE_TEST_SUITE_P(
    Registry, RegistryFault,
    ::testing::Values(
        // Nothing the user did not change is replaced; what was read is saved as always.
        FaultCase{"UserTypesUnreadableSavedUntouched", kUserTypesBroken, QueryFailed(kUserTypes),
                  Unreadable({T, T, T, T, T, T, T}, "C,E,G", kAllDriveTypes), Action::Save,
                  {kAbsent, Dword(0x02), kBrokenNumber, Dword(1), Dword(0x54), Dword(0x54)}, QueryFailed(kUserTypes)},
        FaultCase{"UserTypesUnreadableLetterTyped", kUserTypesBroken, QueryFailed(kUserTypes),
                  Unreadable({T, T, T, T, T, T, T}, "C,E,G", kAllDriveTypes), Action::AddLetterX,
                  {kAbsent, Dword(0x02), kBrokenNumber, Dword(1), Dword(0x800054), Dword(0x800054)},
                  QueryFailed(kUserTypes)},
        // Changing a drive type writes the broken value new: that is the repair. Every drive
        // type the broken value may have switched off, and the user did not change, stays off.
        FaultCase{"UserTypesRepairedByAChange", kUserTypesBroken, QueryFailed(kUserTypes),
                  Unreadable({T, T, T, T, T, T, T}, "C,E,G", kAllDriveTypes), Action::ClearRemovable,
                  {kAbsent, Dword(0xFF), Dword(0xFF), Dword(1), Dword(0x54), Dword(0x54)}, ""},
        // Set from undecided to enabled, a line is the user's choice, though the guess read
        // said the same: written enabled, not off.
        FaultCase{"UserTypesRepairedBySelectAll", kUserTypesBroken, QueryFailed(kUserTypes),
                  Unreadable({T, T, T, T, T, T, T}, "C,E,G", kAllDriveTypes), Action::SelectAll,
                  {kAbsent, Dword(0x02), Dword(0x02), Dword(1), Dword(0x54), Dword(0x54)}, ""},
        FaultCase{"MachineTypesTooLongRepairedByAChange",
                  {kAbsent, RegValue{REG_DWORD, std::vector<BYTE>(8, 0xFF)}, kAbsent, kAbsent, kAbsent, kAbsent},
                  QueryFailed(kMachineTypes, "has type REG_DWORD (8 bytes); a REG_DWORD of 4 bytes is expected"),
                  Unreadable({T, T, T, T, T, T, T}, "", kAllDriveTypes), Action::ClearRemovable,
                  {kAbsent, Dword(0xFF), Dword(0xFF), Dword(1), Dword(0), Dword(0)}, ""},
        FaultCase{"UserTypesRepairedByDisableEverything", kUserTypesBroken, QueryFailed(kUserTypes),
                  Unreadable({T, T, T, T, T, T, T}, "C,E,G", kAllDriveTypes), Action::DisableEverything,
                  {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0x54), Dword(0x54)}, ""},
        // The form older Windows versions wrote: read as the number it holds, saved as REG_DWORD.
        FaultCase{"MachineTypesAsBinary", {kAbsent, Binary({0xFF, 0, 0, 0}), kAbsent, kAbsent, kAbsent, kAbsent}, "",
                  ExpectedScreen({T, F, F, F, F, F, F}, ""), Action::Save,
                  {kAbsent, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0), Dword(0)}, ""},
        FaultCase{"MachineLettersAsBinary", {kAbsent, kAbsent, kAbsent, kAbsent, Binary({0x14, 0, 0, 0}), kAbsent}, "",
                  ExpectedScreen({T, T, T, T, T, T, T}, "C,E"), Action::Save,
                  {kAbsent, Dword(0x02), Dword(0x02), Dword(1), Dword(0x14), Dword(0x14)}, ""},
        // A number two bytes long fills the low bytes, as the system reads it.
        FaultCase{"ShortNumberInUserHive",
                  {kAbsent, kAbsent, RegValue{REG_DWORD, {0x04, 0}}, kAbsent, kAbsent, kAbsent}, "",
                  ExpectedScreen({T, T, F, T, T, T, T}, ""), Action::Save,
                  {kAbsent, Dword(0x06), Dword(0x06), Dword(1), Dword(0), Dword(0)}, ""},
        // Never "safe" over a mapping that could not be read.
        FaultCase{"MappingUnreadableNotCalledSafe",
                  {kExpandableMapping, Dword(0xFF), kAbsent, Dword(0), kAbsent, kAbsent}, QueryFailed(kMapping, kExpandableFound),
                  Unreadable({T, F, F, F, F, F, F}, "", {0}), Action::Save,
                  {kExpandableMapping, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0), Dword(0)},
                  QueryFailed(kMapping, kExpandableFound)},
        FaultCase{"MappingRepairedByUnticking",
                  {kExpandableMapping, Dword(0xFF), kAbsent, Dword(0), kAbsent, kAbsent}, QueryFailed(kMapping, kExpandableFound),
                  Unreadable({T, F, F, F, F, F, F}, "", {0}), Action::UntickAutorunInf,
                  {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0), Dword(0)}, ""},
        // Closing after the error writes nothing.
        FaultCase{"MappingUnreadableCancelled",
                  {kExpandableMapping, Dword(0x95), kAbsent, kAbsent, kAbsent, kAbsent}, QueryFailed(kMapping, kExpandableFound),
                  Unreadable({T, F, F, T, F, T, T}, "", {0}), Action::Cancel,
                  {kExpandableMapping, Dword(0x95), kAbsent, kAbsent, kAbsent, kAbsent}, ""},
        FaultCase{"UserLettersUnreadableCancelled", kUserLettersBroken, QueryFailed(kUserLetters),
                  Unreadable({T, T, T, T, T, T, T}, "C,E"), Action::Cancel, kUserLettersBroken, ""},
        // Disable Everything keeps the letters it could not read.
        FaultCase{"UserLettersUnreadableKeptByDisableEverything", kUserLettersBroken, QueryFailed(kUserLetters),
                  Unreadable({T, T, T, T, T, T, T}, "C,E"), Action::DisableEverything,
                  {kIgnoring, Dword(0xFF), Dword(0xFF), Dword(0), Dword(0x14), kBrokenNumber},
                  QueryFailed(kUserLetters)}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// The user's drive types unreadable; the machine's switch removable and network drives off,
// the CD-ROM service switches CD-ROM off: those lines are known whatever the user's value
// holds, the others are not, and every ball and the status picture say so to a screen reader.
TEST_F(MorvexTest, UndecidedLinesShowAGreyBallAndSaySo)
{
    Apply(Settings({kAbsent, Dword(0x14), kBrokenNumber, Dword(0), kAbsent, kAbsent}));
    ASSERT_TRUE(LaunchThroughError(L"Error", Wide(QueryFailed(kUserTypes))));
    ExpectScreen(Unreadable({T, T, F, T, F, F, T}, "", {1, 3, 6}));

    const char* const names[7] = {"Saved setting: AutoRun enabled",   "Saved setting: could not be read",
                                  "Saved setting: AutoRun off",       "Saved setting: could not be read",
                                  "Saved setting: AutoRun off",       "Saved setting: AutoRun off",
                                  "Saved setting: could not be read"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(names[i], Utf8(AccessibleOf(PageItem(kDriveTypePage, IDC_BALL_RUN_AUTORUN_INF + i)).name)) << i;
    EXPECT_EQ("Status: could not be read completely",
              Utf8(AccessibleOf(PageItem(kOverviewPage, IDC_STATUS_PICTURE)).name));
    // The letters were read: the field is named by its label alone.
    EXPECT_EQ("Additionally auto-run is disabled on the following drive letters:",
              Utf8(AccessibleOf(PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS)).name));
    CancelAndExpectExit();
}

// Letters that could not be read: the field shows what could, and its name says the rest is
// not known.
TEST_F(MorvexTest, UnreadableLettersAreNamedInTheLetterField)
{
    Apply(Settings(kUserLettersBroken));
    ASSERT_TRUE(LaunchThroughError(L"Error", Wide(QueryFailed(kUserLetters))));
    EXPECT_EQ("Additionally auto-run is disabled on the following drive letters: Saved setting: could not be read",
              Utf8(AccessibleOf(PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS)).name));
    CancelAndExpectExit();
}

// Another program changes the policy while the window is open: saving then writes nothing,
// says so, and shows the policy as it now is.
TEST_F(MorvexTest, SaveAfterAnotherProgramChangedThePolicyWritesNothing)
{
    Apply(Settings({kAbsent, Dword(0x91), kAbsent, Dword(1), Dword(0x14), kAbsent}));
    ASSERT_TRUE(Launch());
    const Values meanwhile = {kAbsent, Dword(0x91), kAbsent, Dword(0), Dword(0x14), Dword(0x40)};
    Apply(Settings(meanwhile));

    ASSERT_TRUE(ShowPage(kDriveTypePage));
    HWND removable = PageItem(kDriveTypePage, IDC_REMOVABLE_DRIVES);
    Click(removable);
    ASSERT_TRUE(WaitUntil([&] { return CheckState(removable) == BST_UNCHECKED; }));
    Click(Item(main, IDOK));

    const MessageBoxInfo box = WaitForMessageBox();
    EXPECT_EQ(std::string(kChangedMeanwhile) + "\r\n\r\n" + kCdromServiceNamed, Utf8(box.text));
    if (box.window)
        AnswerMessageBox(box.window);
    EXPECT_EQ("", Differences(meanwhile));
    ExpectScreen(ExpectedScreen({T, F, T, T, F, F, T}, "C,E,G"));
    ExpectNoMessageBox();
    CancelAndExpectExit();
    EXPECT_EQ("", Differences(meanwhile));
}

// A hive whose policy key cannot be created: "policies" made volatile, so that its
// non-volatile Explorer subkey cannot be made. Removed again before the fixture puts the
// registry back.
class UnwritableHive
{
public:
    explicit UnwritableHive(HKEY root) : root(root), before(testreg::Capture(root, kPolicies))
    {
        testreg::DeleteTree(root, kPolicies);
        testreg::CreateKey(root, kPolicies, REG_OPTION_VOLATILE);
    }
    ~UnwritableHive()
    {
        testreg::DeleteTree(root, kPolicies);
        testreg::Restore(root, kPolicies, before);
    }

private:
    static constexpr const wchar_t* kPolicies = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies";
    HKEY root;
    testreg::Tree before;
};

std::string NotStored(const char* hive, const char* value)
{
    return ErrorText((Utf8(kExplorerPolicyKey) + " (" + hive + ", " + value + ")").c_str(),
                     ERROR_CHILD_MUST_BE_VOLATILE);
}

// The user hive's writes fail: the machine's are still made, one box names every value that
// was not stored, the window reads back and stays open.
TEST_F(MorvexTest, FailedSaveNamesWhatWasNotStoredAndReadsBack)
{
    const UnwritableHive user(HKEY_CURRENT_USER);
    ASSERT_TRUE(Launch());
    ASSERT_TRUE(ShowPage(kDriveTypePage));
    HWND removable = PageItem(kDriveTypePage, IDC_REMOVABLE_DRIVES);
    Click(removable);
    ASSERT_TRUE(WaitUntil([&] { return CheckState(removable) == BST_UNCHECKED; }));
    Click(Item(main, IDOK));

    const MessageBoxInfo box = WaitForMessageBox();
    EXPECT_EQ(L"Error", box.caption);
    EXPECT_EQ(NotStored("HKEY_CURRENT_USER", "NoDriveTypeAutoRun") + NotStored("HKEY_CURRENT_USER", "NoDriveAutoRun"),
              Utf8(box.text));
    if (box.window)
        AnswerMessageBox(box.window);
    const Values machineOnly = {kAbsent, Dword(0x06), kAbsent, Dword(1), Dword(0), kAbsent};
    EXPECT_TRUE(WaitUntil([&] { return Differences(machineOnly).empty(); })) << Differences(machineOnly);
    ExpectScreen(ExpectedScreen({T, T, F, T, T, T, T}, ""));
    ExpectNoMessageBox();
    EXPECT_TRUE(process.Running());
    CancelAndExpectExit();
}

// The machine hive's drive types fail, the second write of their pair: the page's own box,
// then the window's reload shows what the registry holds.
TEST_F(MorvexTest, FailedDisableEverythingShowsTheErrorThenReloads)
{
    const UnwritableHive machine(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(Launch());
    Click(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING));

    const MessageBoxInfo box = WaitForMessageBox();
    EXPECT_EQ(L"Error", box.caption);
    EXPECT_EQ(NotStored("HKEY_LOCAL_MACHINE", "NoDriveTypeAutoRun"), Utf8(box.text));
    if (box.window)
        AnswerMessageBox(box.window);
    // Written before the failure: the mapping and the user's drive types.
    const Values written = {kIgnoring, kAbsent, Dword(0xFF), kAbsent, kAbsent, kAbsent};
    EXPECT_EQ("", Differences(written));
    ExpectScreen(ExpectedScreen({F, F, F, F, F, F, F}, ""));
    ExpectNoMessageBox();
    CancelAndExpectExit();
}

// Run with LC_ALL set to a German or French locale (see CMakeLists.txt): the window opens in
// that language with the selector showing it.
TEST_F(MorvexTest, StartsInTheLanguageOfTheUser)
{
    const char* language = std::getenv("MORVEX_TEST_LOCALE_LANGUAGE");
    if (!language)
        GTEST_SKIP() << "needs MORVEX_TEST_LOCALE_LANGUAGE and a matching LC_ALL";
    const std::string code = language;
    const auto strings = LanguageFile(code.c_str());
    ASSERT_TRUE(Launch());
    EXPECT_EQ(Translated(strings, "Morvex by Kestrune"), Utf8(TextOf(main)));
    HWND selector = PageItem(kOverviewPage, IDC_LANGUAGE);
    EXPECT_EQ(code == "de" ? 1 : code == "fr" ? 2 : 0, ComboSelection(selector));
    EXPECT_EQ(code == "de" ? L"Deutsch" : code == "fr" ? L"Francais" : L"English", TextOf(selector));
    EXPECT_EQ(Translated(strings, "Your PC is currently not safe. AutoRun is not controlled."),
              Utf8(TextOf(PageItem(kOverviewPage, IDC_STATUS_TEXT))));
    CancelAndExpectExit();
}

} // namespace
} // namespace e2e
