// Opening and closing the client's sessions with the service: LOGIN,
// QUICKLOGIN (a silent LOGIN that sends one request again), LOGINPC, LOGOFF
// and CHECKSTATUSES.
#include "BriskoPCDlg.h"

#include "Encoding.h"
#include "HttpSession.h"
#include "MessageBox.h"
#include "StoredPassword.h"
#include "Response.h"
#include "WinApp.h"
#include "resource.h"

namespace {
const char kSection[] = "BriskoPC";

std::string CredentialsUrl(const char* function, std::string login, std::string password) {
    EncodeParam(login);
    EncodeParam(password);
    return std::string("briskopc.asp?function=") + function + "&usr_login=" + login +
           "&usr_pass=" + password;
}
} // namespace

void CBriskoPCDlg::Login(std::string login, std::string password) {
    ResumePendingMessages();
    QueueRequest("LOGIN", CredentialsUrl("LOGIN", std::move(login), std::move(password)));
    m_nSessionState = 3;
}

void CBriskoPCDlg::QuickLogin(std::unique_ptr<HttpRequest> pending) {
    HttpRequest* request =
        NewRequest("QUICKLOGIN", CredentialsUrl("LOGIN", m_strLogin, m_strPassword));
    request->pPending = std::move(pending);
    StartRequest(request);
}

void CBriskoPCDlg::LoginPc(std::string login, std::string password) {
    if (!IsSessionUp() || m_nDbState == 2)
        return;
    m_nDbState = 2;
    QueueRequest("LOGINPC", CredentialsUrl("LOGINPC", std::move(login), std::move(password)));
}

void CBriskoPCDlg::Logoff() {
    if (IsSessionUp())
        QueueRequest("LOGOFF", "briskopc.asp?function=LOGOFF");
}

void CBriskoPCDlg::CheckStatuses() {
    if (IsSessionUp())
        QueueRequest("CHECKSTATUSES", "briskopc.asp?function=CHECKSTATUSES");
}

void CBriskoPCDlg::OnLoginResponse(HttpRequest& request) {
    const char* response = request.pszResponse.get();
    CWinApp* app = AfxGetApp();
    if (StartsWith(response, "LOGINOK")) {
        ResponseReader fields(response);
        m_strPushHost = fields.NextField();
        m_nPushPort = fields.NextInt();
        m_nCredits = fields.NextInt();
        m_nDays = fields.NextInt();
        m_nClass = fields.NextInt();
        UpdateStatusLine();
        m_nSessionState = 2;
        m_strOwnName = m_strLogin;
        app->WriteProfileString(kSection, "Login", m_strLogin.c_str());
        // A locked client keeps no password on disk; the unlock stores it.
        if (m_bRememberPassword && !m_bLocked)
            WriteStoredPassword(*app, m_strPassword);
        if (!ShowSessionState(m_strLogin.c_str(), IDR_MENU_LOGGEDIN))
            return;
        SendVersion();
        SendGetContacts();
        SendGetCosts();
        ReadOutboxFile();
        ReadSentLog();
        m_nReloginCountdown = 0;
    } else if (Equals(response, "LOGINFAILED")) {
        // The refused password is forgotten before the box: while it is open the
        // timers run, and nothing may try the password again.
        m_nSessionState = 0;
        m_strLogin.clear();
        m_strPassword.clear();
        DeleteStoredPassword(*app);
        ShowSessionState("BriskoPC - Niezalogowany", IDR_MENU_LOGGEDOUT);
        RefreshConnectionItems();
        AfxMessageBox(IDS_LOGIN_FAILED);
        return;
    } else {
        // No answer, or one that makes no sense: work offline.
        if (m_nContactsSource == 0 && ShowSessionState(nullptr, IDR_MENU_LOGGEDIN)) {
            ::EnableMenuItem(m_menu, ID_CONTACT_ADD, MF_BYCOMMAND | MF_GRAYED);
            ::EnableMenuItem(m_menu, ID_SMS_STATUS, MF_BYCOMMAND | MF_GRAYED);
            ReadContactsFile();
            ReadOutboxFile();
            ReadSentLog();
            m_nContactsSource = 1;
        }
        m_nSessionState = 0;
    }
    RefreshConnectionItems();
}

void CBriskoPCDlg::OnQuickLoginResponse(HttpRequest& request) {
    const char* response = request.pszResponse.get();
    // A failed re-login leaves its pending request to the dispatcher, which ends it.
    if (!StartsWith(response, "LOGINOK")) {
        m_nSessionState = 1;
        return;
    }
    ResponseReader fields(response);
    m_strPushHost = fields.NextField();
    m_nPushPort = fields.NextInt();
    m_nCredits = fields.NextInt();
    UpdateStatusLine();
    // Still sees the state from before this answer: from state 1 it sends nothing.
    LoginPc(m_strLogin, m_strPassword);
    m_nSessionState = 2;
    m_nReloginCountdown = 0;
    if (request.pPending) {
        request.pPending->bResent = true;
        StartRequest(request.pPending.release());
    }
}

void CBriskoPCDlg::OnLoginPcResponse(HttpRequest& request) {
    const char* response = request.pszResponse.get();
    if (StartsWith(response, "LOGINPCOK")) {
        ResponseReader fields(response);
        m_strSessionId = fields.NextField();
        m_strOwnName = fields.NextField();
        m_nDbState = 1;
        m_nReloginCountdown = 0;
        return;
    }
    // Any other answer ends the attempt, so that the timer sends LOGINPC again.
    m_nDbState = 0;
    if (Equals(response, "LOGINPCFAILED"))
        MessageBoxFor(m_hWnd, "Error in BriskoPCDBLogin", "Error", MB_OK);
}

void CBriskoPCDlg::OnLoginLost(HttpRequest&) {
    if (m_nSessionState == 3)
        m_nSessionState = 0;
}

void CBriskoPCDlg::OnLoginPcLost(HttpRequest&) {
    if (m_nDbState == 2)
        m_nDbState = 0;
}

void CBriskoPCDlg::OnLogoffResponse(HttpRequest& request) {
    if (!Equals(request.pszResponse.get(), "LOGOFFOK"))
        return;
    m_nSessionState = 0;
    m_nDbState = 0;
    if (m_nSocksState == 2)
        m_nSocksState = 1;
}

void CBriskoPCDlg::OnCheckStatusesResponse(HttpRequest& request) {
    if (Equals(request.pszResponse.get(), "CHECKSTATUSESFAILES"))
        MessageBoxFor(m_hWnd, "Error in CheckStatuses", "Error", MB_OK);
}
