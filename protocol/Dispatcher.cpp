// The main window's side of every service call: starting one, and routing its
// answer to the function's handler after the cases common to all functions.
#include "BriskoPCDlg.h"
#include "Encoding.h"
#include "HttpSession.h"
#include "MessageBox.h"
#include "Response.h"
#include "resource.h"

namespace {
using Handler = void (CBriskoPCDlg::*)(HttpRequest&);
struct Route {
    const char* name;
    Handler handler;
};

// The functions whose answers are decoded before their handler reads them.
const Route kRoutes[] = {
    {"GETCONTACTS", &CBriskoPCDlg::OnGetContacts},
    {"EDITCONTACT", &CBriskoPCDlg::OnContactResponse},
    {"DELETECONTACT", &CBriskoPCDlg::OnContactResponse},
    {"ADDNEWCONTACT", &CBriskoPCDlg::OnContactResponse},
    {"ADDCONTACT", &CBriskoPCDlg::OnContactResponse},
    {"SENDSMS", &CBriskoPCDlg::OnSendSmsResponse},
    {"STATUSSMS", &CBriskoPCDlg::OnSmsStatusResponse},
    {"LOGINPC", &CBriskoPCDlg::OnLoginPcResponse},
    {"SENDTEXT", &CBriskoPCDlg::OnSendTextResponse},
    {"RECEIVEMSG", &CBriskoPCDlg::OnReceiveMsgResponse},
    {"LOGOFF", &CBriskoPCDlg::OnLogoffResponse},
    {"GETUSERINFO", &CBriskoPCDlg::ResponseGetUserInfo},
    {"SETSTATUS", &CBriskoPCDlg::OnSetStatusResponse},
    {"GETCOSTS", &CBriskoPCDlg::OnGetCosts},
    {"CHECKSTATUSES", &CBriskoPCDlg::OnCheckStatusesResponse},
    {"CHECKSMS", &CBriskoPCDlg::OnSmsCheckResponse},
    {"VERSION", &CBriskoPCDlg::OnVersionResponse},
};

// What a request leaves under way when it ends without its handler: each
// state goes back to where the timers try that step again.
const Route kLostRoutes[] = {
    {"LOGIN", &CBriskoPCDlg::OnLoginLost},
    {"LOGINPC", &CBriskoPCDlg::OnLoginPcLost},
    {"SENDSMS", &CBriskoPCDlg::OnSendSmsLost},
    {"CHECKSMS", &CBriskoPCDlg::OnSendSmsLost},
    {"SENDTEXT", &CBriskoPCDlg::OnSendTextLost},
    {"RECEIVEMSG", &CBriskoPCDlg::OnReceiveMsgLost},
    {"GETUSERINFO", &CBriskoPCDlg::OnGetUserInfoLost},
    {"SETSTATUS", &CBriskoPCDlg::OnSetStatusResponse},
};
} // namespace

HttpRequest* CBriskoPCDlg::NewRequest(const char* function, std::string url) {
    auto* request = new HttpRequest;
    request->pChannel = m_pRequests;
    request->szFunction = function;
    request->szUrl = std::move(url);
    request->nLogin = m_nLoginSerial;
    return request;
}

void CBriskoPCDlg::QueueRequest(const char* function, std::string url, void* context,
                                std::shared_ptr<void> owned) {
    HttpRequest* request = NewRequest(function, std::move(url));
    request->dwContext = context;
    request->pOwnedContext = std::move(owned);
    StartRequest(request);
}

LRESULT CBriskoPCDlg::OnRequestStarted(WPARAM, LPARAM) {
    if (++m_nThreads == 1)
        StartBusyDelay();
    return 0;
}

LRESULT CBriskoPCDlg::OnRequestDone(WPARAM, LPARAM lParam) {
    std::unique_ptr<HttpRequest> request(reinterpret_cast<HttpRequest*>(lParam));
    if (--m_nThreads == 0)
        EndBusyIcon();
    // An answer of a login given up since must not touch the one that followed.
    if (request->nLogin != m_nLoginSerial)
        return 0;
    bool handled = DispatchResponse(request);
    // Null when handed on, to be sent again after a silent re-login.
    if (request)
        EndRequest(*request, handled);
    return 0;
}

// Whatever a request had under way ends with it, answered or not: a state left
// "under way" would stop its rung of the ladder for good. So does the request
// a re-login carried when the re-login failed.
void CBriskoPCDlg::EndRequest(HttpRequest& request, bool handled) {
    if (!handled)
        OnRequestLost(request);
    if (request.pPending) {
        OnRequestLost(*request.pPending);
        request.pPending.reset();
    }
}

// TRUE when the function's handler took the answer; the request is null when
// it was handed on.
bool CBriskoPCDlg::DispatchResponse(std::unique_ptr<HttpRequest>& request) {
    // Stopped, timed out or not given back: dropped without a word.
    if (request->nResult != REQUEST_DONE || !request->pszResponse)
        return false;

    const std::string& function = request->szFunction;
    // LOGIN's handler takes every answer, an empty one too (offline work).
    if (function == "LOGIN") {
        OnLoginResponse(*request);
        return true;
    }
    if (!request->pszResponse[0]) {
        OnServiceUnreachable(*request);
        return true;
    }
    if (StartsWith(request->pszResponse.get(), "NOP")) {
        // The web session expired: log in again silently and send this once
        // more. Each request that finds it so waits for a re-login of its own;
        // only the re-login itself, or a request already sent again, ends the
        // session.
        if (!request->bResent && function != "QUICKLOGIN" && !m_strPassword.empty()) {
            if (m_nSessionState == 2)
                m_nSessionState = 1;
            request->pszResponse.reset();
            QuickLogin(std::move(request));
            return true;
        }
        EndRequest(*request, false);
        request.reset();
        // Nothing to say when the client has left the session already (log-off).
        if (m_nSessionState != 0) {
            m_nSessionState = 0;
            AfxMessageBox(IDS_NO_CONNECTION);
        }
        return true;
    }
    if (function == "QUICKLOGIN") {
        OnQuickLoginResponse(*request);
        return true;
    }
    DecodeResponse(request->pszResponse.get());
    for (const Route& route : kRoutes)
        if (function == route.name) {
            (this->*route.handler)(*request);
            return true;
        }
    return false;
}

void CBriskoPCDlg::OnRequestLost(HttpRequest& request) {
    for (const Route& route : kLostRoutes)
        if (request.szFunction == route.name)
            (this->*route.handler)(request);
}

// The service could not be reached: the session is gone until the timer
// brings it back. The request's own step ends before anything is shown.
void CBriskoPCDlg::OnServiceUnreachable(HttpRequest& request) {
    if (m_nSessionState == 2)
        m_nSessionState = 1;
    EndRequest(request, false);
    if (request.szFunction == "SENDSMS") {
        // The SMS stays where it is, in the outbox.
        m_nOutboxState = 1;
        AfxMessageBox("Z powodu braku połączenia z Briskiem, ten SMS i nastepne zostaną "
                      "umieszczone w Skrzynce Nadawczej.");
    }
}
