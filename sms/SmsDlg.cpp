#include "SmsDlg.h"

#include "DataExchange.h"
#include "MessageBox.h"
#include "SmsRules.h"
#include "WinApp.h"
#include "resource.h"

// clang-format off
BEGIN_MESSAGE_MAP(CSmsDlg, CDialog)
    ON_CONTROL(EN_UPDATE, IDC_SMS_TEXT, OnTextUpdate)
END_MESSAGE_MAP()
// clang-format on

CSmsDlg::CSmsDlg() : CDialog(IDD_SMS) {}

void CSmsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_SMS_NUMBER, m_strNumber);
    DDX_Text(pDX, IDC_SMS_TEXT, m_strText);
    DDX_Check(pDX, IDC_SMS_CLASS0, m_bClass0);
}

BOOL CSmsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_bPolish)
        SetWindowText("BriskoPC - Wyślij SMSa z polskimi znakami");
    ::SetDlgItemTextA(m_hWnd, IDC_SMS_PRICE, SmsPriceText(m_nPrice).c_str());
    return TRUE;
}

void CSmsDlg::OnTextUpdate() {
    UpdateData(TRUE);
    int length = SmsLength(m_strText);
    int parts = SmsParts(length, m_bPolish);
    // A long SMS goes in linked parts, which cannot be class 0.
    HWND class0 = GetDlgItem(IDC_SMS_CLASS0);
    if (parts >= 2) {
        m_bClass0 = FALSE;
        ::CheckDlgButton(m_hWnd, IDC_SMS_CLASS0, BST_UNCHECKED);
        ::EnableWindow(class0, FALSE);
    } else {
        ::EnableWindow(class0, TRUE);
    }
    ::SetDlgItemTextA(m_hWnd, IDC_SMS_PRICE, SmsPriceText(m_nPrice * parts).c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_SMS_COUNTER, SmsCounterText(length, parts).c_str());
}

void CSmsDlg::OnOK() {
    UpdateData(TRUE);
    SmsInput input = CheckSmsInput(m_strNumber, m_strText, m_bPolish);
    if (input != SmsInput::Ok) {
        MessageBoxFor(m_hWnd, SmsInputMessage(input), AfxGetApp()->m_strAppName, MB_OK);
        if (input != SmsInput::BadNumber)
            ::SetFocus(GetDlgItem(IDC_SMS_TEXT));
        return;
    }
    EndDialog(IDOK);
}
