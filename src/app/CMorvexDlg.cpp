#include "CMorvexDlg.h"

#include "CAboutDlg.h"
#include "ErrorText.h"
#include "ShellOpen.h"
#include "TextConvert.h"
#include "Translate.h"
#include "WebLinks.h"
#include "resource.h"

namespace {

const UINT kSystemCommandMask = 0xFFF0;

void OpenAddress(const std::wstring& address)
{
    OpenInBrowser(address);
}

bool HighContrastOn()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

const std::string& CurrentLanguage()
{
    return LanguageStrings::Instance().CurrentLanguage();
}

} // namespace

BEGIN_MESSAGE_MAP(CMorvexDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDOK, &CMorvexDlg::OnSaveClicked)
    ON_WM_CTLCOLOR()
    ON_WM_SYSCOLORCHANGE()
    ON_WM_SETTINGCHANGE()
    ON_STN_CLICKED(IDC_TOP_BANNER, &CMorvexDlg::OnTopBannerClicked)
    ON_STN_CLICKED(IDC_RESOURCES_ICON, &CMorvexDlg::OnResourcesIconClicked)
    ON_STN_CLICKED(IDC_BOTTOM_BANNER, &CMorvexDlg::OnBottomBannerClicked)
    ON_MESSAGE(WM_GETOBJECT, &CMorvexDlg::OnGetObject)
END_MESSAGE_MAP()

CMorvexDlg::CMorvexDlg(CWnd* parent)
    : CDialog(IDD_MORVEX_DIALOG, parent)
{
    // Tab walks the controls as they stand on the screen: the pages under the tab buttons
    // come before Save and Cancel.
    SetTabOrder({ IDC_TOP_BANNER, IDC_TABS, IDOK, IDCANCEL });
    m_hIcon = AfxGetApp() != nullptr ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr;
}

CMorvexDlg::~CMorvexDlg() = default;

void CMorvexDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TABS, m_tabCtrl);
    DDX_Control(pDX, IDC_TOP_BANNER, m_topBanner);
    DDX_Control(pDX, IDC_BOTTOM_BANNER, m_bottomBanner);
    DDX_Control(pDX, IDC_RESOURCES_ICON, m_resourcesIcon);
}

BOOL CMorvexDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (const HMENU systemMenu = GetSystemMenu(FALSE))
    {
        wchar_t about[256] = {};
        if (LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, about, 256) > 0 && about[0] != L'\0')
        {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
            AppendMenuW(systemMenu, MF_STRING, IDM_WEBSITE, T("More security from us online").c_str());
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    MakeBackground();
    // Given again, so that the picture follows the window's DPI like the banners do.
    m_resourcesIcon.SetBitmap(Bitmap(IDB_RESOURCES));
    m_tabCtrl.Init();
    LoadSettings();
    UpdateTexts();
    CenterWindow();
    // The window shows once the page on show is ready; the hidden pages follow at once,
    // before the window takes any input, with the policy and the texts set above.
    m_tabCtrl.MakeOtherPagesNext();
    return TRUE;
}

BOOL CMorvexDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message != WM_KEYDOWN || (GetKeyState(VK_CONTROL) & 0x8000) == 0 || (GetKeyState(VK_MENU) & 0x8000) != 0)
        return FALSE;
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    int step = 0;
    if (msg->wParam == VK_TAB)
        step = shift ? -1 : 1;
    else if (msg->wParam == VK_NEXT && !shift)
        step = 1;
    else if (msg->wParam == VK_PRIOR && !shift)
        step = -1;
    if (step == 0)
        return FALSE;
    m_tabCtrl.StepPage(step);
    return TRUE;
}

void CMorvexDlg::UpdateTexts()
{
    SetWindowText(T("Morvex by Kestrune"));
    SetDlgItemText(IDOK, T("&Save"));
    SetDlgItemText(IDCANCEL, T("&Cancel"));

    for (unsigned i = 0; i < m_tabCtrl.GetPageCount(); ++i)
        m_tabCtrl.GetPage(i)->TranslateTexts();

    m_tabCtrl.TranslateTitles();

    const BannerBitmaps banners = BannersForLanguage(CurrentLanguage());
    m_topBanner.SetBitmap(Bitmap(banners.top));
    m_bottomBanner.SetBitmap(Bitmap(banners.bottom));
    // The pictures say what they open.
    SetAccessibleName(m_topBanner, T("Morvex web page (opens in your browser)"));
    SetAccessibleName(m_bottomBanner, T("Morvex web page (opens in your browser)"));
    SetAccessibleName(m_resourcesIcon, T("Security resources web page (opens in your browser)"));

    RelabelSystemMenu();
    Invalidate(TRUE);
}

// The entries are found by their commands: the system menu may hold more or fewer entries
// than the standard seven, and then a position would name the wrong one.
void CMorvexDlg::RelabelSystemMenu()
{
    const HMENU systemMenu = GetSystemMenu(FALSE);
    if (systemMenu == nullptr)
        return;
    const std::wstring about = T("&About Morvex...");
    const std::wstring website = T("More security from us online");

    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(about.c_str());
    SetMenuItemInfoW(systemMenu, IDM_ABOUTBOX, FALSE, &info);
    info.dwTypeData = const_cast<wchar_t*>(website.c_str());
    SetMenuItemInfoW(systemMenu, IDM_WEBSITE, FALSE, &info);
}

HBITMAP CMorvexDlg::Bitmap(UINT id)
{
    CBitmap& bitmap = m_bitmaps[id];
    if (bitmap.GetSafeHandle() == nullptr)
        bitmap.LoadBitmap(id);
    return bitmap;
}

void CMorvexDlg::ShowErrorBox(HWND owner, const std::exception& error)
{
    ::ShowErrorBox(owner, error);
}

bool CMorvexDlg::LoadSettings()
{
    bool complete = true;
    try
    {
        m_settings.Load();
    }
    catch (const std::exception& error)
    {
        ShowErrorBox(m_hWnd, error);
        complete = false;
    }
    m_sources = WhoSetsPolicy();
    // Also after a failed read: the pages show what could be read and the overview says that
    // it is not all; the values that could not be read are kept by the next save.
    for (unsigned i = 0; i < m_tabCtrl.GetPageCount(); ++i)
        m_tabCtrl.GetPage(i)->SettingsToControls(m_settings);
    return complete;
}

bool CMorvexDlg::SaveSettings()
{
    m_tabCtrl.EnsurePages();
    for (unsigned i = 0; i < m_tabCtrl.GetPageCount(); ++i)
        m_tabCtrl.GetPage(i)->ControlsToSettings(m_settings);
    std::vector<PlannedWrite> writes;
    try
    {
        writes = m_settings.PlanSave();
        m_settings.Save();
    }
    catch (const std::exception& error)
    {
        ShowErrorBox(m_hWnd, error);
        return false;
    }
    ReportOverridden(m_hWnd, writes);
    return true;
}

// Read again: a policy that arrived since the window read it counts too.
void CMorvexDlg::ReportOverridden(HWND owner, const std::vector<PlannedWrite>& writes)
{
    const std::string message = OverriddenMessage(Overridden(writes, WhoSetsPolicy()));
    if (!message.empty())
        MessageBoxW(owner, morvex::Utf8ToWide(message).c_str(), T("Morvex by Kestrune").c_str(), MB_ICONWARNING);
}

std::wstring CMorvexDlg::MakeWebSiteAddress() const
{
    return ::MakeWebSiteAddress(CurrentLanguage());
}

void CMorvexDlg::OnOK()
{
    OnSaveClicked();
}

void CMorvexDlg::OnSaveClicked()
{
    SaveSettings();
    LoadSettings();
}

void CMorvexDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    const UINT command = id & kSystemCommandMask;
    if (command == IDM_ABOUTBOX)
    {
        CAboutDlg about;
        about.DoModal();
    }
    else if (command == IDM_WEBSITE)
    {
        OpenAddress(MakeWebSiteAddress());
    }
    else
    {
        CDialog::OnSysCommand(id, lParam);
    }
}

void CMorvexDlg::OnPaint()
{
    if (!IsIconic())
    {
        CDialog::OnPaint();
        return;
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &paint);
}

HCURSOR CMorvexDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

HBRUSH CMorvexDlg::OnCtlColor(HDC dc, HWND, UINT)
{
    return ControlColours(dc);
}

HBRUSH CMorvexDlg::ControlColours(HDC dc) const
{
    if (m_highContrast && dc != nullptr)
    {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    }
    return m_backgroundBrush.GetSafeHandle();
}

void CMorvexDlg::MakeBackground()
{
    m_highContrast = HighContrastOn();
    m_backgroundBrush.CreateSolidBrush(m_highContrast ? GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255));
}

// A scheme switched on or off while the window is open: every control paints again in it.
void CMorvexDlg::OnSysColorChange()
{
    MakeBackground();
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Default();
}

void CMorvexDlg::OnSettingChange(UINT flags, const wchar_t*)
{
    if (flags == SPI_SETHIGHCONTRAST)
        OnSysColorChange();
    else
        Default();
}

// An accessibility client exploring the window finds every page there.
LRESULT CMorvexDlg::OnGetObject(WPARAM, LPARAM)
{
    m_tabCtrl.EnsurePages();
    return Default();
}

void CMorvexDlg::OnTopBannerClicked()
{
    OpenAddress(MakeLandingPageAddress(CurrentLanguage()));
}

void CMorvexDlg::OnResourcesIconClicked()
{
    OpenAddress(MakeResourcesAddress(CurrentLanguage()));
}

void CMorvexDlg::OnBottomBannerClicked()
{
    OpenAddress(MakeLandingPageAddress(CurrentLanguage()));
}
