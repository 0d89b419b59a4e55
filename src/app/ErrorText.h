#pragma once
// The text of the window's error box for a failed load or save.

#include <windows.h>

#include <exception>
#include <string>

// The error's own text, except where the window has words of its own: a save that stopped
// because the policy changed under it, after which the window shows the policy as it is now.
std::wstring ErrorBoxText(const std::exception& error);

// The window's one error box: caption "Error" in the current language, ErrorBoxText as its
// text, owned by the given window.
void ShowErrorBox(HWND owner, const std::exception& error);
