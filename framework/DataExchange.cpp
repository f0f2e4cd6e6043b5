#include "DataExchange.h"

#include "Wnd.h"

void DDX_Text(CDataExchange* pDX, int nID, std::string& value) {
    HWND control = ::GetDlgItem(pDX->m_hDlg, nID);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextA(control, value.c_str());
        return;
    }
    value = fw::GetText(control);
}

void DDX_Check(CDataExchange* pDX, int nID, BOOL& value) {
    if (!pDX->m_bSaveAndValidate)
        ::CheckDlgButton(pDX->m_hDlg, nID, value ? BST_CHECKED : BST_UNCHECKED);
    else
        value = ::IsDlgButtonChecked(pDX->m_hDlg, nID) == BST_CHECKED;
}
