// Dialogs made from templates of the resource script, modal or modeless, with a
// message table and data exchange between controls and members.
#pragma once

#include "MessageMap.h"
#include "Wnd.h"

#include <functional>
#include <string>

class CDataExchange;

class CDialog : public CWnd {
public:
    CDialog(UINT nIDTemplate, CWnd* pParent = nullptr);
    ~CDialog() override;

    // Modeless: the window lives until DestroyWindow.
    BOOL Create(UINT nIDTemplate = 0, CWnd* pParent = nullptr);
    // Modal: returns the code given to EndDialog, or -1 when the window failed.
    INT_PTR DoModal();
    void EndDialog(INT_PTR nResult);

    // Controls to members (bSaveAndValidate TRUE) or members to controls;
    // FALSE when a control's text was refused.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    UINT GetTemplateId() const { return m_nIDTemplate; }

    virtual BOOL OnInitDialog();
    // Places a control by its rectangle in dialog units; nothing when it is missing.
    void MoveItem(int nID, int left, int top, int right, int bottom);
    // The client size of a WM_SIZE in dialog units; FALSE before the font is known.
    BOOL ClientSizeInDialogUnits(LPARAM lParam, int* pWidth, int* pHeight);
    virtual void OnOK();
    virtual void OnCancel();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND ParentHandle() const;

    UINT m_nIDTemplate;
    CWnd* m_pParent;
    bool m_bScripted = false;
    INT_PTR m_nScriptResult = -1;
};

namespace fw {

// While scripted, DoModal shows nothing: it makes the dialog hidden, runs the
// next scripted action on it (fill controls, press a button) and returns what the
// dialog ended with, or -1 when the action left it open.
class DialogScript {
public:
    using Action = std::function<void(CDialog&)>;
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    void Expect(UINT nIDTemplate, Action action);
    // Templates of the dialogs DoModal was asked for, in order.
    const std::vector<UINT>& Opened() const { return m_opened; }

private:
    friend class ::CDialog;
    struct Step {
        UINT nIDTemplate;
        Action action;
    };
    Action Take(UINT nIDTemplate);

    std::vector<Step> m_steps;
    std::vector<UINT> m_opened;
};

// Helpers for scripted actions: what a user does to a dialog.
void SetItemText(CDialog& dlg, int nID, const std::string& text);
// Replaces an edit control's text as typing does, with the control's notifications.
void TypeText(CDialog& dlg, int nID, const std::string& text);
void SetCheck(CDialog& dlg, int nID, bool checked);
void Press(CDialog& dlg, int nID);

} // namespace fw
