// Logging in with the stored or the typed credentials, and logging off.
#include "BriskoPCDlg.h"

#include "LoginDialog.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "resource.h"

namespace {
const char kSection[] = "BriskoPC";
} // namespace

void CBriskoPCDlg::StartLogin(BOOL bAsk) {
    CWinApp* app = AfxGetApp();
    if (!bAsk) {
        m_strLogin = app->GetProfileString(kSection, "Login");
        m_strPassword = app->GetProfileString(kSection, "Password");
        m_bCheckAway = app->GetProfileInt(kSection, "CheckAway", 1);
        m_nCheckAwayTime = app->GetProfileInt(kSection, "CheckAwayTime", 5);
        if (!m_strPassword.empty()) {
            Login(m_strLogin, m_strPassword);
            return;
        }
    }
    CLoginDialog dlg(this);
    dlg.m_strLogin = m_strLogin;
    switch (dlg.DoModal()) {
    case IDOK:
        break;
    case -1:
        // No dialog: try whatever credentials there are.
        AfxMessageBox("Error Creating CLoginDialog Object");
        Login(m_strLogin, m_strPassword);
        return;
    default:
        return;
    }
    // The old account's waiting SMS go back into its own file.
    LeaveOutbox();
    m_strLogin = dlg.m_strLogin;
    m_strPassword = dlg.m_strPassword;
    m_bRememberPassword = dlg.m_bRemember;
    // Leave the old session behind before the new one begins.
    if (m_nSessionState == 2)
        m_nSessionState = 0;
    if (m_nDbState == 1)
        m_nDbState = 0;
    if (m_nSocksState == 2)
        m_nSocksState = 1;
    ForgetContacts();
    Login(m_strLogin, m_strPassword);
}

void CBriskoPCDlg::OnChangeLogin() {
    StartLogin(TRUE);
}

void CBriskoPCDlg::OnLogoff() {
    Logoff();
    m_nContactsSource = 0;
    LeaveOutbox();
    ForgetContacts();
    m_strLogin.clear();
    m_strPassword.clear();
    AfxGetApp()->WriteProfileString(kSection, "Password", nullptr);
    AfxMessageBox(IDS_LOGGED_OFF);
    SetWindowText("Niezalogowany");
    ReplaceMenu(IDR_MENU_LOGGEDOUT);
}
