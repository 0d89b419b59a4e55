// The pictures and the system-menu entry open the maker's web pages: the shell is asked to
// open an address, which reaches the recorder registered as the browser.
#include "MorvexFixture.h"

#include "resource.h"

#include <cstdio>

namespace e2e {
namespace {

const wchar_t* const kHandlerKeys[] = {
    L"Software\\Classes\\http\\shell\\open\\command",
    L"Software\\Classes\\https\\shell\\open\\command",
};

std::string ReadLog(const std::wstring& path)
{
    std::string content;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return content;
    char buffer[1024];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
        content.append(buffer, read);
    fclose(file);
    return content;
}

enum class Link { TopBanner, BottomBanner, ResourcesIcon, WebSiteMenu };

struct LinkCase
{
    const char* name;
    int language; // index in the language list
    Link link;
    const char* address;
};

// Names the case in test listings.
std::ostream& operator<<(std::ostream& out, const LinkCase& c)
{
    return out << c.name;
}

class WebLink : public MorvexTest, public ::testing::WithParamInterface<LinkCase>
{
protected:
    void SetUp() override
    {
        MorvexTest::SetUp();
        handlers = std::make_unique<RegistrySnapshot>(std::vector<ValueName>{
            {HKEY_LOCAL_MACHINE, kHandlerKeys[0], L""}, {HKEY_LOCAL_MACHINE, kHandlerKeys[1], L""}});
        log = RecorderExe() + L".log";
        DeleteFileW(log.c_str());
        const std::wstring command = L"\"" + RecorderExe() + L"\" \"%1\"";
        for (const wchar_t* key : kHandlerKeys)
            ASSERT_TRUE(WriteValue(HKEY_LOCAL_MACHINE, key, L"", String(command)));
    }

    void TearDown() override
    {
        MorvexTest::TearDown();
        if (handlers)
            handlers->Restore();
    }

    std::unique_ptr<RegistrySnapshot> handlers;
    std::wstring log;
};

TEST_P(WebLink, OpensTheAddressOfTheLanguage)
{
    const LinkCase& c = GetParam();
    ASSERT_TRUE(Launch());
    if (c.language != 0) {
        const std::wstring before = TextOf(main);
        SelectComboItem(PageItem(kOverviewPage, IDC_LANGUAGE), c.language);
        ASSERT_TRUE(WaitUntil([&] { return ComboSelection(PageItem(kOverviewPage, IDC_LANGUAGE)) == c.language; }));
        Sync(main);
    }
    switch (c.link) {
    case Link::TopBanner: ClickCentre(Item(main, IDC_TOP_BANNER)); break;
    case Link::BottomBanner: ClickCentre(Item(main, IDC_BOTTOM_BANNER)); break;
    case Link::ResourcesIcon: ClickCentre(Item(main, IDC_RESOURCES_ICON)); break;
    case Link::WebSiteMenu: PostMessageW(main, WM_SYSCOMMAND, IDM_WEBSITE, 0); break;
    }
    // The shell starts the handler on its own; wait for its line.
    std::string recorded;
    EXPECT_TRUE(WaitUntil([&] {
        recorded = ReadLog(log);
        return !recorded.empty() && recorded.back() == '\n';
    }, milliseconds(15000))) << "no address reached the browser";
    EXPECT_EQ(std::string(c.address) + "\n", recorded);
    ExpectNoMessageBox();
    EXPECT_TRUE(process.Running());
    CancelAndExpectExit();
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, WebLink,
    ::testing::Values(
        LinkCase{"TopBannerEnglish", 0, Link::TopBanner, "https://www.kestrune.com/lp/Morvex_Utility.html"},
        LinkCase{"BottomBannerEnglish", 0, Link::BottomBanner, "https://www.kestrune.com/lp/Morvex_Utility.html"},
        LinkCase{"ResourcesEnglish", 0, Link::ResourcesIcon,
                 "https://www.kestrune.com/en/index.php/vantle/resources"},
        LinkCase{"WebSiteEnglish", 0, Link::WebSiteMenu, "https://www.kestrune.com"},
        LinkCase{"TopBannerGerman", 1, Link::TopBanner, "https://www.kestrune.de/lp/Morvex_Utility.html"},
        LinkCase{"BottomBannerGerman", 1, Link::BottomBanner, "https://www.kestrune.de/lp/Morvex_Utility.html"},
        LinkCase{"ResourcesGerman", 1, Link::ResourcesIcon, "https://www.kestrune.de/de/index.php/vantle/resources"},
        LinkCase{"WebSiteGerman", 1, Link::WebSiteMenu, "https://www.kestrune.de"},
        LinkCase{"ResourcesFrench", 2, Link::ResourcesIcon, "https://www.kestrune.fr/fr/index.php/vantle/resources"}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
