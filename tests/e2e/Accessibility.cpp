#include "Accessibility.h"

#include <oleacc.h>

#include <utility>
#include <vector>

namespace e2e {
namespace {

// Written out: MinGW's import library gives IID_IAccessible as a function's address.
const GUID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

void InitialiseCom()
{
    static thread_local const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)initialised;
}

std::vector<std::pair<HWND, LONG>> g_events;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD, HWND window, LONG objectId, LONG, DWORD, DWORD)
{
    g_events.emplace_back(window, objectId);
}

} // namespace

AccessibleInfo AccessibleOf(HWND control)
{
    InitialiseCom();
    AccessibleInfo info;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                          reinterpret_cast<void**>(&object))) ||
        object == nullptr)
        return info;
    info.found = true;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK) {
        info.named = true;
        if (name != nullptr)
            info.name.assign(name, SysStringLen(name));
    }
    SysFreeString(name);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4)
        info.role = role.lVal;
    VariantClear(&role);
    object->Release();
    return info;
}

std::wstring WithoutAccessKeys(const std::wstring& text)
{
    std::wstring plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && ++i >= text.size())
            break;
        plain += text[i];
    }
    return plain;
}

WinEventRecorder::WinEventRecorder(DWORD event, DWORD processId)
{
    g_events.clear();
    hook = SetWinEventHook(event, event, nullptr, RecordEvent, processId, 0, WINEVENT_OUTOFCONTEXT);
}

WinEventRecorder::~WinEventRecorder()
{
    if (hook != nullptr)
        UnhookWinEvent(hook);
}

bool WinEventRecorder::Seen(HWND window, LONG objectId, milliseconds timeout)
{
    return WaitUntil([&] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        for (const auto& [seenWindow, seenObject] : g_events) {
            if (seenWindow == window && seenObject == objectId)
                return true;
        }
        return false;
    }, timeout, milliseconds(10));
}

} // namespace e2e
