#include "PasswordDlg.h"

#include "DataExchange.h"
#include "resource.h"

namespace {
const UINT_PTR kWaitTimer = 1;
} // namespace

BEGIN_MESSAGE_MAP(CPasswordDlg, CDialog)
ON_MESSAGE(WM_TIMER, OnTimer)
END_MESSAGE_MAP()

CPasswordDlg::CPasswordDlg(CWnd* pParent) : CDialog(IDD_PASSWORD, pParent) {}

void CPasswordDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
}

BOOL CPasswordDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_dwWaitMs > 0 && ::SetTimer(m_hWnd, kWaitTimer, m_dwWaitMs, nullptr))
        ::EnableWindow(GetDlgItem(IDOK), FALSE);
    return TRUE;
}

void CPasswordDlg::OnOK() {
    if (::IsWindowEnabled(GetDlgItem(IDOK)))
        CDialog::OnOK();
}

LRESULT CPasswordDlg::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam == kWaitTimer) {
        ::KillTimer(m_hWnd, kWaitTimer);
        ::EnableWindow(GetDlgItem(IDOK), TRUE);
    }
    return 0;
}
