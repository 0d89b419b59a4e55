// Works a running Morvex window from the command line, for scripts that take screenshots,
// and prepares the Wine settings the window tests run with:
//   morvex_remote desktop on|off EXE...   run these programs in one Wine virtual desktop
//   morvex_remote wait [SECONDS]           wait until a Morvex window shows (answers nothing)
//   morvex_remote tab N                    click tab button N (0 to 2)
//   morvex_remote lang N                   choose language N (0 English, 1 German, 2 French)
//   morvex_remote boxes                    print the open message boxes and answer them
//   morvex_remote rect                     print the window's place as WxH+X+Y
//   morvex_remote close                    press Cancel and wait until the window is gone
//   morvex_remote desktop-size WxH         the size of that desktop (1024x768 unless set)
//   morvex_remote dpi N                    set the screen's DPI (Wine's LogPixels) for the next
//                                          Wine server; 0 removes the setting (96 DPI)
#include "WindowDriver.h"

#include "resource.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace e2e;

namespace {

// Wine reads these when a program starts: with a named desktop, all its windows live inside
// one desktop window of that size, which closes windows at once even without a window
// manager (a bare X server makes Wine wait about two seconds for every window to close).
int Desktop(bool on, int argc, char** argv)
{
    HKEY desktops = nullptr;
    if (on) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &desktops, nullptr) != ERROR_SUCCESS)
            return 1;
        const wchar_t size[] = L"1024x768";
        RegSetValueExW(desktops, L"MorvexTest", 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof(size));
        RegCloseKey(desktops);
    }
    int status = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string exe = argv[i];
        const std::wstring key = L"Software\\Wine\\AppDefaults\\" + std::wstring(exe.begin(), exe.end()) + L"\\Explorer";
        if (on) {
            HKEY handle = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                                nullptr) != ERROR_SUCCESS) {
                status = 1;
                continue;
            }
            const wchar_t name[] = L"MorvexTest";
            RegSetValueExW(handle, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof(name));
            RegCloseKey(handle);
        } else {
            RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
            // The program's own key too, unless something else of Wine's is set there.
            RegDeleteKeyW(HKEY_CURRENT_USER, key.substr(0, key.size() - std::wstring(L"\\Explorer").size()).c_str());
        }
    }
    return status;
}

struct Found
{
    bool visibleOnly = true;
    HWND window = nullptr;
};

BOOL CALLBACK FindMorvex(HWND window, LPARAM param)
{
    Found& found = *reinterpret_cast<Found*>(param);
    if ((IsWindowVisible(window) || !found.visibleOnly) && IsDialogWindow(window) && !GetWindow(window, GW_OWNER) &&
        GetDlgItem(window, IDC_TABS)) {
        found.window = window;
        return FALSE;
    }
    return TRUE;
}

// The main window; not yet visible too while a message box at the start holds it back.
HWND MorvexWindow(bool visibleOnly = true)
{
    Found found;
    found.visibleOnly = visibleOnly;
    EnumWindows(FindMorvex, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

struct PageSearch
{
    int id;
    HWND page;
};

// A named CALLBACK: a lambda does not convert to the stdcall procedure of 32-bit Windows.
BOOL CALLBACK FindPageWith(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<PageSearch*>(param);
    if (IsDialogWindow(window) && GetDlgItem(window, search->id)) {
        search->page = window;
        return FALSE;
    }
    return TRUE;
}

HWND PageWith(HWND main, int id)
{
    PageSearch search{id, nullptr};
    EnumChildWindows(main, FindPageWith, reinterpret_cast<LPARAM>(&search));
    return search.page;
}

int Fail(const char* message)
{
    fprintf(stderr, "morvex_remote: %s\n", message);
    return 1;
}

int DesktopSize(const std::string& size)
{
    HKEY desktops = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &desktops, nullptr) != ERROR_SUCCESS)
        return Fail("cannot open the desktops key");
    const std::wstring value(size.begin(), size.end());
    const LONG status = RegSetValueExW(desktops, L"MorvexTest", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(desktops);
    return status == ERROR_SUCCESS ? 0 : Fail("cannot write the desktop size");
}

// Wine takes the DPI of its screen from this value when its server starts.
int SetDpi(int dpi)
{
    HKEY desktop = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &desktop,
                        nullptr) != ERROR_SUCCESS)
        return Fail("cannot open Control Panel\\Desktop");
    LONG status = ERROR_SUCCESS;
    if (dpi == 0) {
        status = RegDeleteValueW(desktop, L"LogPixels");
        if (status == ERROR_FILE_NOT_FOUND)
            status = ERROR_SUCCESS;
    } else {
        const DWORD value = static_cast<DWORD>(dpi);
        status = RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof(value));
    }
    RegCloseKey(desktop);
    return status == ERROR_SUCCESS ? 0 : Fail("cannot write LogPixels");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: morvex_remote desktop|wait|tab|lang|boxes|close ...");
    const std::string command = argv[1];
    if (command == "desktop" && argc >= 3)
        return Desktop(std::string(argv[2]) == "on", argc - 3, argv + 3);

    if (command == "desktop-size" && argc >= 3)
        return DesktopSize(argv[2]);
    if (command == "dpi" && argc >= 3)
        return SetDpi(atoi(argv[2]));
    if (command == "wait") {
        const int seconds = argc >= 3 ? atoi(argv[2]) : 60;
        return WaitUntil([] { return MorvexWindow() != nullptr; }, milliseconds(seconds * 1000)) ? 0
                                                                                                 : Fail("no window");
    }
    HWND main = MorvexWindow(command != "boxes");
    if (!main)
        return Fail("no Morvex window");
    const DWORD pid = [main] { DWORD id = 0; GetWindowThreadProcessId(main, &id); return id; }();
    if (command == "tab" && argc >= 3) {
        const int index = atoi(argv[2]);
        static const int markers[] = {IDC_DISABLE_EVERYTHING, IDC_RUN_AUTORUN_INF, IDC_DRIVE_LETTERS};
        if (index < 0 || index > 2)
            return Fail("tab 0 to 2");
        ClickTab(GetDlgItem(main, IDC_TABS), index);
        HWND page = PageWith(main, markers[index]);
        return WaitUntil([page] { return page && IsWindowVisible(page); }, milliseconds(5000)) ? 0
                                                                                              : Fail("page not shown");
    }
    if (command == "lang" && argc >= 3) {
        HWND page = PageWith(main, IDC_LANGUAGE);
        HWND combo = page ? GetDlgItem(page, IDC_LANGUAGE) : nullptr;
        if (!combo)
            return Fail("no language list");
        const std::wstring before = TextOf(main);
        SelectComboItem(combo, atoi(argv[2]));
        Sync(main);
        // The title follows the language (unless the new one has the same text).
        WaitUntil([&] { return TextOf(main) != before; }, milliseconds(2000));
        return 0;
    }
    if (command == "boxes") {
        for (const auto& box : MessageBoxes(pid)) {
            printf("%ls: %ls\n", box.caption.c_str(), box.text.c_str());
            AnswerMessageBox(box.window);
        }
        return 0;
    }
    if (command == "rect") {
        RECT rect{};
        GetWindowRect(main, &rect);
        printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
        return 0;
    }
    if (command == "close") {
        Click(GetDlgItem(main, IDCANCEL));
        return WaitUntil([main] { return !IsWindow(main); }, milliseconds(10000)) ? 0 : Fail("window still open");
    }
    return Fail("unknown command");
}
