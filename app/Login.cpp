// Logging in with the stored or the typed credentials, and logging off.
#include "BriskoPCDlg.h"

#include "LoginDialog.h"
#include "MessageBox.h"
#include "StoredPassword.h"
#include "UserSettings.h"
#include "WinApp.h"
#include "resource.h"

namespace {
const char kSection[] = "BriskoPC";
} // namespace

void CBriskoPCDlg::StartLogin(BOOL bAsk) {
    CWinApp* app = AfxGetApp();
    if (!bAsk) {
        m_strLogin = app->GetProfileString(kSection, "Login");
        m_strPassword = ReadStoredPassword(*app);
        // A password kept from before was kept because the user asked.
        m_bRememberPassword = !m_strPassword.empty();
        ApplySettings(ReadUserSettings(*app));
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
    LeaveLogin();
    m_strLogin = dlg.m_strLogin;
    m_strPassword = dlg.m_strPassword;
    m_bRememberPassword = dlg.m_bRemember;
    // A password kept for another login, or one the user no longer wants kept,
    // must not stay in the profile.
    if (!m_bRememberPassword)
        DeleteStoredPassword(*app);
    // Leave the old session behind before the new one begins; a LOGINPC of the
    // old login still on its way will never be answered here.
    if (m_nSessionState == 2)
        m_nSessionState = 0;
    m_nDbState = 0;
    if (m_nSocksState == 2)
        m_nSocksState = 1;
    Login(m_strLogin, m_strPassword);
}

void CBriskoPCDlg::LeaveLogin() {
    // Answers still on their way belong to the login left behind.
    ++m_nLoginSerial;
    // The old account's waiting SMS go back into its own file.
    LeaveOutbox();
    LeaveSentLog();
    ForgetContacts();
    CatchUpPendingMessages();
    m_pendingMessages.Clear();
    // The status on its way is the old login's; its answer will not come here.
    m_bStatusOnItsWay = FALSE;
    m_nNextStatus = -1;
}

void CBriskoPCDlg::OnChangeLogin() {
    StartLogin(TRUE);
}

void CBriskoPCDlg::OnLogoff() {
    LeaveLogin();
    Logoff();
    // Logged off whether or not the answer comes: with no credentials left, a
    // session still counted as up would send LOGINPC for nobody.
    m_nSessionState = 0;
    m_nDbState = 0;
    m_strLogin.clear();
    m_strPassword.clear();
    DeleteStoredPassword(*AfxGetApp());
    ShowSessionState("Niezalogowany", IDR_MENU_LOGGEDOUT);
    RefreshConnectionItems();
    AfxMessageBox(IDS_LOGGED_OFF);
}
