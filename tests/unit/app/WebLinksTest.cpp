#include <gtest/gtest.h>

#include "WebLinks.h"
#include "resource.h"

namespace {

struct LanguageCase
{
    const char* language;
    const wchar_t* home;
    const wchar_t* resources;
    unsigned topBanner;
    unsigned bottomBanner;
};

const LanguageCase kCases[] = {
    { "en", L"https://www.kestrune.com", L"https://www.kestrune.com/en/index.php/vantle/resources",
      IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN },
    { "de", L"https://www.kestrune.de", L"https://www.kestrune.de/de/index.php/vantle/resources",
      IDB_TOP_BANNER_DE, IDB_BOTTOM_BANNER_DE },
    { "fr", L"https://www.kestrune.fr", L"https://www.kestrune.fr/fr/index.php/vantle/resources",
      IDB_TOP_BANNER_FR, IDB_BOTTOM_BANNER_FR },
    // Any other code is treated as English, for the domain and the banners; the path keeps it.
    { "it", L"https://www.kestrune.com", L"https://www.kestrune.com/it/index.php/vantle/resources",
      IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN },
    // The comparison is exact.
    { "DE", L"https://www.kestrune.com", L"https://www.kestrune.com/DE/index.php/vantle/resources",
      IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN },
    { "", L"https://www.kestrune.com", L"https://www.kestrune.com//index.php/vantle/resources",
      IDB_TOP_BANNER_EN, IDB_BOTTOM_BANNER_EN },
};

TEST(WebLinks, AddressesAndBannersFollowTheLanguage)
{
    for (const LanguageCase& c : kCases)
    {
        SCOPED_TRACE(c.language);
        EXPECT_EQ(c.home, MakeWebSiteAddress(c.language));
        EXPECT_EQ(std::wstring(c.home) + L"/lp/Morvex_Utility.html", MakeLandingPageAddress(c.language));
        EXPECT_EQ(c.resources, MakeResourcesAddress(c.language));
        const BannerBitmaps banners = BannersForLanguage(c.language);
        EXPECT_EQ(c.topBanner, banners.top);
        EXPECT_EQ(c.bottomBanner, banners.bottom);
    }
}

} // namespace
