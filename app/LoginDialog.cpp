#include "LoginDialog.h"

#include "Credentials.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "resource.h"

CLoginDialog::CLoginDialog(CWnd* pParent) : CDialog(IDD_LOGIN, pParent) {}

void CLoginDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_LOGIN, m_strLogin);
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
    DDX_Check(pDX, IDC_REMEMBER, m_bRemember);
}

void CLoginDialog::OnOK() {
    UpdateData(TRUE);
    if (!IsValidLogin(m_strLogin)) {
        MessageBoxFor(m_hWnd, "Nieprawidłowy numer telefonu!", AfxGetApp()->m_strAppName, MB_OK);
        return;
    }
    EndDialog(IDOK);
}
