#include "SmsDlg.h"

#include "DataExchange.h"
#include "MessageBox.h"
#include "SmsRules.h"
#include "WinApp.h"
#include "resource.h"

// clang-format off
BEGIN_MESSAGE_MAP(CSmsDlg, CDialog)
    ON_CONTROL(EN_UPDATE, IDC_SMS_TEXT, OnTextUpdate)
    ON_COMMAND(IDC_SMS_PICK, OnPickRecipient)
END_MESSAGE_MAP()
// clang-format on

namespace {
// A name as a menu item shows it: a single "&" would underline the next letter.
std::string MenuItemText(const std::string& name) {
    std::string text;
    for (char c : name) {
        text += c;
        if (c == '&')
            text += '&';
    }
    return text;
}
} // namespace

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
    fw::SetControlText(m_hWnd, IDC_SMS_PRICE, SmsPriceText(m_nPrice));
    for (const SmsRecipient& r : m_recipients)
        if (std::string digits = RecipientDigits(r.strNumber); !digits.empty())
            m_offered.push_back({r.strName, digits});
    ::EnableWindow(GetDlgItem(IDC_SMS_PICK), !m_offered.empty());
    return TRUE;
}

// The offered contacts in a menu under the button; the chosen one's number
// takes the place of the one in the field.
void CSmsDlg::OnPickRecipient() {
    HMENU menu = ::CreatePopupMenu();
    for (size_t i = 0; i < m_offered.size(); ++i)
        fw::AppendMenuText(menu, i + 1, MenuItemText(m_offered[i].strName));
    RECT button;
    ::GetWindowRect(GetDlgItem(IDC_SMS_PICK), &button);
    UINT chosen = ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, button.left,
                                   button.bottom, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
    if (chosen == 0)
        return;
    fw::SetControlText(m_hWnd, IDC_SMS_NUMBER, m_offered[chosen - 1].strNumber);
    ::SetFocus(GetDlgItem(IDC_SMS_TEXT));
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
    fw::SetControlText(m_hWnd, IDC_SMS_PRICE, SmsPriceText(m_nPrice * parts));
    fw::SetControlText(m_hWnd, IDC_SMS_COUNTER, SmsCounterText(length, parts));
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
