// Checks the resources of the Morvex.exe this build produced, read from the file itself: the
// dialog templates item by item, the pictures, the language selector's initialisation data,
// the icon group, the version block, the manifest and the language of every resource.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "MorvexVersion.h"
#include "resource.h"

namespace {

const wchar_t* const kExePath = L"" MORVEX_EXE_PATH;
constexpr WORD kUkEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);
constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kDlgInitType = 240;

class MorvexResources : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_module = LoadLibraryExW(kExePath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite()
    {
        if (s_module != nullptr)
            FreeLibrary(s_module);
        s_module = nullptr;
    }
    void SetUp() override { ASSERT_NE(s_module, nullptr) << "cannot open Morvex.exe: " << GetLastError(); }

    // The bytes of one resource in the given language; empty if there is none.
    static std::vector<BYTE> Bytes(LPCWSTR type, UINT id, WORD language = kUkEnglish)
    {
        HRSRC info = FindResourceExW(s_module, type, MAKEINTRESOURCEW(id), language);
        if (info == nullptr)
            return {};
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(s_module, info)));
        return data ? std::vector<BYTE>(data, data + SizeofResource(s_module, info)) : std::vector<BYTE>();
    }

    static HMODULE s_module;
};

HMODULE MorvexResources::s_module = nullptr;

// ---------------------------------------------------------------- dialog templates

struct Item
{
    std::wstring className; // "Button", "Static", ... or a registered class name
    std::wstring text;      // "#141" for a resource ordinal (the picture of a static)
    int id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

struct Dialog
{
    DWORD style;
    DWORD exStyle;
    short cx, cy;
    std::wstring title;
    WORD pointSize;
    std::wstring font;
    std::vector<Item> items;
};

// Reads a DLGTEMPLATEEX; fails the test on anything it cannot read.
class TemplateReader
{
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}

    Dialog Read()
    {
        Dialog d{};
        EXPECT_EQ(Word(), 1);      // dlgVer
        EXPECT_EQ(Word(), 0xFFFF); // signature of the extended template
        Dword();                   // help id
        d.exStyle = Dword();
        d.style = Dword();
        const WORD count = Word();
        Word();
        Word();
        d.cx = static_cast<short>(Word());
        d.cy = static_cast<short>(Word());
        EXPECT_EQ(NameOrOrdinal(), L"");  // menu
        EXPECT_EQ(NameOrOrdinal(), L"");  // class
        d.title = String();
        if (d.style & DS_SETFONT)
        {
            d.pointSize = Word();
            Word(); // weight
            Byte(); // italic
            Byte(); // character set
            d.font = String();
        }
        for (WORD i = 0; i < count && !m_failed; ++i)
        {
            Align(4);
            Item item{};
            Dword(); // help id
            item.exStyle = Dword();
            item.style = Dword();
            item.x = static_cast<short>(Word());
            item.y = static_cast<short>(Word());
            item.cx = static_cast<short>(Word());
            item.cy = static_cast<short>(Word());
            item.id = static_cast<int>(Dword());
            item.className = ClassName();
            item.text = NameOrOrdinal();
            m_pos += Word(); // creation data
            d.items.push_back(item);
        }
        EXPECT_FALSE(m_failed) << "template ends early";
        return d;
    }

private:
    bool Have(size_t n)
    {
        if (m_pos + n > m_bytes.size())
            m_failed = true;
        return !m_failed;
    }
    BYTE Byte() { return Have(1) ? m_bytes[m_pos++] : 0; }
    WORD Word()
    {
        WORD w = 0;
        if (Have(2))
            std::memcpy(&w, &m_bytes[m_pos], 2), m_pos += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD d = 0;
        if (Have(4))
            std::memcpy(&d, &m_bytes[m_pos], 4), m_pos += 4;
        return d;
    }
    std::wstring String()
    {
        std::wstring s;
        for (WORD c = Word(); c != 0 && !m_failed; c = Word())
            s += static_cast<wchar_t>(c);
        return s;
    }
    std::wstring NameOrOrdinal()
    {
        if (Have(2) && m_bytes[m_pos] == 0xFF && m_bytes[m_pos + 1] == 0xFF)
        {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return String();
    }
    std::wstring ClassName()
    {
        const std::wstring name = NameOrOrdinal();
        static const struct { const wchar_t* ordinal; const wchar_t* name; } kAtoms[] = {
            {L"#128", L"Button"}, {L"#129", L"Edit"}, {L"#130", L"Static"}, {L"#133", L"ComboBox"}};
        for (const auto& atom : kAtoms)
            if (name == atom.ordinal)
                return atom.name;
        return name;
    }
    void Align(size_t n) { m_pos = (m_pos + n - 1) / n * n; }

    const std::vector<BYTE>& m_bytes;
    size_t m_pos = 0;
    bool m_failed = false;
};

std::wstring Ordinal(int id) { return L"#" + std::to_wstring(id); }

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kText = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
// The switches: three-state, set by the page, so that an undecided line can show as such.
constexpr DWORD kSwitch = kChild | WS_TABSTOP | BS_3STATE;
// Pictures keep their control's size, whatever the size of their bitmap.
constexpr DWORD kBall = kChild | SS_BITMAP | SS_CENTERIMAGE;
// Shown only where a policy source sets the value.
constexpr DWORD kHidden = WS_CHILD;
constexpr DWORD kMark = kHidden | SS_BITMAP | SS_CENTERIMAGE;
constexpr DWORD kLink = kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY;
// Pages take part in the main window's keyboard handling.
constexpr DWORD kPage = WS_CHILD | DS_SETFONT | DS_FIXEDSYS | DS_CONTROL;

const std::wstring kExplanation =
    L"AutoRun should be completely disabled on your PC so that removable media like USB Sticks or "
    L"CD/DVD drives cannot execute programs automatically. This will protect your PC against malware "
    L"(e.g. Conficker worm, Stuxnet etc.) that could infect your computer.";

struct TemplateCase
{
    int id;
    Dialog expected;
};

std::vector<TemplateCase> TemplateCases()
{
    return {
        {IDD_ABOUTBOX,
         {DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 235, 55,
          L"About Morvex", 8, L"MS Shell Dlg",
          {
              {L"Static", Ordinal(IDR_MAINFRAME), IDC_STATIC, kChild | SS_ICON, 0, 11, 17, 20, 20},
              {L"Static", L"Morvex Version " MORVEX_VERSION_TEXT, IDC_VERSION_LINE, kText | SS_NOPREFIX, 0, 40, 10, 135, 8},
              {L"Static", L"Copyright (C) 2026 Kestrune", IDC_COPYRIGHT_LINE, kText, 0, 40, 25, 188, 8},
              {L"Button", L"OK", IDOK, kChild | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 178, 7, 50, 16},
          }}},
        {IDD_MORVEX_DIALOG,
         {DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
              WS_MINIMIZEBOX,
          WS_EX_APPWINDOW, 333, 279, L"Morvex by Kestrune", 8, L"MS Shell Dlg",
          {
              {L"Static", Ordinal(IDB_TOP_BANNER_EN), IDC_TOP_BANNER, kLink, 0, 0, 0, 333, 62},
              {L"Button", L"&Save", IDOK, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 111, 237, 103, 16},
              {L"Button", L"&Cancel", IDCANCEL, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 217, 236, 103, 16},
              {L"SysTabControl32", L"", IDC_TABS, kChild | TCS_BUTTONS, WS_EX_TRANSPARENT | WS_EX_CONTROLPARENT, 0, 63,
               333, 171},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_RESOURCES_ICON, kLink, 0, 310, 262, 13, 12},
              {L"Static", Ordinal(IDB_BOTTOM_BANNER_EN), IDC_BOTTOM_BANNER, kLink, 0, 7, 253, 153, 25},
          }}},
        {IDD_DISABLE_AUTORUN_TAB,
         {kPage, 0, 333, 190, L"", 8, L"MS Shell Dlg",
          {
              {L"Button", L"Disable Everything && Save", IDC_DISABLE_EVERYTHING, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0,
               109, 119, 115, 16},
              {L"ComboBox", L"", IDC_LANGUAGE, kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 134, 140, 55, 36},
              {L"Static", L"Select language:", IDC_LANGUAGE_LABEL, kText, 0, 25, 142, 104, 8},
              {L"Static", kExplanation, IDC_EXPLANATION, kText, 0, 29, 19, 275, 43},
              {L"Static", Ordinal(IDB_WARNING), IDC_STATUS_PICTURE, kBall, 0, 29, 66, 20, 18},
              // Two lines tall: the French status text does not fit on one.
              {L"Static", L"Your PC is currently not safe. AutoRun is not controlled.", IDC_STATUS_TEXT, kText, 0, 61,
               71, 250, 17},
              // Hidden until a policy source sets a value: the "i", three lines of text, Details.
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MANAGED_PICTURE, kHidden | SS_BITMAP | SS_CENTERIMAGE, 0, 29, 91,
               13, 12},
              {L"Static", L"", IDC_MANAGED_TEXT, kHidden | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0, 61, 90, 184, 26},
              {L"Button", L"Details...", IDC_MANAGED_DETAILS, kHidden | WS_TABSTOP | BS_PUSHBUTTON, 0, 248, 91, 63, 14},
          }}},
        {IDD_BY_DRIVE_TYPE_TAB,
         {kPage, 0, 333, 190, L"", 8, L"MS Shell Dlg",
          {
              {L"Button", L"Autorun status on a drive type basis", IDC_DRIVE_TYPE_GROUP, kChild | BS_GROUPBOX, 0, 65, 28,
               217, 122},
              {L"Button", L"Enabled for removable drives", IDC_REMOVABLE_DRIVES, kSwitch, 0, 88, 45, 184, 10},
              {L"Button", L"Enabled for fixed drives", IDC_FIXED_DRIVES, kSwitch, 0, 88, 73, 184, 10},
              {L"Button", L"Enabled for network drives", IDC_NETWORK_DRIVES, kSwitch, 0, 88, 87, 184, 10},
              {L"Button", L"Enabled for CD/DVD-ROM/Blu-ray drives", IDC_CDROM_DRIVES, kSwitch, 0, 88, 59, 184, 10},
              {L"Button", L"Enabled for RAM disks", IDC_RAM_DISKS, kSwitch, 0, 88, 101, 184, 10},
              {L"Button", L"Select all", IDC_SELECT_ALL, kCheck, 0, 88, 136, 184, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_RUN_AUTORUN_INF, kBall, 0, 71, 13, 11, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_REMOVABLE_DRIVES, kBall, 0, 71, 45, 11, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_FIXED_DRIVES, kBall, 0, 71, 73, 11, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_NETWORK_DRIVES, kBall, 0, 71, 87, 11, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_CDROM_DRIVES, kBall, 0, 71, 59, 11, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_RAM_DISKS, kBall, 0, 71, 101, 11, 10},
              {L"Button", L"Automatically run autorun.inf files", IDC_RUN_AUTORUN_INF, kSwitch, 0, 88, 13, 184, 10},
              {L"Button", L"Enabled for unknown drives", IDC_UNKNOWN_DRIVES, kSwitch, 0, 88, 115, 184, 10},
              {L"Static", Ordinal(IDB_GREEN_BALL), IDC_BALL_UNKNOWN_DRIVES, kBall, 0, 71, 115, 11, 10},
              // The marks of managed lines, hidden until a policy source sets the line's value.
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_RUN_AUTORUN_INF, kMark, 0, 53, 13, 11, 10},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_REMOVABLE_DRIVES, kMark, 0, 53, 45, 11, 10},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_CDROM_DRIVES, kMark, 0, 53, 59, 11, 10},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_FIXED_DRIVES, kMark, 0, 53, 73, 11, 10},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_NETWORK_DRIVES, kMark, 0, 53, 87, 11, 10},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_RAM_DISKS, kMark, 0, 53, 101, 11, 10},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_UNKNOWN_DRIVES, kMark, 0, 53, 115, 11, 10},
          }}},
        {IDD_BY_DRIVE_LETTER_TAB,
         {kPage, 0, 333, 190, L"", 8, L"MS Shell Dlg",
          {
              {L"Button", L"Disable autorun on specific drive letters", IDC_DRIVE_LETTER_GROUP, kChild | BS_GROUPBOX, 0,
               15, 34, 303, 83},
              {L"Static", L"Additionally auto-run is disabled on the following drive letters:", IDC_DRIVE_LETTER_LABEL,
               kText, 0, 25, 57, 213, 19},
              {L"Edit", L"", IDC_DRIVE_LETTERS, kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 25, 81,
               265, 14},
              {L"Static", Ordinal(IDB_RESOURCES), IDC_MARK_DRIVE_LETTERS, kMark, 0, 295, 83, 11, 10},
          }}},
    };
}

TEST_F(MorvexResources, DialogTemplatesHoldTheirControlsInOrder)
{
    for (const TemplateCase& c : TemplateCases())
    {
        SCOPED_TRACE("template " + std::to_string(c.id));
        const std::vector<BYTE> bytes = Bytes(RT_DIALOG, c.id);
        ASSERT_FALSE(bytes.empty());
        const Dialog got = TemplateReader(bytes).Read();
        const Dialog& want = c.expected;
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.exStyle, want.exStyle);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.title, want.title);
        EXPECT_EQ(got.pointSize, want.pointSize);
        EXPECT_EQ(got.font, want.font);
        ASSERT_EQ(got.items.size(), want.items.size());
        for (size_t i = 0; i < want.items.size(); ++i)
        {
            const Item& g = got.items[i];
            const Item& w = want.items[i];
            SCOPED_TRACE("item " + std::to_string(i) + ", id " + std::to_string(w.id));
            EXPECT_EQ(g.id, w.id);
            // Class names are case-insensitive; windres writes them in capitals.
            EXPECT_EQ(_wcsicmp(g.className.c_str(), w.className.c_str()), 0)
                << std::string(g.className.begin(), g.className.end());
            EXPECT_EQ(g.text, w.text);
            EXPECT_EQ(g.style, w.style) << std::hex << (g.style ^ w.style) << " differs";
            EXPECT_EQ(g.exStyle, w.exStyle);
            EXPECT_EQ(g.x, w.x);
            EXPECT_EQ(g.y, w.y);
            EXPECT_EQ(g.cx, w.cx);
            EXPECT_EQ(g.cy, w.cy);
        }
    }
}

TEST_F(MorvexResources, LanguageSelectorItemsAreTheDialogInitData)
{
    // id 1023, message 0x0403, 32-bit length, text with its zero, no padding; a zero word ends it.
    std::vector<BYTE> want;
    auto item = [&want](const char* text) {
        const DWORD length = static_cast<DWORD>(std::strlen(text) + 1);
        const BYTE head[] = {0xFF, 0x03, 0x03, 0x04, BYTE(length), 0, 0, 0};
        want.insert(want.end(), head, head + sizeof head);
        want.insert(want.end(), text, text + length);
    };
    item("English");
    item("Deutsch");
    item("Francais");
    want.push_back(0);
    want.push_back(0);
    EXPECT_EQ(Bytes(MAKEINTRESOURCEW(kDlgInitType), IDD_DISABLE_AUTORUN_TAB), want);
}

// ---------------------------------------------------------------- pictures

TEST_F(MorvexResources, BitmapsHaveTheirSizeAndDepth)
{
    struct Case
    {
        int id;
        LONG width, height;
        WORD bits;
    };
    const Case cases[] = {
        {IDB_TOP_BANNER_DE, 500, 101, 24},   {IDB_TOP_BANNER_EN, 500, 101, 24},  {IDB_TOP_BANNER_FR, 500, 101, 24},
        {IDB_BOTTOM_BANNER_FR, 230, 40, 24}, {IDB_BOTTOM_BANNER_DE, 230, 40, 24}, {IDB_BOTTOM_BANNER_EN, 230, 40, 24},
        {IDB_RESOURCES, 20, 20, 24},         {IDB_WARNING, 30, 30, 32},           {IDB_TICK, 30, 30, 32},
        {IDB_RED_BALL, 16, 16, 32},          {IDB_GREEN_BALL, 16, 16, 32},        {IDB_GREY_BALL, 16, 16, 32},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("bitmap " + std::to_string(c.id));
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageW(s_module, MAKEINTRESOURCEW(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
        EXPECT_EQ(dib.dsBm.bmWidth, c.width);
        EXPECT_EQ(dib.dsBm.bmHeight, c.height);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, c.bits);
        DeleteObject(bitmap);
    }
}

// The status pictures and the balls are drawn by AlphaBlend in the static control: their
// colours must be premultiplied (never above the alpha), the corners transparent and the
// middle of the figure opaque, or the control shows dark fringes or a box.
TEST_F(MorvexResources, AlphaPicturesArePremultipliedAndTransparentOutside)
{
    for (int id : {IDB_WARNING, IDB_TICK, IDB_RED_BALL, IDB_GREEN_BALL, IDB_GREY_BALL})
    {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        const std::vector<BYTE> bytes = Bytes(RT_BITMAP, id);
        ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof header);
        ASSERT_EQ(header.biBitCount, 32);
        ASSERT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const LONG width = header.biWidth;
        const LONG height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
        ASSERT_EQ(bytes.size(), header.biSize + static_cast<size_t>(width * height * 4));
        const BYTE* pixels = bytes.data() + header.biSize;
        auto alphaAt = [&](LONG x, LONG y) { return pixels[(y * width + x) * 4 + 3]; };
        EXPECT_EQ(alphaAt(0, 0), 0);
        EXPECT_EQ(alphaAt(width - 1, height - 1), 0);
        int notPremultiplied = 0;
        for (LONG i = 0; i < width * height; ++i)
        {
            const BYTE* p = pixels + i * 4;
            if (p[0] > p[3] || p[1] > p[3] || p[2] > p[3])
                ++notPremultiplied;
        }
        EXPECT_EQ(notPremultiplied, 0);
    }
    // Centres: the middle of each ball, the stem of the exclamation mark, the tick's corner.
    const struct { int id; LONG x, y; } opaque[] = {{IDB_RED_BALL, 8, 8}, {IDB_GREEN_BALL, 8, 8}, {IDB_GREY_BALL, 8, 8}, {IDB_WARNING, 15, 14}, {IDB_TICK, 12, 7}};
    for (const auto& o : opaque)
    {
        const std::vector<BYTE> bytes = Bytes(RT_BITMAP, o.id);
        ASSERT_FALSE(bytes.empty());
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof header);
        EXPECT_EQ(bytes[header.biSize + (o.y * header.biWidth + o.x) * 4 + 3], 255) << "bitmap " << o.id;
    }
}

// The balls tell the state by their shape too: the white marks on them (a cross, a tick and a
// question mark) cover different pixels, so that they differ without their colours.
TEST_F(MorvexResources, BallsDifferInShapeAsWellAsColour)
{
    auto whiteMarks = [&](int id) {
        const std::vector<BYTE> bytes = Bytes(RT_BITMAP, id);
        std::vector<bool> mark;
        if (bytes.size() < sizeof(BITMAPINFOHEADER))
            return mark;
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof header);
        const size_t count = static_cast<size_t>(header.biWidth) * static_cast<size_t>(std::abs(header.biHeight));
        for (size_t i = 0; i < count && header.biSize + i * 4 + 3 < bytes.size(); ++i)
        {
            const BYTE* p = bytes.data() + header.biSize + i * 4;
            mark.push_back(p[3] > 200 && p[0] > 190 && p[1] > 190 && p[2] > 190);
        }
        return mark;
    };
    const std::pair<int, int> pairs[] = {
        {IDB_RED_BALL, IDB_GREEN_BALL}, {IDB_RED_BALL, IDB_GREY_BALL}, {IDB_GREEN_BALL, IDB_GREY_BALL}};
    for (const auto& [first, second] : pairs)
    {
        SCOPED_TRACE("bitmaps " + std::to_string(first) + " and " + std::to_string(second));
        const std::vector<bool> one = whiteMarks(first);
        const std::vector<bool> other = whiteMarks(second);
        ASSERT_EQ(one.size(), other.size());
        int onEither = 0;
        int differ = 0;
        for (size_t i = 0; i < one.size(); ++i)
        {
            onEither += (one[i] || other[i]) ? 1 : 0;
            differ += one[i] != other[i] ? 1 : 0;
        }
        EXPECT_GE(onEither, 20) << "the balls carry no white mark";
        EXPECT_GE(differ * 2, onEither) << "the marks cover mostly the same pixels";
    }
}

TEST_F(MorvexResources, IconGroupHoldsThirteenImages)
{
    const std::vector<BYTE> group = Bytes(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_GE(group.size(), 6u);
    WORD count;
    std::memcpy(&count, &group[4], 2);
    const struct { int size; WORD bits; } want[] = {
        {48, 4}, {32, 4}, {24, 4}, {16, 4}, {48, 8}, {32, 8}, {24, 8}, {16, 8},
        {256, 32}, {48, 32}, {32, 32}, {24, 32}, {16, 32}};
    ASSERT_EQ(count, 13);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    for (WORD i = 0; i < count; ++i)
    {
        const BYTE* entry = &group[6 + 14 * i];
        WORD bits, imageId;
        std::memcpy(&bits, entry + 6, 2);
        std::memcpy(&imageId, entry + 12, 2);
        EXPECT_EQ(entry[0] == 0 ? 256 : entry[0], want[i].size) << "image " << i;
        EXPECT_EQ(bits, want[i].bits) << "image " << i;
        EXPECT_FALSE(Bytes(RT_ICON, imageId).empty()) << "image " << i;
    }
    HICON icon = static_cast<HICON>(LoadImageW(s_module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon)
        DestroyIcon(icon);
}

// ---------------------------------------------------------------- texts, version, manifest

TEST_F(MorvexResources, AboutEntryString)
{
    wchar_t text[64] = {};
    ASSERT_GT(LoadStringW(s_module, IDS_ABOUTBOX, text, 64), 0);
    EXPECT_STREQ(text, L"&About Morvex...");
}

TEST_F(MorvexResources, VersionBlock)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kExePath, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(kExePath, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(MORVEX_VERSION_MINOR, MORVEX_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(MORVEX_VERSION_TWEAK, MORVEX_VERSION_PATCH));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(MORVEX_VERSION_MINOR, MORVEX_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(MORVEX_VERSION_TWEAK, MORVEX_VERSION_PATCH));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    const struct { const wchar_t* name; const wchar_t* value; } strings[] = {
        {L"CompanyName", L"Kestrune"},
        {L"FileDescription", L"Morvex"},
        {L"FileVersion", L"" MORVEX_VERSION_COMMA_TEXT},
        {L"InternalName", L"Morvex.exe"},
        {L"LegalCopyright", L"Copyright (C) 2026 Kestrune"},
        {L"OriginalFilename", L"Morvex.exe"},
        {L"ProductName", L"Morvex by Kestrune"},
        {L"ProductVersion", L"" MORVEX_VERSION_COMMA_TEXT},
    };
    for (const auto& s : strings)
    {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080904b0\\") + s.name;
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) << s.name;
        EXPECT_STREQ(value, s.value);
    }
}

TEST_F(MorvexResources, ManifestAsksForAdministratorCommonControls6AndPerMonitorDpi)
{
    const std::vector<BYTE> bytes = Bytes(RT_MANIFEST, 1, kUsEnglish);
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* part : {"level=\"requireAdministrator\"", "name=\"Microsoft.Windows.Common-Controls\"",
                             "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"",
                             "version=\"1.0.0.0\" processorArchitecture=",
                             "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
                             "PerMonitor</dpiAwareness>",
                             "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    // The product names x86; a 64-bit build names no processor, since the x86 controls
    // cannot load into a 64-bit process.
    const char* architecture = sizeof(void*) == 4 ? "processorArchitecture=\"x86\"" : "processorArchitecture=\"*\"";
    EXPECT_NE(manifest.find(architecture), std::string::npos) << architecture;
}

// The run level a program's manifest asks for, as the loader reads it: through an activation
// context made from the manifest resource. 0 when it cannot be read.
DWORD RunLevelOf(const wchar_t* exePath)
{
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = exePath;
    context.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    const HANDLE handle = CreateActCtxW(&context);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    SIZE_T size = 0;
    const BOOL read = QueryActCtxW(0, handle, nullptr, RunlevelInformationInActivationContext, &level, sizeof(level),
                                   &size);
    ReleaseActCtx(handle);
    return read ? static_cast<DWORD>(level.RunLevel) : 0;
}

// The window asks for administrator rights; MorvexCtl runs as the one who starts it, so that
// scripts, scheduled tasks and monitoring agents get its output and exit code.
TEST(MorvexCtlResources, RunLevels)
{
    EXPECT_EQ(static_cast<DWORD>(ACTCTX_RUN_LEVEL_REQUIRE_ADMIN), RunLevelOf(kExePath));
    EXPECT_EQ(static_cast<DWORD>(ACTCTX_RUN_LEVEL_AS_INVOKER), RunLevelOf(L"" MORVEX_CTL_EXE_PATH));
}

// MorvexCtl.exe carries the same version; its manifest names asInvoker.
TEST(MorvexCtlResources, SameVersionAsMorvexAndAsInvokerManifest)
{
    const wchar_t* const ctlPath = L"" MORVEX_CTL_EXE_PATH;
    const auto versionBlock = [](const wchar_t* path) {
        DWORD ignored = 0;
        std::vector<BYTE> block(GetFileVersionInfoSizeW(path, &ignored));
        if (block.empty() || !GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()))
            block.clear();
        return block;
    };
    const std::vector<BYTE> morvex = versionBlock(kExePath);
    const std::vector<BYTE> ctl = versionBlock(ctlPath);
    ASSERT_FALSE(morvex.empty());
    ASSERT_FALSE(ctl.empty());
    VS_FIXEDFILEINFO* morvexFixed = nullptr;
    VS_FIXEDFILEINFO* ctlFixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(morvex.data(), L"\\", reinterpret_cast<void**>(&morvexFixed), &length));
    ASSERT_TRUE(VerQueryValueW(ctl.data(), L"\\", reinterpret_cast<void**>(&ctlFixed), &length));
    EXPECT_EQ(morvexFixed->dwFileVersionMS, ctlFixed->dwFileVersionMS);
    EXPECT_EQ(morvexFixed->dwFileVersionLS, ctlFixed->dwFileVersionLS);
    EXPECT_EQ(morvexFixed->dwProductVersionMS, ctlFixed->dwProductVersionMS);
    EXPECT_EQ(morvexFixed->dwProductVersionLS, ctlFixed->dwProductVersionLS);
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"CompanyName"})
    {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080904b0\\") + name;
        wchar_t* morvexValue = nullptr;
        wchar_t* ctlValue = nullptr;
        ASSERT_TRUE(VerQueryValueW(morvex.data(), path.c_str(), reinterpret_cast<void**>(&morvexValue), &length));
        ASSERT_TRUE(VerQueryValueW(ctl.data(), path.c_str(), reinterpret_cast<void**>(&ctlValue), &length)) << name;
        EXPECT_STREQ(morvexValue, ctlValue) << name;
    }

    const HMODULE module = LoadLibraryExW(ctlPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    ASSERT_NE(loaded, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    FreeLibrary(module);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param)
{
    auto* seen = reinterpret_cast<std::vector<std::wstring>*>(param);
    const std::wstring typeText = IS_INTRESOURCE(type) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(type)) : type;
    const std::wstring nameText = IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
    seen->push_back(typeText + L"/" + nameText + L"/" + std::to_wstring(language));
    return TRUE;
}

BOOL CALLBACK CollectNames(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    EnumResourceLanguagesW(module, type, name, CollectLanguage, param);
    return TRUE;
}

BOOL CALLBACK CollectTypes(HMODULE module, LPWSTR type, LONG_PTR param)
{
    EnumResourceNamesW(module, type, CollectNames, param);
    return TRUE;
}

// Every resource is in UK English, except the manifest, which is in US English; no resource
// exists twice in two languages.
TEST_F(MorvexResources, EveryResourceHasItsLanguage)
{
    std::vector<std::wstring> seen;
    EnumResourceTypesW(s_module, CollectTypes, reinterpret_cast<LONG_PTR>(&seen));
    ASSERT_GE(seen.size(), 30u);
    const std::wstring manifest = std::to_wstring(reinterpret_cast<ULONG_PTR>(RT_MANIFEST)) + L"/1/";
    for (const std::wstring& entry : seen)
    {
        const bool isManifest = entry.compare(0, manifest.size(), manifest) == 0;
        const std::wstring language = entry.substr(entry.rfind(L'/') + 1);
        EXPECT_EQ(language, std::to_wstring(isManifest ? kUsEnglish : kUkEnglish)) << std::string(entry.begin(), entry.end());
    }
}

} // namespace
