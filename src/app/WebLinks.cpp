#include "WebLinks.h"

#include <windows.h>

#include "resource.h"

namespace {

const wchar_t kSchemeAndHost[] = L"https://www.kestrune.";

// Language codes are plain ASCII; the ANSI code page turns them into the same letters.
std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

} // namespace

std::wstring MakeWebSiteAddress(const std::string& language)
{
    const wchar_t* domain = L"com";
    if (language == "de")
        domain = L"de";
    else if (language == "fr")
        domain = L"fr";
    return std::wstring(kSchemeAndHost) + domain;
}

std::wstring MakeLandingPageAddress(const std::string& language)
{
    return MakeWebSiteAddress(language) + L"/lp/Morvex_Utility.html";
}

std::wstring MakeResourcesAddress(const std::string& language)
{
    return MakeWebSiteAddress(language) + L"/" + AnsiToWide(language) + L"/index.php/vantle/resources";
}

BannerBitmaps BannersForLanguage(const std::string& language)
{
    if (language == "de")
        return { IDB_TOP_BANNER_DE, IDB_BOTTOM_BANNER_DE };
    if (language == "fr")
        return { IDB_TOP_BANNER_FR, IDB_BOTTOM_BANNER_FR };
    return { IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN };
}
