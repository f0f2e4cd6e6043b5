#include "ContactDlg.h"

#include "ContactRules.h"
#include "DataExchange.h"
#include "MessageBox.h"
#include "resource.h"

CContactDlg::CContactDlg() : CDialog(IDD_CONTACT) {}

void CContactDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_CONTACT_NAME, m_strName);
    DDX_Text(pDX, IDC_CONTACT_NUMBER, m_strNumber);
}

void CContactDlg::OnOK() {
    UpdateData(TRUE);
    if (const char* problem = ContactInputMessage(CheckContactInput(m_strName, m_strNumber))) {
        MessageBoxFor(m_hWnd, problem, "Uwaga", MB_OK);
        return;
    }
    EndDialog(IDOK);
}
