// Choosing another language re-translates the whole window at once, from the translation
// files beside the program, without reading or writing the registry.
#include "MorvexFixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "MorvexVersion.h"
#include "resource.h"

namespace e2e {
namespace {

const char* const kStatusKey = "Your PC is currently not safe. AutoRun is not controlled.";

struct TextPlace
{
    int page; // -1: the main window
    int id;   // 0: the window's own title
    const char* key;
};

// Where each documented key shows: the main window (page -1, id 0 for its title), a page, a
// tab button (kTab, id = its index), the about box (kAbout, id 0 for its title), the error
// box's caption (kErrorBox) or the system menu (kSystemMenu).
constexpr int kTab = -2;
constexpr int kAbout = -3;
constexpr int kErrorBox = -4;
constexpr int kSystemMenu = -5;

// The documented translation keys and where the window shows each, as the key table that
// translation files are written against gives them: exactly these keys, with their marks.
const TextPlace kDocumentedKeys[] = {
    {-1, 0, "Morvex by Kestrune"},
    {-1, IDOK, "&Save"},
    {-1, IDCANCEL, "&Cancel"},
    {kTab, 0, "Disable AutoRun"},
    {kTab, 1, "by Drive Type"},
    {kTab, 2, "by Drive Letter"},
    {kAbout, 0, "About Morvex"},
    {kSystemMenu, 0, "More security from us online"},
    {kErrorBox, 0, "Error"},
    {kAbout, IDC_VERSION_LINE, "Morvex Version"},
    {kOverviewPage, IDC_DISABLE_EVERYTHING, "Disable Everything and Save"},
    {kOverviewPage, IDC_LANGUAGE_LABEL, "Select language:"},
    {kOverviewPage, IDC_EXPLANATION,
     "AutoRun should be completely disabled on your PC so that removable media like USB Sticks or CD/DVD drives "
     "cannot execute programs automatically. This will protect your PC against malware (e.g. Conficker worm, "
     "Stuxnet etc.) that could infect your computer."},
    {kOverviewPage, IDC_STATUS_TEXT, "Your PC is currently not safe. AutoRun is not controlled."},
    {kOverviewPage, IDC_STATUS_TEXT, "Your PC is not completely safe. AutoRun is not completely disabled."},
    {kOverviewPage, IDC_STATUS_TEXT, "Your PC is safe. AutoRun is disabled."},
    {kDriveTypePage, IDC_RUN_AUTORUN_INF, "Automatically run autorun.inf files"},
    {kDriveTypePage, IDC_DRIVE_TYPE_GROUP, "Autorun status on a drive type basis"},
    {kDriveTypePage, IDC_UNKNOWN_DRIVES, "Enabled for unknown drives"},
    {kDriveTypePage, IDC_REMOVABLE_DRIVES, "Enabled for removable drives"},
    {kDriveTypePage, IDC_FIXED_DRIVES, "Enabled for fixed drives"},
    {kDriveTypePage, IDC_NETWORK_DRIVES, "Enabled for network drives"},
    {kDriveTypePage, IDC_CDROM_DRIVES, "Enabled for CD/DVD-ROM/Blu-ray drives"},
    {kDriveTypePage, IDC_RAM_DISKS, "Enabled for RAM disks"},
    {kDriveTypePage, IDC_SELECT_ALL, "Select all"},
    {kDriveLetterPage, IDC_DRIVE_LETTER_GROUP, "Disable autorun on specific drive letters"},
    {kDriveLetterPage, IDC_DRIVE_LETTER_LABEL, "Additionally auto-run is disabled on the following drive letters:"},
};

// The documented texts that the main window and its pages show at start: every one but the
// tab buttons', the about box's, the error box's and the system menu's, and of the status
// lines the one of an empty policy.
bool InWindow(const TextPlace& place)
{
    return place.page >= -1 && (place.id != IDC_STATUS_TEXT || std::strcmp(place.key, kStatusKey) == 0);
}

// The texts above that name no control and so carry no access key: the title, the
// explanation and the status line.
bool NamesAControl(const TextPlace& place)
{
    return place.id != 0 && place.id != IDC_EXPLANATION && place.id != IDC_STATUS_TEXT;
}

// The access key of a control text: the character after a single '&', in lower case; 0 when
// there is none.
wchar_t AccessKeyOf(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] != L'&') {
            wchar_t key[2] = {text[i + 1], 0};
            CharLowerW(key);
            return key[0];
        }
        ++i;
    }
    return 0;
}

class Language : public MorvexTest, public ::testing::WithParamInterface<LanguageCase>
{
protected:
    HWND Place(const TextPlace& place) const
    {
        if (place.page < 0)
            return place.id ? Item(main, place.id) : main;
        return PageItem(place.page, place.id);
    }

    // Every text of the window and its pages as the language shows it.
    void ExpectTexts(const std::map<std::string, std::string>& strings, const char* code)
    {
        for (const auto& place : kDocumentedKeys) {
            if (place.page == kTab) {
                EXPECT_EQ(Translated(strings, place.key), Utf8(TabItemText(tabs, place.id))) << code << ": " << place.key;
            } else if (InWindow(place)) {
                EXPECT_EQ(Translated(strings, place.key), Utf8(TextOf(Place(place)))) << code << ": " << place.key;
            }
        }
    }

    void Choose(int index, const std::string& title)
    {
        SelectComboItem(PageItem(kOverviewPage, IDC_LANGUAGE), index);
        EXPECT_TRUE(WaitUntil([&] { return Utf8(TextOf(main)) == title; })) << "title " << title;
        Sync(main);
    }

    // Every label, check box and button of the main window and of each page has an access key
    // as the window shows it, none used twice in the main window with one page.
    void ExpectAccessKeys(const char* code)
    {
        for (int page = 0; page < kPageCount; ++page) {
            std::map<wchar_t, std::string> used;
            for (const auto& place : kDocumentedKeys) {
                if (!InWindow(place) || (place.page != -1 && place.page != page) || !NamesAControl(place))
                    continue;
                const std::wstring text = TextOf(Place(place));
                const wchar_t key = AccessKeyOf(text);
                EXPECT_NE(0, key) << code << ": no access key in \"" << Utf8(text) << "\"";
                if (key == 0)
                    continue;
                const auto [it, added] = used.emplace(key, Utf8(text));
                EXPECT_TRUE(added) << code << ", page " << page << ": \"" << Utf8(text) << "\" and \"" << it->second
                                   << "\" share their access key";
            }
        }
    }

    HWND OpenAboutBox()
    {
        PostMessageW(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = nullptr;
        const DWORD pid = process.Id();
        WaitUntil([&] {
            for (HWND window : TopLevelDialogs(pid))
                if (GetDlgItem(window, IDC_VERSION_LINE))
                    about = window;
            return about != nullptr;
        });
        return about;
    }

    void CloseAboutBox(HWND about)
    {
        Click(Item(about, IDOK));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    }
};

TEST_P(Language, EveryTextChangesAtOnceAndNothingIsReadOrWritten)
{
    const LanguageCase& c = GetParam();
    const auto strings = LanguageFile(c.code);
    ASSERT_FALSE(strings.empty()) << "no translations in lang\\" << c.code << ".strings";
    const auto english = LanguageFile("en");

    ASSERT_TRUE(Launch());
    HWND about = OpenAboutBox();
    ASSERT_NE(nullptr, about);
    const std::wstring copyright = TextOf(Item(about, IDC_COPYRIGHT_LINE));
    CloseAboutBox(about);

    // A pending edit, and a registry change behind the program's back: a re-read would
    // show it, a write would undo it.
    HWND letters = PageItem(kDriveLetterPage, IDC_DRIVE_LETTERS);
    SetText(letters, L"q, r");
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0xFF)));
    const RegistrySnapshot before;
    const Pixels englishBanner = Capture(Item(main, IDC_TOP_BANNER));

    Choose(c.index, Translated(strings, "Morvex by Kestrune"));
    ExpectTexts(strings, c.code);
    EXPECT_EQ(c.index, ComboSelection(PageItem(kOverviewPage, IDC_LANGUAGE)));
    const std::vector<std::wstring> languages = {L"English", L"Deutsch", L"Francais"};
    EXPECT_EQ(languages, ComboItems(PageItem(kOverviewPage, IDC_LANGUAGE)));
    EXPECT_EQ(L"q, r", TextOf(letters)) << "the pending letters were lost";
    EXPECT_EQ(BST_CHECKED, CheckState(PageItem(kDriveTypePage, IDC_UNKNOWN_DRIVES))) << "the registry was read again";
    EXPECT_EQ(kOverviewPage, VisiblePage());
    EXPECT_TRUE(WaitUntil([&] { return Capture(Item(main, IDC_TOP_BANNER)).data != englishBanner.data; }))
        << "the top banner did not change";

    about = OpenAboutBox();
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(Translated(strings, "About Morvex"), Utf8(TextOf(about)));
    EXPECT_EQ(Translated(strings, "Morvex Version") + " " MORVEX_VERSION_TEXT, Utf8(TextOf(Item(about, IDC_VERSION_LINE))));
    EXPECT_EQ(copyright, TextOf(Item(about, IDC_COPYRIGHT_LINE)));
    CloseAboutBox(about);

    // Back to English: the keys, with the access keys of the English file.
    Choose(0, "Morvex by Kestrune");
    ExpectTexts(english, "en");
    EXPECT_EQ(L"q, r", TextOf(letters));
    EXPECT_TRUE(WaitUntil([&] { return Capture(Item(main, IDC_TOP_BANNER)).data == englishBanner.data; }))
        << "the English banner did not come back";

    const RegistrySnapshot after;
    EXPECT_TRUE(before == after) << before.Differences(after);
    ExpectNoMessageBox();
    CancelAndExpectExit();
}

class AccessKeys : public Language
{
};

TEST_P(AccessKeys, EveryControlHasOneUniqueInItsPageAndTheAboutEntryKeepsOne)
{
    const LanguageCase& c = GetParam();
    const auto strings = LanguageFile(c.code);
    ASSERT_TRUE(Launch());
    if (c.index != 0)
        Choose(c.index, Translated(strings, "Morvex by Kestrune"));
    ExpectAccessKeys(c.code);
    // The system menu lives in the program's process, out of the driver's reach: its about
    // entry is checked in the catalogue it is relabelled from.
    const std::wstring about = Wide(Translated(strings, "&About Morvex..."));
    EXPECT_NE(0, AccessKeyOf(about)) << c.code << ": \"" << Utf8(about) << "\"";
    CancelAndExpectExit();
}

// An administrator's own en.strings, written against the documented keys, in place of the
// shipped one while it lives; the shipped file comes back afterwards.
class EnglishFileOverride
{
public:
    explicit EnglishFileOverride(const std::vector<const char*>& keys)
        : path(FolderOf(MorvexExe()) + L"\\lang\\en.strings"), shipped(ReadBytes(path))
    {
        std::string text = "# Reworded English texts\n";
        for (const char* key : keys)
            text += std::string("\"") + key + "\" = \"" + Reworded(key) + "\";\n";
        WriteBytes(path, text);
    }
    ~EnglishFileOverride() { WriteBytes(path, shipped); }
    EnglishFileOverride(const EnglishFileOverride&) = delete;
    EnglishFileOverride& operator=(const EnglishFileOverride&) = delete;

    static std::string Reworded(const std::string& key) { return "Reworded: " + key; }

private:
    static std::string ReadBytes(const std::wstring& file)
    {
        std::ifstream in(std::filesystem::path(file), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteBytes(const std::wstring& file, const std::string& bytes)
    {
        std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::wstring path;
    std::string shipped;
};


class EnglishFile : public Language
{
};

TEST_F(EnglishFile, WrittenAgainstTheDocumentedKeysRewordsEveryText)
{
    std::vector<const char*> keys;
    for (const TextPlace& place : kDocumentedKeys)
        keys.push_back(place.key);
    const EnglishFileOverride file(keys);
    const auto shown = [](const char* key) { return EnglishFileOverride::Reworded(key); };

    // Nothing stored: autorun.inf files are honoured, the first of the three status lines.
    ASSERT_TRUE(Launch());
    for (const TextPlace& place : kDocumentedKeys) {
        if (place.id == IDC_STATUS_TEXT)
            continue;
        if (place.page == kTab) {
            EXPECT_EQ(shown(place.key), Utf8(TabItemText(tabs, place.id)));
        } else if (place.page >= -1) {
            EXPECT_EQ(shown(place.key), Utf8(TextOf(Place(place))));
        }
    }
    HWND status = PageItem(kOverviewPage, IDC_STATUS_TEXT);
    EXPECT_EQ(shown("Your PC is currently not safe. AutoRun is not controlled."), Utf8(TextOf(status)));

    HWND about = OpenAboutBox();
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(shown("About Morvex"), Utf8(TextOf(about)));
    EXPECT_EQ(shown("Morvex Version") + " " MORVEX_VERSION_TEXT, Utf8(TextOf(Item(about, IDC_VERSION_LINE))));
    CloseAboutBox(about);

    Click(PageItem(kOverviewPage, IDC_DISABLE_EVERYTHING));
    EXPECT_TRUE(WaitUntil([&] { return Utf8(TextOf(status)) == shown("Your PC is safe. AutoRun is disabled."); }))
        << Utf8(TextOf(status));

    ASSERT_TRUE(ShowPage(kDriveTypePage));
    Click(PageItem(kDriveTypePage, IDC_CDROM_DRIVES));
    Click(Item(main, IDOK));
    EXPECT_TRUE(WaitUntil([&] {
        return Utf8(TextOf(status)) == shown("Your PC is not completely safe. AutoRun is not completely disabled.");
    })) << Utf8(TextOf(status));

    // A change behind the window's back stops the next save with an error box.
    ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun", Dword(0x95)));
    Click(Item(main, IDOK));
    const MessageBoxInfo box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window) << "no error box";
    EXPECT_EQ(shown("Error"), Utf8(box.caption));
    AnswerMessageBox(box.window);
    // The web entry of the system menu lives in the program's process, out of the driver's
    // reach; it is relabelled from the same catalogue as every text above.
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(Languages, AccessKeys,
                         ::testing::Values(LanguageCase{0, "en"}, LanguageCase{1, "de"}, LanguageCase{2, "fr"}),
                         LanguageCaseName);

INSTANTIATE_TEST_SUITE_P(Files, Language, ::testing::Values(LanguageCase{1, "de"}, LanguageCase{2, "fr"}),
                         LanguageCaseName);

} // namespace
} // namespace e2e
