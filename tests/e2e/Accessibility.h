#pragma once
// What a screen reader learns about a control of another process: the system's accessible
// object for its client area (oleacc's AccessibleObjectFromWindow with OBJID_CLIENT), as a
// screen reader asks for it, and the events a screen reader listens to.

#include "WindowDriver.h"

#include <windows.h>

#include <string>

namespace e2e {

struct AccessibleInfo
{
    bool found = false;  // the system gave an accessible object
    bool named = false;  // it answered a name (which may still be empty)
    std::wstring name;
    LONG role = 0;       // ROLE_SYSTEM_*, 0 when it gave none
};
AccessibleInfo AccessibleOf(HWND control);

// A control's text as a screen reader reads it: access-key marks removed.
std::wstring WithoutAccessKeys(const std::wstring& text);

// Records the given event of one process while it exists (an out-of-context hook, whose
// calls arrive through this thread's messages: Seen pumps them).
class WinEventRecorder
{
public:
    WinEventRecorder(DWORD event, DWORD processId);
    ~WinEventRecorder();
    WinEventRecorder(const WinEventRecorder&) = delete;
    WinEventRecorder& operator=(const WinEventRecorder&) = delete;

    bool Installed() const { return hook != nullptr; }
    // Waits until the event has come for that window and object.
    bool Seen(HWND window, LONG objectId, milliseconds timeout);

private:
    HWINEVENTHOOK hook = nullptr;
};

} // namespace e2e
