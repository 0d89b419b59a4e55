#pragma once
// Which bitmap a picture control of Morvex.exe holds, read from the control itself rather
// than from the screen: a small DLL (picture_probe.cpp) is hooked into the program's window
// thread and compares the control's bitmap with the program's bitmap resources there.

#include <windows.h>

namespace e2e {

// The resource id of the program's bitmap that the control shows, 0 for none (or a picture
// scaled for the DPI), -1 when the program did not answer.
int HeldBitmap(HWND control);

} // namespace e2e
