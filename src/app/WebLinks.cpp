#include "WebLinks.h"

#include <windows.h>

#include "TextConvert.h"
#include "resource.h"

namespace {

const wchar_t kSchemeAndHost[] = L"https://www.kestrune.";


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
    return MakeWebSiteAddress(language) + L"/" + morvex::ToWide(CP_ACP, language) + L"/index.php/vantle/resources";
}

BannerBitmaps BannersForLanguage(const std::string& language)
{
    if (language == "de")
        return { IDB_TOP_BANNER_DE, IDB_BOTTOM_BANNER_DE };
    if (language == "fr")
        return { IDB_TOP_BANNER_FR, IDB_BOTTOM_BANNER_FR };
    return { IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN };
}
