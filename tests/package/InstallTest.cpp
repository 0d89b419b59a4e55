// Morvex.msi under Wine's Windows Installer, silently, as Group Policy, Intune or
// Configuration Manager would run it: what it installs, that the installed programs work
// from there, that uninstalling takes away everything it made and nothing of the AutoRun
// policy, and that a newer package replaces an older one, which then refuses to go back.
#include "TestRegistry.h"
#include "Translations.h"
#include "WindowDriver.h"

#include "MorvexVersion.h"
#include "resource.h"

#include <windows.h>
#include <msi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace e2e {
namespace {

const wchar_t kProductName[] = L"Morvex by Kestrune";
// Fixed for the life of the product: a newer package finds an older one by it.
const wchar_t kUpgradeCode[] = L"{F401C2F1-B0D6-4920-9EEE-48F3F56CB7DE}";
const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Utf8(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

std::wstring Folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring InstallFolder()
{
    return Folder(CSIDL_PROGRAM_FILESX86) + L"\\Morvex";
}

// Wine's Windows Installer puts the shortcut of a per-machine package into the user's
// Programs folder, Windows into the common one: look in both.
std::vector<std::wstring> ShortcutPlaces()
{
    return {Folder(CSIDL_COMMON_PROGRAMS) + L"\\Morvex.lnk", Folder(CSIDL_PROGRAMS) + L"\\Morvex.lnk"};
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Bytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file below folder, as paths relative to it.
void ListFiles(const std::wstring& folder, const std::wstring& prefix, std::set<std::wstring>& files)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + L"\\" + name, prefix + name + L"\\", files);
        else
            files.insert(prefix + name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

struct CommandResult
{
    DWORD exitCode = STILL_ACTIVE;
    std::string output;
};

// Runs a program to its end (at most two minutes, stretched where 32-bit code is emulated),
// with its output in a file.
std::wstring OutputFile()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"morvex-install-test-output.txt";
}

CommandResult RunCommand(const std::wstring& exe, const std::wstring& arguments)
{
    const std::wstring outputFile = OutputFile();
    CommandResult run;
    {
        Process process;
        if (process.Start(exe, outputFile, arguments))
            run.exitCode = process.WaitForExit(milliseconds(120000 * kTimeScale));
    }
    run.output = Bytes(outputFile);
    DeleteFileW(outputFile.c_str());
    return run;
}

// The 64-bit msiexec where there is one: the installer itself need not run as a 32-bit
// process, and where 32-bit code is emulated each 32-bit process costs about a minute.
std::wstring Msiexec()
{
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    wchar_t folder[MAX_PATH] = {};
    if (wow64) {
        GetWindowsDirectoryW(folder, MAX_PATH);
        return std::wstring(folder) + L"\\Sysnative\\msiexec.exe";
    }
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\msiexec.exe";
}

DWORD Msiexec(const wchar_t* action, const std::wstring& package)
{
    return RunCommand(Msiexec(), std::wstring(action) + L" \"" + package + L"\" /qn").exitCode;
}

std::wstring Package()
{
    return ToWindowsPath(MORVEX_PACKAGE_DIR "/Morvex.msi");
}
std::wstring UpgradePackage()
{
    return ToWindowsPath(MORVEX_UPGRADE_PACKAGE_DIR "/Morvex.msi");
}
// The files as they went into the package.
std::wstring PackagedFile(const std::wstring& name)
{
    return ToWindowsPath(MORVEX_PACKAGE_DIR "/portable") + L"\\" + name;
}

std::vector<std::wstring> ExpectedFiles()
{
    std::vector<std::wstring> files = {L"Morvex.exe", L"lang\\en.strings", L"lang\\de.strings",
                                       L"lang\\fr.strings", L"PolicyDefinitions\\Morvex.admx",
                                       L"PolicyDefinitions\\en-US\\Morvex.adml",
                                       L"PolicyDefinitions\\de-DE\\Morvex.adml",
                                       L"PolicyDefinitions\\fr-FR\\Morvex.adml"};
    if (MORVEX_PACKAGE_HAS_CTL)
        files.push_back(L"MorvexCtl.exe");
    return files;
}

// An entry in Add/Remove Programs, in either registry view.
struct ArpEntry
{
    std::string version;
    std::string publisher;
};

std::vector<ArpEntry> ArpEntries()
{
    std::vector<ArpEntry> entries;
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY uninstall = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &uninstall) != ERROR_SUCCESS)
            continue;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(uninstall, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            HKEY entry = nullptr;
            if (RegOpenKeyExW(uninstall, name, 0, KEY_READ | view, &entry) != ERROR_SUCCESS)
                continue;
            auto text = [entry](const wchar_t* value) {
                wchar_t data[1024] = {};
                DWORD size = sizeof(data) - sizeof(wchar_t);
                DWORD type = REG_NONE;
                if (RegQueryValueExW(entry, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
                    (type != REG_SZ && type != REG_EXPAND_SZ))
                    return std::wstring();
                return std::wstring(data);
            };
            if (text(L"DisplayName") == kProductName)
                entries.push_back({Utf8(text(L"DisplayVersion")), Utf8(text(L"Publisher"))});
            RegCloseKey(entry);
        }
        RegCloseKey(uninstall);
    }
    return entries;
}

// Products the installer knows under Morvex's upgrade code.
std::vector<std::wstring> RelatedProducts()
{
    std::vector<std::wstring> products;
    wchar_t product[39];
    while (MsiEnumRelatedProductsW(kUpgradeCode, 0, static_cast<DWORD>(products.size()), product) == ERROR_SUCCESS)
        products.push_back(product);
    return products;
}

// The icon Add/Remove Programs shows for an installed product.
std::wstring ProductIcon(const std::wstring& product)
{
    wchar_t icon[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (MsiGetProductInfoW(product.c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &length) != ERROR_SUCCESS)
        return std::wstring();
    return icon;
}

// AutoRun values an administrator set before the package came: none of them is the
// package's to change or remove.
const std::vector<std::pair<ValueName, RegValue>>& AdministratorsPolicy()
{
    static const std::vector<std::pair<ValueName, RegValue>> values = {
        {{HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveTypeAutoRun"}, Dword(0x91)},
        {{HKEY_CURRENT_USER, kExplorerPolicyKey, L"NoDriveTypeAutoRun"}, Dword(0xff)},
        {{HKEY_LOCAL_MACHINE, kExplorerPolicyKey, L"NoDriveAutoRun"}, Dword(0x14)},
        {{HKEY_LOCAL_MACHINE, kIniMappingKey, L""}, String(kDoesNotExist)},
        {{HKEY_LOCAL_MACHINE, kCdromKey, L"AutoRun"}, Dword(0)},
    };
    return values;
}

class MorvexPackage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        original = std::make_unique<RegistrySnapshot>();
        Uninstall();
        for (const auto& [name, value] : AdministratorsPolicy())
            ASSERT_TRUE(WriteValue(name.root, name.key, name.name, value));
        before = std::make_unique<RegistrySnapshot>();
    }

    void TearDown() override
    {
        Uninstall();
        original->Restore();
    }

    // Whatever an earlier, failed run left installed goes first.
    static void Uninstall()
    {
        if (RelatedProducts().empty())
            return;
        Msiexec(L"/x", UpgradePackage());
        Msiexec(L"/x", Package());
    }

    void ExpectInstalled(const std::string& version)
    {
        std::set<std::wstring> installed;
        ListFiles(InstallFolder(), L"", installed);
        const std::vector<std::wstring> expected = ExpectedFiles();
        EXPECT_EQ(std::set<std::wstring>(expected.begin(), expected.end()), installed);
        for (const auto& file : expected)
            EXPECT_TRUE(Bytes(InstallFolder() + L"\\" + file) == Bytes(PackagedFile(file))) << Utf8(file);

        int shortcuts = 0;
        for (const auto& place : ShortcutPlaces())
            shortcuts += Exists(place);
        EXPECT_EQ(1, shortcuts) << "the Start-menu shortcut";

        const auto entries = ArpEntries();
        ASSERT_EQ(1u, entries.size()) << "entries in Add/Remove Programs";
        EXPECT_EQ(version, entries[0].version);
        EXPECT_EQ("Kestrune", entries[0].publisher);
        const auto products = RelatedProducts();
        ASSERT_EQ(1u, products.size());
        const std::wstring icon = ProductIcon(products[0]);
        EXPECT_TRUE(!icon.empty() && Exists(icon)) << "icon " << Utf8(icon);
    }

    void ExpectNothingLeft()
    {
        EXPECT_FALSE(Exists(InstallFolder()));
        for (const auto& place : ShortcutPlaces())
            EXPECT_FALSE(Exists(place)) << Utf8(place);
        EXPECT_TRUE(ArpEntries().empty());
        EXPECT_TRUE(RelatedProducts().empty());
        const RegistrySnapshot after;
        EXPECT_TRUE(after == *before) << before->Differences(after);
    }

    std::unique_ptr<RegistrySnapshot> original;
    std::unique_ptr<RegistrySnapshot> before;
};

TEST_F(MorvexPackage, InstallsRunsAndUninstallsSilently)
{
    ASSERT_EQ(0u, Msiexec(L"/i", Package()));
    ExpectInstalled(MORVEX_VERSION_TEXT);

#if MORVEX_32BIT_EMULATED
    std::cout << "[  SKIPPED ] the window of the installed Morvex.exe: 32-bit code runs emulated on this host"
              << std::endl;
#else
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) {
        std::cout << "[  SKIPPED ] the window of the installed Morvex.exe: no display (run under xvfb-run)" << std::endl;
    } else {
        // The test runs under a German locale: the window must come up with the German
        // texts of the installed translation file.
        const auto strings = ReadStringsFile(InstallFolder() + L"\\lang\\de.strings");
        ASSERT_NE("&Save", Translated(strings, "&Save")) << "no German text in the installed lang folder";
        Process morvex;
        ASSERT_TRUE(morvex.Start(InstallFolder() + L"\\Morvex.exe", OutputFile()));
        HWND main = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (main = FindMainWindow(morvex.Id())) != nullptr; }, milliseconds(30000)));
        EXPECT_EQ(Translated(strings, "Morvex by Kestrune"), Utf8(TextOf(main)));
        EXPECT_EQ(Translated(strings, "&Save"), Utf8(TextOf(Item(main, IDOK))));
        Click(Item(main, IDCANCEL));
        EXPECT_EQ(0u, morvex.WaitForExit(milliseconds(15000)));
        DeleteFileW(OutputFile().c_str());
    }
#endif

    if (MORVEX_PACKAGE_HAS_CTL) {
        const CommandResult ctl = RunCommand(InstallFolder() + L"\\MorvexCtl.exe", L"--version");
        EXPECT_EQ(0u, ctl.exitCode) << ctl.output;
        EXPECT_NE(std::string::npos, ctl.output.find(MORVEX_VERSION_TEXT)) << ctl.output;
    } else {
        std::cout << "[  SKIPPED ] MorvexCtl.exe: this build has no MorvexCtl target" << std::endl;
    }

    ASSERT_EQ(0u, Msiexec(L"/x", Package()));
    ExpectNothingLeft();
}

TEST_F(MorvexPackage, NewerPackageReplacesTheOlderOneAndRefusesToGoBack)
{
    ASSERT_EQ(0u, Msiexec(L"/i", Package()));
    ASSERT_EQ(0u, Msiexec(L"/i", UpgradePackage()));
    ExpectInstalled(MORVEX_UPGRADE_VERSION);

    EXPECT_NE(0u, Msiexec(L"/i", Package())) << "the older package installed over the newer one";
    ExpectInstalled(MORVEX_UPGRADE_VERSION);

    ASSERT_EQ(0u, Msiexec(L"/x", UpgradePackage()));
    ExpectNothingLeft();
}

} // namespace
} // namespace e2e
