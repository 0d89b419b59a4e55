#pragma once
// Message maps: each window class lists the messages it handles as a table of
// (message, control id, notification code, handler) and names its base class, whose table
// is searched when its own has no row for a message.

#include <windows.h>

#include <type_traits>

class CWnd;

// Stands for every WM_CTLCOLOR* message in a table (the handler is told which one).
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

struct MessageMapEntry
{
    UINT message;
    UINT controlId; // WM_COMMAND and WM_NOTIFY only
    UINT code;      // notification code; WM_COMMAND and WM_NOTIFY only
    // Unpacks the message for the class's member function.
    LRESULT (*handler)(CWnd* self, UINT message, WPARAM wParam, LPARAM lParam);
};

struct MessageMap
{
    const MessageMap* (*base)();    // the base class's table, null at the root
    const MessageMapEntry* entries; // ends with a row whose handler is null
};

#define DECLARE_MESSAGE_MAP()                  \
public:                                        \
    static const MessageMap* GetThisMessageMap(); \
protected:                                     \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap()                              \
    {                                                                            \
        typedef theClass ThisClass;                                              \
        typedef baseClass TheBaseClass;                                          \
        static_assert(std::is_base_of<TheBaseClass, ThisClass>::value &&         \
                          !std::is_same<TheBaseClass, ThisClass>::value,         \
                      "the message map must chain to a base class of " #theClass); \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                        \
            { 0, 0, 0, nullptr } };                                              \
        static const MessageMap map = { &TheBaseClass::GetThisMessageMap, entries }; \
        return &map;                                                             \
    }

#define MORVEX_SELF (static_cast<ThisClass*>(self))

#define ON_COMMAND(id, memberFxn)                                                \
    { WM_COMMAND, static_cast<UINT>(id), 0,                                      \
      [](CWnd* self, UINT, WPARAM, LPARAM) -> LRESULT { (MORVEX_SELF->*(memberFxn))(); return 0; } },

#define ON_CONTROL(code, id, memberFxn)                                          \
    { WM_COMMAND, static_cast<UINT>(id), static_cast<UINT>(code),                \
      [](CWnd* self, UINT, WPARAM, LPARAM) -> LRESULT { (MORVEX_SELF->*(memberFxn))(); return 0; } },

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)

// Any other message, the program's own included: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                           \
    { static_cast<UINT>(message), 0, 0,                                          \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT { return (MORVEX_SELF->*(memberFxn))(w, l); } },

#define ON_WM_PAINT()                                                            \
    { WM_PAINT, 0, 0,                                                            \
      [](CWnd* self, UINT, WPARAM, LPARAM) -> LRESULT { MORVEX_SELF->OnPaint(); return 0; } },

#define ON_WM_SYSCOMMAND()                                                       \
    { WM_SYSCOMMAND, 0, 0,                                                       \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT {                      \
          MORVEX_SELF->OnSysCommand(static_cast<UINT>(w), l); return 0; } },

#define ON_WM_QUERYDRAGICON()                                                    \
    { WM_QUERYDRAGICON, 0, 0,                                                    \
      [](CWnd* self, UINT, WPARAM, LPARAM) -> LRESULT {                          \
          return reinterpret_cast<LRESULT>(MORVEX_SELF->OnQueryDragIcon()); } },

// OnCtlColor(HDC dc, HWND control, UINT kind): kind is CTLCOLOR_DLG, CTLCOLOR_STATIC, ...
#define ON_WM_CTLCOLOR()                                                         \
    { WM_CTLCOLOR, 0, 0,                                                         \
      [](CWnd* self, UINT m, WPARAM w, LPARAM l) -> LRESULT {                    \
          return reinterpret_cast<LRESULT>(MORVEX_SELF->OnCtlColor(              \
              reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l), m - WM_CTLCOLORMSGBOX)); } },

#define ON_WM_ERASEBKGND()                                                       \
    { WM_ERASEBKGND, 0, 0,                                                       \
      [](CWnd* self, UINT, WPARAM w, LPARAM) -> LRESULT {                        \
          return MORVEX_SELF->OnEraseBkgnd(reinterpret_cast<HDC>(w)); } },

#define ON_WM_LBUTTONDOWN()                                                      \
    { WM_LBUTTONDOWN, 0, 0,                                                      \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT {                      \
          POINT point = { static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)) }; \
          MORVEX_SELF->OnLButtonDown(static_cast<UINT>(w), point); return 0; } },

#define ON_WM_KEYDOWN()                                                          \
    { WM_KEYDOWN, 0, 0,                                                          \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT {                      \
          MORVEX_SELF->OnKeyDown(static_cast<UINT>(w), LOWORD(l), HIWORD(l)); return 0; } },

#define ON_WM_SIZE()                                                             \
    { WM_SIZE, 0, 0,                                                             \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT {                      \
          MORVEX_SELF->OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l)); return 0; } },

#define ON_WM_SYSCOLORCHANGE()                                                   \
    { WM_SYSCOLORCHANGE, 0, 0,                                                   \
      [](CWnd* self, UINT, WPARAM, LPARAM) -> LRESULT { MORVEX_SELF->OnSysColorChange(); return 0; } },

#define ON_WM_SETTINGCHANGE()                                                    \
    { WM_SETTINGCHANGE, 0, 0,                                                    \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT {                      \
          MORVEX_SELF->OnSettingChange(static_cast<UINT>(w), reinterpret_cast<const wchar_t*>(l)); return 0; } },

#define ON_WM_SETCURSOR()                                                        \
    { WM_SETCURSOR, 0, 0,                                                        \
      [](CWnd* self, UINT, WPARAM w, LPARAM l) -> LRESULT {                      \
          return MORVEX_SELF->OnSetCursor(reinterpret_cast<HWND>(w), LOWORD(l), HIWORD(l)); } },
