#pragma once

#include <string>

// Opens a web address with the user's browser (ShellExecute "open").
void OpenInBrowser(const std::wstring& address);
