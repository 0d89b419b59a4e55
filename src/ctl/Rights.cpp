#include "Rights.h"

#include <string>

#include "OptionsStore.h"

namespace {

// An administrator's token without elevation. It is refused without asking the registry:
// a key that happens to allow it (Wine's keys allow everyone) would let part of a save
// through that Windows refuses elsewhere.
bool IsLimitedToken()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    // Systems without user account control answer no elevation type: nothing is filtered.
    const BOOL known = GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size);
    CloseHandle(token);
    return known && type == TokenElevationTypeLimited;
}

bool KeyDenied(HKEY root, std::wstring path, REGSAM view)
{
    // Opened with the access the write asks for; a key that is not there yet is made by the
    // write in its nearest existing parent.
    REGSAM access = KEY_WRITE;
    for (;;)
    {
        HKEY key = nullptr;
        const LONG result = RegOpenKeyExW(root, path.c_str(), 0, access | view, &key);
        if (result == ERROR_SUCCESS)
        {
            RegCloseKey(key);
            return false;
        }
        if (result == ERROR_ACCESS_DENIED)
            return true;
        if ((result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND) || path.empty())
            return false;
        const size_t slash = path.find_last_of(L'\\');
        path = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        access = KEY_CREATE_SUB_KEY;
    }
}

} // namespace

bool MayWrite(const std::vector<KeyToWrite>& keys)
{
    if (IsLimitedToken())
        return false;
    const REGSAM view = OptionsStore().IsWow64() ? KEY_WOW64_64KEY : 0;
    for (const KeyToWrite& key : keys)
    {
        if (KeyDenied(key.root, key.keyPath, view))
            return false;
    }
    return true;
}
