#include "WebLinks.h"

#include <windows.h>

#include "Languages.h"
#include "TextConvert.h"

namespace {

const wchar_t kSchemeAndHost[] = L"https://www.kestrune.";

} // namespace

std::wstring MakeWebSiteAddress(const std::string& language)
{
    return std::wstring(kSchemeAndHost) + LanguageOrEnglish(language).webDomain;
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
    const LanguageInfo& info = LanguageOrEnglish(language);
    return { info.topBanner, info.bottomBanner };
}
