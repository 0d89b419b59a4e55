#include "WindowDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <thread>

namespace e2e {

namespace {

// Messages to another process must never hang a test: a window that does not answer within
// this time counts as gone.
constexpr UINT kSendTimeoutMs = 5000 * kTimeScale;

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

DWORD ProcessOf(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

// Memory inside another process, for the messages whose arguments are pointers that
// Windows does not carry across processes (the common controls' own messages).
class RemoteBuffer
{
public:
    RemoteBuffer(HWND window, size_t size) : size(size)
    {
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                              FALSE, ProcessOf(window));
        // The structures differ between 32 and 64 bits, and our address may not fit in the
        // other's pointers: only a process of our own kind gets a buffer.
        BOOL targetWow64 = FALSE, selfWow64 = FALSE;
        if (process && IsWow64Process(process, &targetWow64) && IsWow64Process(GetCurrentProcess(), &selfWow64) &&
            targetWow64 == selfWow64)
            address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer()
    {
        if (address)
            VirtualFreeEx(process, address, 0, MEM_RELEASE);
        if (process)
            CloseHandle(process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool valid() const { return address != nullptr; }
    LPARAM pointer() const { return reinterpret_cast<LPARAM>(address); }
    bool Write(const void* data, size_t bytes)
    {
        SIZE_T written = 0;
        return bytes <= size && WriteProcessMemory(process, address, data, bytes, &written) && written == bytes;
    }
    bool Read(void* data, size_t bytes)
    {
        SIZE_T read = 0;
        return bytes <= size && ReadProcessMemory(process, address, data, bytes, &read) && read == bytes;
    }

private:
    HANDLE process = nullptr;
    void* address = nullptr;
    size_t size;
};

} // namespace

bool WaitUntil(const std::function<bool()>& predicate, milliseconds timeout, milliseconds interval)
{
    const auto end = Clock::now() + timeout * kTimeScale;
    for (;;) {
        if (predicate())
            return true;
        if (Clock::now() >= end)
            return predicate();
        std::this_thread::sleep_for(interval);
    }
}

std::wstring ToWindowsPath(const std::string& path)
{
    std::wstring wide(path.begin(), path.end());
    if (path.empty() || path[0] != '/')
        return wide;
    // Under Wine a Unix path maps to a drive; Wine's own call knows which one.
    using ToDos = WCHAR* (CDECL*)(const char*);
    const auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name")));
    if (toDos) {
        if (WCHAR* dos = toDos(path.c_str())) {
            std::wstring result(dos);
            HeapFree(GetProcessHeap(), 0, dos);
            return result;
        }
    }
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return L"Z:" + wide;
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

Process::~Process()
{
    Kill();
}

bool Process::Start(const std::wstring& exe, const std::wstring& outputFile, const std::wstring& arguments,
                    const std::wstring& errorFile)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const auto create = [&](const std::wstring& file) {
        return CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE output = create(outputFile);
    HANDLE error = errorFile.empty() ? output : create(errorFile);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = error;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    const std::wstring folder = FolderOf(exe);
    const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &info);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (error != output && error != INVALID_HANDLE_VALUE)
        CloseHandle(error);
    if (!started)
        info = PROCESS_INFORMATION{};
    return started != FALSE;
}

bool Process::Running() const
{
    return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Process::WaitForExit(milliseconds timeout)
{
    if (!info.hProcess)
        return STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void Process::Kill()
{
    if (!info.hProcess)
        return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 10000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    info = PROCESS_INFORMATION{};
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window)
{
    if (!window)
        return std::wstring();
    const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(copied, length))));
    return text;
}

bool IsDialogWindow(HWND window)
{
    return ClassOf(window) == L"#32770";
}

namespace {
struct EnumContext
{
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param)
{
    auto* context = reinterpret_cast<EnumContext*>(param);
    if (ProcessOf(window) == context->processId && IsDialogWindow(window) &&
        (!context->visibleOnly || IsWindowVisible(window)))
        context->found.push_back(window);
    return TRUE;
}
} // namespace

std::vector<HWND> TopLevelDialogs(DWORD processId, bool visibleOnly)
{
    EnumContext context{processId, visibleOnly, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

HWND FindMainWindow(DWORD processId, bool visibleOnly)
{
    for (HWND window : TopLevelDialogs(processId, visibleOnly)) {
        // Message boxes and the about box are owned by the main window.
        if (!GetWindow(window, GW_OWNER) && GetDlgItem(window, 0xFFFF) == nullptr)
            return window;
    }
    return nullptr;
}

std::vector<MessageBoxInfo> MessageBoxes(DWORD processId)
{
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : TopLevelDialogs(processId, true)) {
        HWND message = GetDlgItem(window, 0xFFFF);
        if (!message)
            continue;
        boxes.push_back({window, TextOf(window), TextOf(message)});
    }
    return boxes;
}

bool AnswerMessageBox(HWND box, int buttonId)
{
    if (HWND button = GetDlgItem(box, buttonId))
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    return WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); });
}

HWND Item(HWND dialog, int id)
{
    return dialog ? GetDlgItem(dialog, id) : nullptr;
}

int CheckState(HWND button)
{
    return static_cast<int>(SendWithTimeout(button, BM_GETCHECK, 0, 0));
}

int ComboSelection(HWND combo)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return -2;
    return static_cast<int>(static_cast<LRESULT>(result));
}

std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    const LRESULT count = SendWithTimeout(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendWithTimeout(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            break;
        // CB_GETLBTEXT carries its buffer across processes like WM_GETTEXT does.
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = SendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                               reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min(copied, length))));
        items.push_back(text);
    }
    return items;
}

void Click(HWND button)
{
    PostMessageW(button, BM_CLICK, 0, 0);
}

void ClickAt(HWND window, POINT point)
{
    const LPARAM position = MAKELPARAM(point.x, point.y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    PostMessageW(window, WM_LBUTTONUP, 0, position);
}

void ClickCentre(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    ClickAt(window, POINT{(client.left + client.right) / 2, (client.top + client.bottom) / 2});
}

bool SetText(HWND window, const std::wstring& text)
{
    return SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

void TypeText(HWND window, const std::wstring& text)
{
    for (wchar_t c : text)
        PostMessageW(window, WM_CHAR, static_cast<WPARAM>(c), 1);
}

void SelectComboItem(HWND combo, int index)
{
    SendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    const int id = GetDlgCtrlID(combo);
    PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void PressKey(HWND window, UINT virtualKey)
{
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageW(window, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

bool PressKeys(HWND foreground, std::initializer_list<WORD> keys)
{
    if (GetForegroundWindow() != foreground) {
        SetForegroundWindow(foreground);
        WaitUntil([&] { return GetForegroundWindow() == foreground; }, milliseconds(2000));
    }
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        inputs.push_back(input);
    }
    for (auto key = keys.end(); key != keys.begin();) {
        --key;
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(*key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size();
}

void FocusControl(HWND dialog, HWND control)
{
    SendWithTimeout(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

HWND FocusedWindow(DWORD threadId)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(threadId, &info))
        return nullptr;
    return info.hwndFocus;
}

bool TabItemRect(HWND tabControl, int index, RECT& rect)
{
    RemoteBuffer buffer(tabControl, sizeof(RECT));
    if (!buffer.valid())
        return false;
    if (!SendWithTimeout(tabControl, TCM_GETITEMRECT, static_cast<WPARAM>(index), buffer.pointer()))
        return false;
    return buffer.Read(&rect, sizeof(rect));
}

namespace {
// The centre of a tab button found without memory in the other process: the tab control
// answers WM_NCHITTEST with HTCLIENT over a button and HTTRANSPARENT elsewhere, so a scan
// along the button row finds the buttons in order. Works whatever the bitness of either
// process (a pointer into a 32-bit process from a 64-bit one may not fit in 32 bits).
bool TabButtonCentre(HWND tabControl, int index, POINT& centre)
{
    RECT client{};
    GetClientRect(tabControl, &client);
    for (int y = 2; y < std::min<LONG>(client.bottom, 60); y += 4) {
        int found = -1;
        int start = -1;
        for (int x = 0; x <= client.right; ++x) {
            POINT screen{x, y};
            ClientToScreen(tabControl, &screen);
            const bool on = x < client.right &&
                            SendWithTimeout(tabControl, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) == HTCLIENT;
            if (on && start < 0)
                start = x;
            if (!on && start >= 0) {
                if (++found == index) {
                    centre = POINT{(start + x - 1) / 2, y};
                    return true;
                }
                start = -1;
            }
        }
        if (found >= 0)
            return false; // a row of buttons, but not that many
    }
    return false;
}
} // namespace

void ClickTab(HWND tabControl, int index)
{
    RECT rect{};
    POINT centre{};
    if (TabItemRect(tabControl, index, rect) && rect.right > rect.left)
        centre = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    else if (!TabButtonCentre(tabControl, index, centre))
        return;
    const LPARAM position = MAKELPARAM(centre.x, centre.y);
    SendWithTimeout(tabControl, WM_LBUTTONDOWN, MK_LBUTTON, position);
    SendWithTimeout(tabControl, WM_LBUTTONUP, 0, position);
}

int TabItemCount(HWND tabControl)
{
    return static_cast<int>(SendWithTimeout(tabControl, TCM_GETITEMCOUNT, 0, 0));
}

std::wstring TabItemText(HWND tabControl, int index)
{
    // The item description and its text buffer both live in the other process.
    constexpr int kChars = 256;
    struct Layout
    {
        TCITEMW item;
        wchar_t text[kChars];
    };
    RemoteBuffer buffer(tabControl, sizeof(Layout));
    if (!buffer.valid())
        return L"<unreadable>";
    Layout layout{};
    layout.item.mask = TCIF_TEXT;
    layout.item.cchTextMax = kChars;
    layout.item.pszText = reinterpret_cast<wchar_t*>(buffer.pointer() + offsetof(Layout, text));
    if (!buffer.Write(&layout, sizeof(layout)))
        return L"<unreadable>";
    if (!SendWithTimeout(tabControl, TCM_GETITEMW, static_cast<WPARAM>(index), buffer.pointer()))
        return L"<no item>";
    if (!buffer.Read(&layout, sizeof(layout)))
        return L"<unreadable>";
    layout.text[kChars - 1] = L'\0';
    return layout.text;
}

void Sync(HWND window)
{
    // Posted messages are handled before a later sent one only by the target's own loop;
    // a zero-cost sent message after them is the usual way to wait for them.
    SendWithTimeout(window, WM_NULL, 0, 0);
}

Pixels Capture(HWND window)
{
    Pixels pixels;
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        return pixels;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
            GdiFlush();
            pixels.width = width;
            pixels.height = height;
            pixels.data.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
            const auto* source = static_cast<const DWORD*>(bits);
            for (size_t i = 0; i < pixels.data.size(); ++i) {
                const DWORD bgra = source[i];
                pixels.data[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
            }
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool SaveBitmap(const Pixels& pixels, const std::wstring& path)
{
    if (pixels.empty())
        return false;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = pixels.width;
    header.biHeight = -pixels.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD imageBytes = static_cast<DWORD>(pixels.data.size() * 4);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + imageBytes;
    std::vector<DWORD> bgra(pixels.data.size());
    for (size_t i = 0; i < bgra.size(); ++i) {
        const COLORREF c = pixels.data[i];
        bgra[i] = (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
    }
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(handle, &file, sizeof(file), &written, nullptr) &&
              WriteFile(handle, &header, sizeof(header), &written, nullptr) &&
              WriteFile(handle, bgra.data(), imageBytes, &written, nullptr);
    CloseHandle(handle);
    return ok;
}

Hue DominantHue(const Pixels& pixels)
{
    size_t red = 0, green = 0, yellow = 0, other = 0;
    for (COLORREF colour : pixels.data) {
        const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
        const int high = std::max({r, g, b});
        const int low = std::min({r, g, b});
        if (high - low < 60)
            continue; // white, black, grey, and the pale edges of the figures
        if (r > 150 && g > 150 && b < 110)
            ++yellow;
        else if (r >= g + 60 && r >= b + 60)
            ++red;
        else if (g >= r + 40 && g >= b + 40)
            ++green;
        else
            ++other;
    }
    const size_t best = std::max({red, green, yellow, other});
    // A figure has to cover a fair part of its picture; a few coloured pixels are noise.
    if (best < 12)
        return Hue::None;
    if (best == red)
        return Hue::Red;
    if (best == green)
        return Hue::Green;
    if (best == yellow)
        return Hue::Yellow;
    return Hue::Other;
}

const char* HueName(Hue hue)
{
    switch (hue) {
    case Hue::None: return "none";
    case Hue::Red: return "red";
    case Hue::Green: return "green";
    case Hue::Yellow: return "yellow";
    case Hue::Other: return "other";
    }
    return "?";
}

Hue WaitForHue(HWND window, Hue expected, milliseconds timeout)
{
    Hue seen = Hue::None;
    WaitUntil([&] {
        seen = DominantHue(Capture(window));
        return seen == expected;
    }, timeout, milliseconds(50));
    return seen;
}

} // namespace e2e
