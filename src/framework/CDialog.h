#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

#include "CWnd.h"

class CDialog;

// What DoDataExchange works on: the dialog and the direction (only binding is used here).
class CDataExchange
{
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds a control object to the dialog item with that id (once; later calls change nothing).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// A dialog built from a template in the program's resources, modal (DoModal) or modeless
// (Create). Messages reach the class's message map through the dialog procedure; whatever
// the map does not handle gets the dialog manager's default handling.
class CDialog : public CWnd
{
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    // A modeless dialog; the parent given here replaces the one given at construction.
    virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);

    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // Puts the controls first in the dialog's Z order, in this order, which is the order Tab
    // walks them in; controls not named keep their order after them. Called before the window
    // exists (in the constructor), the dialog is made from a copy of its template in this
    // order, which costs nothing; afterwards each control is moved.
    void SetTabOrder(std::initializer_list<int> ids);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    LRESULT Default() override;

    void OnPaint();
    void OnSysCommand(UINT id, LPARAM lParam);

    // The dialog template the window is made from.
    UINT m_templateId;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ModalMessageFilter(int code, WPARAM wParam, LPARAM lParam);
    bool ForwardToNestedDialog(WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ExecuteDlgInit();
    // The template in the tab order, empty when there is none to apply or the template
    // cannot be read; then the controls are moved once the window exists.
    std::vector<unsigned char> OrderedTemplate(UINT templateId);
    void MoveIntoTabOrder();

    // The message whose system handling Default() is asking for, until the dialog manager
    // has asked this dialog about it.
    const CurrentMessage* m_defaulting = nullptr;
    std::vector<int> m_tabOrder;
    bool m_tabOrderPending = false;
};
