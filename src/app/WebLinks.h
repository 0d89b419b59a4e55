#pragma once
// What the main window shows and opens in each language, without windows: the banners and
// the addresses of the maker's web site.

#include <string>

// The maker's home page; the top-level domain follows the language ("de", "fr", else
// "com"). No trailing slash.
std::wstring MakeWebSiteAddress(const std::string& language);
// The page both banners open.
std::wstring MakeLandingPageAddress(const std::string& language);
// The page the small picture at the bottom right opens; the language code is part of its path.
std::wstring MakeResourcesAddress(const std::string& language);

struct BannerBitmaps
{
    unsigned top;
    unsigned bottom;
};
BannerBitmaps BannersForLanguage(const std::string& language);
