#include "HeldPicture.h"

#include "WindowDriver.h"

#include <map>

namespace e2e {
namespace {

const UINT kQuestion = RegisterWindowMessageW(L"MorvexTest.HeldBitmap");

// One hook per window thread of the program, for as long as the test process runs; a hook
// on a thread that has ended does nothing.
bool HookThread(DWORD thread)
{
    static std::map<DWORD, HHOOK> hooks;
    if (hooks.count(thread) != 0)
        return hooks[thread] != nullptr;
    static const HMODULE probe = LoadLibraryW(ToWindowsPath(PICTURE_PROBE_DLL).c_str());
    // A 32-bit build exports the stdcall function under its decorated name.
    FARPROC found = nullptr;
    for (const char* name : {"PictureProbeHook", "PictureProbeHook@12", "_PictureProbeHook@12"}) {
        if (probe != nullptr && found == nullptr)
            found = GetProcAddress(probe, name);
    }
    const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)()>(found));
    hooks[thread] = hook != nullptr ? SetWindowsHookExW(WH_GETMESSAGE, hook, probe, thread) : nullptr;
    return hooks[thread] != nullptr;
}

} // namespace

int HeldBitmap(HWND control)
{
    const DWORD thread = GetWindowThreadProcessId(control, nullptr);
    if (thread == 0 || !HookThread(thread))
        return -1;
    MSG answer{};
    PeekMessageW(&answer, nullptr, 0, 0, PM_NOREMOVE); // this thread's queue must exist
    if (!PostMessageW(control, kQuestion, GetCurrentThreadId(), 0))
        return -1;
    int held = -1;
    WaitUntil([&] {
        while (PeekMessageW(&answer, nullptr, kQuestion, kQuestion, PM_REMOVE)) {
            if (reinterpret_cast<HWND>(answer.wParam) == control)
                held = static_cast<int>(answer.lParam);
        }
        return held != -1;
    }, milliseconds(5000), milliseconds(5));
    return held;
}

} // namespace e2e
