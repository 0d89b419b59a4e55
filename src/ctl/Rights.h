#pragma once
// Whether this process may change the policy, decided before its first write, so that a
// command run without the rights ends with a clear refusal instead of half a save.

#include <windows.h>

#include <vector>

struct KeyToWrite
{
    HKEY root;
    const wchar_t* keyPath;
};

// false: the process runs with a limited token (an administrator's unelevated half, which
// Windows denies every policy key), or the registry denies opening one of the keys the way
// a write opens it; for a key that does not exist yet, creating it in its nearest existing
// parent. Any other answer is left to the write, which reports it.
bool MayWrite(const std::vector<KeyToWrite>& keys);
