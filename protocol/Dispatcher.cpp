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
    {"LOGOFF", &CBriskoPCDlg::OnLogoffResponse},
    {"GETCOSTS", &CBriskoPCDlg::OnGetCosts},
    {"CHECKSTATUSES", &CBriskoPCDlg::OnCheckStatusesResponse},
};
} // namespace

HttpRequest* CBriskoPCDlg::NewRequest(const char* function, std::string url) {
    auto* request = new HttpRequest;
    request->pChannel = m_pRequests;
    request->szFunction = function;
    request->szUrl = std::move(url);
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
    // Stopped, timed out or not given back: dropped without a word.
    if (request->nResult != REQUEST_DONE || !request->pszResponse)
        return 0;

    const std::string& function = request->szFunction;
    if (function == "LOGIN")
        OnLoginResponse(*request);
    if (!request->pszResponse[0]) {
        OnServiceUnreachable(*request);
        return 0;
    }
    // The web session expired: log in again silently and send this once more.
    if (m_nSessionState == 2 && StartsWith(request->pszResponse.get(), "NOP") &&
        !request->bResent) {
        m_nSessionState = 1;
        request->pszResponse.reset();
        QuickLogin(std::move(request));
        return 0;
    }
    if (function == "QUICKLOGIN")
        OnQuickLoginResponse(*request);
    // The re-login did not bring a session back either.
    bool again = m_nSessionState == 1 || (m_nSessionState == 2 && request->bResent);
    if (again && StartsWith(request->pszResponse.get(), "NOP")) {
        m_nSessionState = 0;
        AfxMessageBox(IDS_NO_CONNECTION);
        return 0;
    }
    DecodeResponse(request->pszResponse.get());
    for (const Route& route : kRoutes)
        if (function == route.name) {
            (this->*route.handler)(*request);
            break;
        }
    return 0;
}

// The service could not be reached: the session is gone until the timer
// brings it back.
void CBriskoPCDlg::OnServiceUnreachable(const HttpRequest& request) {
    if (m_nSessionState == 2)
        m_nSessionState = 1;
    if (request.szFunction == "LOGINPC")
        m_nDbState = 0;
    if (request.szFunction == "SENDSMS") {
        // The SMS stays where it is, in the outbox.
        m_nOutboxState = 1;
        AfxMessageBox("Z powodu braku połączenia z Briskiem, ten SMS i nastepne zostaną "
                      "umieszczone w Skrzynce Nadawczej.");
    }
}
