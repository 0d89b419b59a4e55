#pragma once
// Drives another process's windows from outside, the way a user would: through posted mouse
// and keyboard messages, and by reading what the windows show (texts, check states, the
// colours on screen). Nothing here links against the program under test.

#include <windows.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A 32-bit build of the driver and the program runs emulated on hosts without native
// 32-bit execution, many times slower: every wait is stretched by this factor there.
constexpr int kTimeScale = sizeof(void*) == 4 ? 6 : 1;

// Polls until the predicate holds or the time is up (timeout times kTimeScale); returns the
// predicate's last answer.
bool WaitUntil(const std::function<bool()>& predicate, milliseconds timeout = milliseconds(10000),
               milliseconds interval = milliseconds(20));

// A Windows path for a file name that may be a Unix path (CMake hands us those under Wine).
std::wstring ToWindowsPath(const std::string& path);
std::wstring FolderOf(const std::wstring& path);

// A program started by the driver. The destructor kills it if it still runs: a test must
// never leave a window behind.
class Process
{
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts exe in its own folder with stdout and stderr going to outputFile (stderr to
    // errorFile when one is given); arguments, if any, follow the quoted exe on the command line.
    bool Start(const std::wstring& exe, const std::wstring& outputFile, const std::wstring& arguments = L"",
               const std::wstring& errorFile = L"");
    DWORD Id() const { return info.dwProcessId; }
    bool Running() const;
    // The exit code once the process has ended within the timeout; STILL_ACTIVE otherwise.
    DWORD WaitForExit(milliseconds timeout);
    void Kill();

private:
    PROCESS_INFORMATION info{};
};

// Window queries, all limited to the windows of one process.
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
bool IsDialogWindow(HWND window);
// Visible top-level dialogs (class #32770) of the process, in Z order.
std::vector<HWND> TopLevelDialogs(DWORD processId, bool visibleOnly = true);
// The main window: a top-level dialog of the process that nobody owns.
HWND FindMainWindow(DWORD processId, bool visibleOnly = true);

// A message box of the process: its caption and the text of its message (static 0xFFFF).
struct MessageBoxInfo
{
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};
// The message boxes shown by the process right now.
std::vector<MessageBoxInfo> MessageBoxes(DWORD processId);
// Presses the box's button (IDOK by default) and waits until the box is gone.
bool AnswerMessageBox(HWND box, int buttonId = IDOK);

// Control access from outside.
HWND Item(HWND dialog, int id);
int CheckState(HWND button);                  // BM_GETCHECK
int ComboSelection(HWND combo);               // CB_GETCURSEL
std::vector<std::wstring> ComboItems(HWND combo);
void Click(HWND button);                      // posted BM_CLICK
void ClickAt(HWND window, POINT clientPoint); // posted left press and release
void ClickCentre(HWND window);
bool SetText(HWND window, const std::wstring& text); // WM_SETTEXT, as a paste would
void TypeText(HWND window, const std::wstring& text); // posted WM_CHAR per character
// Chooses a combo item as the user would: selection, then the notification to its parent.
void SelectComboItem(HWND combo, int index);
void PressKey(HWND window, UINT virtualKey); // posted key down and key up
// Real key presses through the system's input (SendInput), as a user's: the window is
// brought to the front first, the keys are pressed in order and released in reverse order
// (PressKeys(w, {VK_CONTROL, VK_TAB}) is Ctrl+Tab). false when the input was not taken.
bool PressKeys(HWND foreground, std::initializer_list<WORD> keys);
// Moves the keyboard focus to a control of a dialog (the dialog's own WM_NEXTDLGCTL).
void FocusControl(HWND dialog, HWND control);
HWND FocusedWindow(DWORD threadId);
// The rectangle of a tab item, in the tab control's client coordinates (read from the
// other process through memory of its own).
bool TabItemRect(HWND tabControl, int index, RECT& rect);
// Sent rather than posted: the tab control handles it at once and opens no box, so the
// click is done when this returns.
void ClickTab(HWND tabControl, int index);
std::wstring TabItemText(HWND tabControl, int index);
int TabItemCount(HWND tabControl);
// Sends a message and waits until the target has handled everything posted before it.
void Sync(HWND window);

// What the screen shows inside a window: the colours of its pixels.
struct Pixels
{
    int width = 0;
    int height = 0;
    std::vector<COLORREF> data; // row by row
    bool empty() const { return data.empty(); }
};
Pixels Capture(HWND window);
// Writes the pixels as a .bmp file, for looking at a failure afterwards.
bool SaveBitmap(const Pixels& pixels, const std::wstring& path);
// The dominant colour family of a picture, ignoring white, black, greys and the few pixels
// of antialiasing.
enum class Hue { None, Red, Green, Yellow, Other };
Hue DominantHue(const Pixels& pixels);
const char* HueName(Hue hue);
// Waits until the window shows the hue (pictures are painted asynchronously).
Hue WaitForHue(HWND window, Hue expected, milliseconds timeout = milliseconds(5000));

} // namespace e2e
