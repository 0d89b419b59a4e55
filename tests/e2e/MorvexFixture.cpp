#include "MorvexFixture.h"

#include "HeldPicture.h"
#include "TextConvert.h"
#include "resource.h"

#include <sstream>

namespace e2e {

namespace {

// A control that only that page has, to tell the pages apart.
constexpr int kPageMarker[kPageCount] = {IDC_DISABLE_EVERYTHING, IDC_RUN_AUTORUN_INF, IDC_DRIVE_LETTERS};

struct PageSearch
{
    std::array<HWND, kPageCount> pages{};
};

BOOL CALLBACK FindPages(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<PageSearch*>(param);
    if (IsDialogWindow(window)) {
        for (int page = 0; page < kPageCount; ++page) {
            if (GetDlgItem(window, kPageMarker[page]) && !search->pages[static_cast<size_t>(page)])
                search->pages[static_cast<size_t>(page)] = window;
        }
    }
    return TRUE;
}

const char* const kStatusTexts[] = {
    "Your PC is currently not safe. AutoRun is not controlled.",
    "Your PC is not completely safe. AutoRun is not completely disabled.",
    "Your PC is safe. AutoRun is disabled.",
};

} // namespace

std::wstring MorvexExe()
{
    return ToWindowsPath(MORVEX_EXE);
}

std::wstring RecorderExe()
{
    return ToWindowsPath(URL_RECORDER_EXE);
}

std::wstring TestOutputFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return FolderOf(path);
}

std::map<std::string, std::string> LanguageFile(const char* code)
{
    return ReadStringsFile(FolderOf(MorvexExe()) + L"\\lang\\" + Wide(code) + L".strings");
}

std::wstring Wide(const std::string& utf8)
{
    return morvex::Utf8ToWide(utf8);
}

std::string Utf8(const std::wstring& wide)
{
    return morvex::WideToUtf8(wide);
}

bool Screen::operator==(const Screen& other) const
{
    return status == other.status && statusPicture == other.statusPicture && checks == other.checks &&
           balls == other.balls && selectAll == other.selectAll && letters == other.letters;
}

std::ostream& operator<<(std::ostream& out, const Screen& screen)
{
    out << "{status \"" << screen.status << "\" picture " << HueName(screen.statusPicture) << ", checks ";
    for (int check : screen.checks)
        out << (check == BST_CHECKED ? 'X' : check == BST_UNCHECKED ? '-' : check == BST_INDETERMINATE ? '?' : '!');
    out << ", balls";
    for (int ball : screen.balls)
        out << ' ' << (ball == IDB_RED_BALL ? "red" : ball == IDB_GREEN_BALL ? "green" : ball == IDB_GREY_BALL ? "grey"
                                                                                                      : std::to_string(ball).c_str());
    out << ", select all " << (screen.selectAll ? "on" : "off") << ", letters \"" << screen.letters << "\"}";
    return out;
}

Screen ExpectedScreen(const std::array<bool, 7>& fields, const std::string& letters)
{
    Screen screen;
    int driveTypes = 0;
    for (size_t i = 1; i < fields.size(); ++i)
        driveTypes += fields[i] ? 1 : 0;
    if (fields[0])
        screen.status = kStatusTexts[0];
    else
        screen.status = driveTypes > 0 ? kStatusTexts[1] : kStatusTexts[2];
    screen.statusPicture = (!fields[0] && driveTypes == 0) ? Hue::Green : Hue::Yellow;
    for (size_t i = 0; i < fields.size(); ++i) {
        screen.checks[i] = fields[i] ? BST_CHECKED : BST_UNCHECKED;
        screen.balls[i] = fields[i] ? IDB_RED_BALL : IDB_GREEN_BALL;
    }
    screen.selectAll = driveTypes == 6;
    screen.letters = letters;
    return screen;
}

Screen WithUnknownLines(Screen screen, std::initializer_list<int> lines)
{
    for (int line : lines) {
        screen.checks[static_cast<size_t>(line)] = BST_INDETERMINATE;
        screen.balls[static_cast<size_t>(line)] = IDB_GREY_BALL;
        if (line != 0)
            screen.selectAll = false;
    }
    return screen;
}

void Apply(const std::vector<RegSetting>& settings)
{
    for (const auto& setting : settings)
        ASSERT_TRUE(WriteValue(setting.root, setting.key, setting.name, setting.value));
}

namespace {
DWORD DriveTypeBits(const std::array<bool, 7>& fields)
{
    DWORD bits = 0xFF;
    const DWORD fieldBits[7] = {0, 0x81, 0x04, 0x08, 0x10, 0x20, 0x40};
    for (size_t i = 1; i < 7; ++i) {
        if (fields[i])
            bits &= ~fieldBits[i];
    }
    return bits;
}

std::vector<std::pair<std::string, std::string>> PolicyComparison(const std::array<bool, 7>& fields, DWORD letterMask)
{
    const auto expected = SavedValues(fields, letterMask);
    std::vector<std::pair<std::string, std::string>> comparison;
    for (size_t i = 0; i < expected.size(); ++i) {
        const ValueName& name = PolicyValues()[i];
        comparison.emplace_back(Describe(expected[i]), Describe(ReadValue(name.root, name.key, name.name)));
    }
    return comparison;
}
} // namespace

const std::vector<RegSetting> kTypical = {
    {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x91)},
    {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveAutoRun", Dword(0x14)},
};
const std::vector<RegSetting> kAllOff = {
    {HKEY_LOCAL_MACHINE, kIniMappingKey, L"", String(kDoesNotExist)},
    {HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0xFF)},
    {HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun", Dword(0)},
};

std::vector<std::optional<RegValue>> SavedValues(const std::array<bool, 7>& fields, DWORD letterMask)
{
    const std::optional<RegValue> mapping =
        fields[0] ? std::nullopt : std::optional<RegValue>(String(kDoesNotExist));
    return {mapping,
            Dword(DriveTypeBits(fields)),
            Dword(DriveTypeBits(fields)),
            Dword(fields[5] ? 1 : 0),
            Dword(letterMask),
            Dword(letterMask)};
}

bool PolicyWritten(const std::array<bool, 7>& fields, DWORD letterMask)
{
    for (const auto& [expected, actual] : PolicyComparison(fields, letterMask)) {
        if (expected != actual)
            return false;
    }
    return true;
}

void ExpectPolicyWritten(const std::array<bool, 7>& fields, DWORD letterMask)
{
    const char* const names[] = {"HKLM mapping", "HKLM NoDriveTypeAutoRun", "HKCU NoDriveTypeAutoRun",
                                 "HKLM cdrom AutoRun", "HKLM NoDriveAutoRun", "HKCU NoDriveAutoRun"};
    const auto comparison = PolicyComparison(fields, letterMask);
    for (size_t i = 0; i < comparison.size(); ++i)
        EXPECT_EQ(comparison[i].first, comparison[i].second) << names[i];
}

void MorvexTest::SetUp()
{
    saved = std::make_unique<RegistrySnapshot>();
    ClearPolicy();
}

void MorvexTest::TearDown()
{
    if (process.Running()) {
        // Close it the way a user would; kill it if that does not work.
        if (main && IsWindow(main))
            PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        process.WaitForExit(milliseconds(5000 * kTimeScale));
        process.Kill();
    }
    if (saved)
        saved->Restore();
}

bool MorvexTest::Start()
{
    const std::wstring exe = MorvexExe();
    const std::wstring output = TestOutputFolder() + L"\\morvex-e2e-output.txt";
    if (!process.Start(exe, output)) {
        ADD_FAILURE() << "cannot start " << Utf8(exe) << ": error " << GetLastError();
        return false;
    }
    return true;
}

bool MorvexTest::FindWindows()
{
    main = FindMainWindow(process.Id());
    tabs = Item(main, IDC_TABS);
    PageSearch search;
    // The window shows with the page on show; the hidden ones follow a moment later.
    WaitUntil([&] {
        search = PageSearch();
        if (tabs)
            EnumChildWindows(main, FindPages, reinterpret_cast<LPARAM>(&search));
        return search.pages[0] && search.pages[1] && search.pages[2];
    }, milliseconds(5000));
    pages = search.pages;
    if (!main || !tabs || !pages[0] || !pages[1] || !pages[2]) {
        ADD_FAILURE() << "windows not found: main " << main << " tabs " << tabs << " pages " << pages[0] << ' '
                      << pages[1] << ' ' << pages[2];
        return false;
    }
    return true;
}

bool MorvexTest::Launch()
{
    if (!Start())
        return false;
    const DWORD pid = process.Id();
    // A 32-bit program under emulation takes about a minute to start.
    WaitUntil([pid] { return FindMainWindow(pid) || !MessageBoxes(pid).empty(); }, milliseconds(30000));
    for (const auto& box : MessageBoxes(pid)) {
        ADD_FAILURE() << "unexpected message box \"" << Utf8(box.caption) << "\": " << Utf8(box.text);
        AnswerMessageBox(box.window);
    }
    if (!WaitUntil([pid] { return FindMainWindow(pid) != nullptr; }, milliseconds(10000))) {
        // Whether the program ended or hangs tells a crash from a start that never finished.
        const DWORD code = process.WaitForExit(milliseconds(0));
        if (code == STILL_ACTIVE)
            ADD_FAILURE() << "the main window did not show; the process still runs";
        else
            ADD_FAILURE() << "the main window did not show; the process ended with exit code 0x" << std::hex << code
                          << std::dec;
        return false;
    }
    return FindWindows();
}

bool MorvexTest::LaunchThroughError(const std::wstring& caption, const std::wstring& text)
{
    if (!Start())
        return false;
    const DWORD pid = process.Id();
    if (!WaitUntil([pid] { return !MessageBoxes(pid).empty() || FindMainWindow(pid); }, milliseconds(30000))) {
        ADD_FAILURE() << "neither a message box nor the window showed";
        return false;
    }
    const auto boxes = MessageBoxes(pid);
    if (boxes.size() != 1) {
        ADD_FAILURE() << "expected one error box before the window, found " << boxes.size();
        return false;
    }
    EXPECT_EQ(Utf8(caption), Utf8(boxes[0].caption));
    EXPECT_EQ(Utf8(text), Utf8(boxes[0].text));
    EXPECT_EQ(nullptr, FindMainWindow(pid)) << "the main window showed before the error was answered";
    EXPECT_TRUE(AnswerMessageBox(boxes[0].window));
    if (!WaitUntil([pid] { return FindMainWindow(pid) != nullptr; }, milliseconds(10000))) {
        ADD_FAILURE() << "the main window did not show after the error";
        return false;
    }
    EXPECT_TRUE(MessageBoxes(pid).empty());
    return FindWindows();
}

int MorvexTest::VisiblePageCount() const
{
    int count = 0;
    for (HWND page : pages)
        count += IsWindowVisible(page) ? 1 : 0;
    return count;
}

int MorvexTest::VisiblePage() const
{
    if (VisiblePageCount() != 1)
        return -1;
    for (int page = 0; page < kPageCount; ++page) {
        if (IsWindowVisible(PageWindow(page)))
            return page;
    }
    return -1;
}

bool MorvexTest::ShowPage(int page)
{
    ClickTab(tabs, page);
    return WaitUntil([this, page] { return VisiblePage() == page; }, milliseconds(5000));
}

DWORD MorvexTest::UiThread() const
{
    return GetWindowThreadProcessId(main, nullptr);
}

Screen MorvexTest::ReadScreen()
{
    Screen screen;
    // The status picture shows some colour; none means it is not painted yet.
    if (ShowPage(kOverviewPage)) {
        HWND picture = PageItem(kOverviewPage, IDC_STATUS_PICTURE);
        WaitUntil([&] { return (screen.statusPicture = DominantHue(Capture(picture))) != Hue::None; },
                  milliseconds(3000), milliseconds(50));
    }
    screen.status = Utf8(TextOf(PageItem(kOverviewPage, IDC_STATUS_TEXT)));
    for (int i = 0; i < 7; ++i) {
        screen.checks[static_cast<size_t>(i)] = CheckState(PageItem(kDriveTypePage, IDC_RUN_AUTORUN_INF + i));
        // Read from the control, shown or not.
        screen.balls[static_cast<size_t>(i)] = HeldBitmap(PageItem(kDriveTypePage, IDC_BALL_RUN_AUTORUN_INF + i));
    }
    screen.selectAll = CheckState(PageItem(kDriveTypePage, IDC_SELECT_ALL)) == BST_CHECKED;
    screen.letters = Utf8(TextOf(PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS)));
    return screen;
}

void MorvexTest::ExpectScreen(const Screen& expected)
{
    Screen seen;
    WaitUntil([&] {
        seen = ReadScreen();
        return seen == expected;
    }, milliseconds(8000), milliseconds(100));
    EXPECT_EQ(expected, seen);
    if (!(expected == seen)) {
        const std::wstring picture = TestOutputFolder() + L"\\morvex-e2e-failure.bmp";
        if (SaveBitmap(Capture(GetDesktopWindow()), picture))
            ADD_FAILURE() << "the screen is in " << Utf8(picture);
    }
}

MessageBoxInfo MorvexTest::WaitForMessageBox(milliseconds timeout)
{
    MessageBoxInfo found;
    const DWORD pid = process.Id();
    WaitUntil([&] {
        const auto boxes = MessageBoxes(pid);
        if (boxes.empty())
            return false;
        found = boxes.front();
        return true;
    }, timeout);
    return found;
}

void MorvexTest::ExpectNoMessageBox()
{
    Sync(main);
    for (const auto& box : MessageBoxes(process.Id())) {
        ADD_FAILURE() << "unexpected message box \"" << Utf8(box.caption) << "\": " << Utf8(box.text);
        AnswerMessageBox(box.window);
    }
}

bool MorvexTest::WaitForExit(DWORD& exitCode, milliseconds timeout)
{
    exitCode = process.WaitForExit(timeout * kTimeScale);
    return exitCode != STILL_ACTIVE;
}

void MorvexTest::CancelAndExpectExit()
{
    Click(Item(main, IDCANCEL));
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(WaitForExit(exitCode)) << "the program did not end after Cancel";
    EXPECT_EQ(0u, exitCode);
}

} // namespace e2e
