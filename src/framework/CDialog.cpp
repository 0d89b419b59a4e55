#include "CDialog.h"

#include "CWinApp.h"
#include "DialogTemplate.h"
#include "DlgInit.h"
#include "TextConvert.h"

#include <vector>

namespace {

const WORD kDlgInitResourceType = 240;

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_QUERYDRAGICON ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_INITDIALOG;
}

// The window that owns a dialog created without a parent: the main window, unless it is
// the dialog itself.
HWND DefaultOwner(const CWnd* dialog)
{
    CWnd* main = AfxGetMainWnd();
    return (main != nullptr && main != dialog) ? main->GetSafeHwnd() : nullptr;
}

// The modal dialogs open on this thread, innermost last, and the hook through which their
// loops hand each message to PreTranslateMessage first (the loop belongs to the system).
std::vector<CDialog*> g_modalDialogs;
HHOOK g_modalFilter = nullptr;

} // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (pDX == nullptr || control.GetSafeHwnd() != nullptr)
        return;
    control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_pParentWnd(parent)
{
}

CDialog::~CDialog()
{
    // A modeless dialog whose window is still there: its procedure must stop reaching us.
    if (m_hWnd != nullptr)
    {
        SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
}

INT_PTR CDialog::DoModal()
{
    const HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : DefaultOwner(this);
    if (g_modalFilter == nullptr)
        g_modalFilter = SetWindowsHookExW(WH_MSGFILTER, &CDialog::ModalMessageFilter, nullptr, GetCurrentThreadId());
    g_modalDialogs.push_back(this);
    const std::vector<unsigned char> ordered = OrderedTemplate(m_templateId);
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    const INT_PTR result =
        ordered.empty()
            ? DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_templateId), owner, &CDialog::DialogProc, self)
            : DialogBoxIndirectParamW(AfxGetResourceHandle(), reinterpret_cast<LPCDLGTEMPLATEW>(ordered.data()), owner,
                                      &CDialog::DialogProc, self);
    g_modalDialogs.pop_back();
    if (g_modalDialogs.empty() && g_modalFilter != nullptr)
    {
        UnhookWindowsHookEx(g_modalFilter);
        g_modalFilter = nullptr;
    }
    return result;
}

// Only the innermost dialog's own messages: a message box's loop comes here too.
LRESULT CALLBACK CDialog::ModalMessageFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX && !g_modalDialogs.empty() && lParam != 0)
    {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        CDialog* dialog = g_modalDialogs.back();
        const HWND window = dialog->GetSafeHwnd();
        if (window != nullptr && (msg->hwnd == window || IsChild(window, msg->hwnd)) &&
            AfxCallHandler<BOOL>(window, FALSE, [&] { return dialog->PreTranslateMessage(msg); }))
            return 1;
    }
    return CallNextHookEx(g_modalFilter, code, wParam, lParam);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    if (m_hWnd != nullptr)
        return FALSE;
    m_templateId = templateId;
    if (parent != nullptr)
        m_pParentWnd = parent;
    const HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : DefaultOwner(this);
    const std::vector<unsigned char> ordered = OrderedTemplate(templateId);
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    const HWND window =
        ordered.empty()
            ? CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId), owner, &CDialog::DialogProc, self)
            : CreateDialogIndirectParamW(AfxGetResourceHandle(), reinterpret_cast<LPCDLGTEMPLATEW>(ordered.data()),
                                         owner, &CDialog::DialogProc, self);
    return window != nullptr;
}

void CDialog::EndDialog(int result)
{
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

void CDialog::SetTabOrder(std::initializer_list<int> ids)
{
    m_tabOrder.assign(ids.begin(), ids.end());
    if (m_hWnd != nullptr)
        MoveIntoTabOrder();
}

std::vector<unsigned char> CDialog::OrderedTemplate(UINT templateId)
{
    m_tabOrderPending = !m_tabOrder.empty();
    if (m_tabOrder.empty())
        return {};
    const HINSTANCE module = AfxGetResourceHandle();
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    const HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return {};
    std::vector<unsigned char> ordered =
        ReorderDialogTemplate(static_cast<const unsigned char*>(bytes), SizeofResource(module, info), m_tabOrder);
    m_tabOrderPending = ordered.empty();
    return ordered;
}

void CDialog::MoveIntoTabOrder()
{
    HWND previous = HWND_TOP;
    for (const int id : m_tabOrder)
    {
        const HWND control = ::GetDlgItem(m_hWnd, id);
        if (control == nullptr)
            continue;
        ::SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnPaint()
{
    Default();
}

void CDialog::OnSysCommand(UINT, LPARAM)
{
    Default();
}

// The system's handling of the message, now, as CWnd::Default gives it: the dialog
// manager's. DefDlgProc first asks this dialog's procedure again; that one call for the same
// message is answered "not handled", so that the dialog manager does its own part and
// returns its result here.
LRESULT CDialog::Default()
{
    if (m_hWnd == nullptr)
        return 0;
    const CurrentMessage asked = m_current;
    const CurrentMessage* outer = m_defaulting;
    m_defaulting = &asked;
    const LRESULT result = DefDlgProcW(m_hWnd, asked.message, asked.wParam, asked.lParam);
    m_defaulting = outer;
    return result;
}

void CDialog::ExecuteDlgInit()
{
    const HINSTANCE module = AfxGetResourceHandle();
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(kDlgInitResourceType));
    if (info == nullptr)
        return;
    const HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return;
    const auto items = ParseDlgInit(static_cast<const unsigned char*>(bytes), SizeofResource(module, info));
    for (const DlgInitItem& item : items)
    {
        UINT message = 0;
        if (item.message == kDlgInitComboBoxAddString)
            message = CB_ADDSTRING;
        else if (item.message == kDlgInitListBoxAddString)
            message = LB_ADDSTRING;
        else
            continue;
        // The texts are stored in the ANSI code page.
        const std::wstring text = morvex::ToWide(CP_ACP, item.data);
        SendDlgItemMessageW(m_hWnd, item.controlId, message, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG)
    {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
    }
    else
    {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    return AfxCallHandler<INT_PTR>(hwnd, FALSE, [&] { return self->HandleMessage(message, wParam, lParam); });
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        if (m_tabOrderPending)
        {
            m_tabOrderPending = false;
            MoveIntoTabOrder();
        }
        ExecuteDlgInit();
        return OnInitDialog();
    }
    if (m_defaulting != nullptr && message == m_defaulting->message && wParam == m_defaulting->wParam &&
        lParam == m_defaulting->lParam)
    {
        // Default() is asking the dialog manager for its handling of this very message.
        m_defaulting = nullptr;
        return FALSE;
    }
    if (message == WM_COMMAND && ForwardToNestedDialog(wParam, lParam))
        return TRUE;
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, result))
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

// The dialog manager sends the commands of the keyboard (Enter on a focused push button) to
// the outermost dialog, also for a button of a nested dialog such as a tab page. The command
// belongs to the button's own dialog, as a click would have sent it there.
bool CDialog::ForwardToNestedDialog(WPARAM wParam, LPARAM lParam)
{
    const HWND control = reinterpret_cast<HWND>(lParam);
    if (control == nullptr || !IsChild(m_hWnd, control))
        return false;
    const HWND owner = GetParent(control);
    if (owner == m_hWnd || owner == nullptr)
        return false;
    ::SendMessageW(owner, WM_COMMAND, wParam, lParam);
    return true;
}
