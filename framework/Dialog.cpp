#include "Dialog.h"

#include "DataExchange.h"
#include "WinApp.h"

namespace {
fw::DialogScript* g_script = nullptr;
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParent)
    : m_nIDTemplate(nIDTemplate), m_pParent(pParent) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND hWnd = m_hWnd;
        Detach();
        ::DestroyWindow(hWnd);
    }
}

HWND CDialog::ParentHandle() const {
    if (m_pParent)
        return m_pParent->m_hWnd;
    // Like any dialog of the program, an ownerless one belongs to the main window.
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd && app->m_pMainWnd != this ? app->m_pMainWnd->m_hWnd : nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParent) {
    if (nIDTemplate)
        m_nIDTemplate = nIDTemplate;
    if (pParent)
        m_pParent = pParent;
    HWND hWnd = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                                     ParentHandle(), DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

INT_PTR CDialog::DoModal() {
    if (g_script) {
        fw::DialogScript::Action action = g_script->Take(m_nIDTemplate);
        m_bScripted = true;
        m_nScriptResult = -1;
        if (Create()) {
            action(*this);
            if (m_hWnd)
                ::DestroyWindow(m_hWnd);
        }
        m_bScripted = false;
        return m_nScriptResult;
    }
    return ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                             ParentHandle(), DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR nResult) {
    if (m_bScripted) {
        m_nScriptResult = nResult;
        ::DestroyWindow(m_hWnd);
        return;
    }
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(m_hWnd, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::MoveItem(int nID, int left, int top, int right, int bottom) {
    HWND item = GetDlgItem(nID);
    if (!item)
        return;
    RECT r = {left, top, right, bottom};
    ::MapDialogRect(m_hWnd, &r);
    ::MoveWindow(item, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

BOOL CDialog::ClientSizeInDialogUnits(LPARAM lParam, int* pWidth, int* pHeight) {
    RECT unit = {0, 0, 4, 8};
    ::MapDialogRect(m_hWnd, &unit);
    if (unit.right <= 0 || unit.bottom <= 0)
        return FALSE;
    *pWidth = ::MulDiv(LOWORD(lParam), 4, unit.right);
    *pHeight = ::MulDiv(HIWORD(lParam), 8, unit.bottom);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            return TRUE;
        }
        // Commands no window handles go to the application object.
        if (AfxGetApp() && HIWORD(wParam) == 0 && AfxGetApp()->OnCmdMsg(LOWORD(wParam))) {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        CWnd* control = CWnd::FromHandle(item->hwndItem);
        return control && control->OnChildNotify(message, wParam, lParam, pResult);
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->Attach(hWnd);
        return self->OnInitDialog();
    }
    self = static_cast<CDialog*>(CWnd::FromHandle(hWnd));
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        self->Detach();
        // Destroying the main window ends the program's message loop.
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == self)
            ::PostQuitMessage(0);
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->OnWndMsg(message, wParam, lParam, &result))
        return FALSE;
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

namespace fw {

DialogScript::DialogScript() {
    g_script = this;
}
DialogScript::~DialogScript() {
    g_script = nullptr;
}

void DialogScript::Expect(UINT nIDTemplate, Action action) {
    m_steps.push_back({nIDTemplate, std::move(action)});
}

DialogScript::Action DialogScript::Take(UINT nIDTemplate) {
    m_opened.push_back(nIDTemplate);
    if (m_steps.empty() || m_steps.front().nIDTemplate != nIDTemplate) {
        // An unexpected dialog is closed at once, as if cancelled.
        return [](CDialog& dlg) { dlg.EndDialog(IDCANCEL); };
    }
    Action action = std::move(m_steps.front().action);
    m_steps.erase(m_steps.begin());
    return action;
}

void SetItemText(CDialog& dlg, int nID, const std::string& text) {
    SetControlText(dlg.m_hWnd, nID, text);
}

void TypeText(CDialog& dlg, int nID, const std::string& text) {
    HWND edit = dlg.GetDlgItem(nID);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void SetCheck(CDialog& dlg, int nID, bool checked) {
    ::CheckDlgButton(dlg.m_hWnd, nID, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Press(CDialog& dlg, int nID) {
    ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dlg.GetDlgItem(nID)));
}

} // namespace fw
