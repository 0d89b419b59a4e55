#pragma once
// A registry file of the writes a Save would make, in the form Windows' registry editor
// exports: "Windows Registry Editor Version 5.00", one section per key, CR LF line ends.

#include <string>
#include <vector>

#include "AutoRunSettings.h"

// withAutoplayBaseline: the two AutoPlay values of the baseline follow the policy's writes.
std::wstring RegistryFileText(const std::vector<PlannedWrite>& writes, bool withAutoplayBaseline = false);
// The file's bytes: UTF-16LE with its byte-order mark, as the registry editor writes them.
std::string RegistryFileBytes(const std::wstring& text);
