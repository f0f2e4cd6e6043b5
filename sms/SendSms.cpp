// Sending the outbox one SMS at a time, and the price table the compose
// dialog prices SMS with.
#include "BriskoPCDlg.h"

#include "MessageBox.h"
#include "HttpSession.h"
#include "Messages.h"
#include "PriceList.h"
#include "Response.h"
#include "SmsRules.h"
#include "StatusReport.h"
#include "WinApp.h"
#include "resource.h"

#include <cstdio>
#include <cstring>

namespace {
// The stamp of the SMS a request carries; no record has -1.
int SendSerial(const HttpRequest& request) {
    return request.dwContext ? *static_cast<const int*>(request.dwContext) : -1;
}
} // namespace

LRESULT CBriskoPCDlg::OnSendSms(WPARAM, LPARAM) {
    if (SmsOnItsWay())
        return 0;
    MessageRecord* r = IsSessionUp() ? m_messages.FirstOutboxSms() : nullptr;
    if (!r) {
        // The session or the SMS went between the post and now: the timer tries again.
        if (m_nOutboxState == 2)
            m_nOutboxState = m_messages.CountOutboxSms() > 0 ? 1 : 0;
        return 0;
    }
    // The answer finds its SMS by this stamp: the user may delete the record
    // meanwhile. The stamp lives as long as its request.
    r->nSendSerial = ++m_nSendSerial;
    auto serial = std::make_shared<int>(r->nSendSerial);
    m_pSmsOnItsWay = serial;
    if (r->bUncertain) {
        // Before it goes out again: did the service take it the last time?
        QueueRequest("CHECKSMS", StatusSmsUrl(r->strNumber), serial.get(), serial);
        return 0;
    }
    r->strSentAt = LocalTimeText();
    // On disk from now on it counts as uncertain, before it can reach the service.
    WriteOutboxFile();
    HttpRequest* request =
        NewRequest("SENDSMS", SendSmsUrl(r->strNumber, r->strText, r->bClass0, r->bUnicode));
    request->dwContext = serial.get();
    request->pOwnedContext = serial;
    request->bOnce = true;
    StartRequest(request);
    return 0;
}

void CBriskoPCDlg::OnSendSmsResponse(HttpRequest& request) {
    MessageRecord* r = m_messages.FindBySendSerial(SendSerial(request));
    request.pOwnedContext.reset(); // no longer on its way
    const char* response = request.pszResponse.get();
    bool sent = StartsWith(response, "SENDSMSOK");
    bool noCredits = StartsWith(response, "NOCREDITS");
    bool failed = StartsWith(response, "SENDSMSFAILED") && std::strlen(response) > 13;
    if (!sent && !noCredits && !failed) {
        // An answer cut or garbled on the way may hide an SMS the service took.
        if (r && r->bInOutbox && !StartsWith(response, "SENDSMSFAILED"))
            m_messages.SetUncertain(r, TRUE);
        WriteOutboxFile();
        m_nOutboxState = 0;
        AfxMessageBox(IDS_SMS_FAILED);
        return;
    }
    ResponseReader fields(response);
    m_nCredits = fields.NextInt();
    int smsId = fields.NextInt();
    UpdateStatusLine();
    if (!sent) {
        WriteOutboxFile();
        AfxMessageBox(noCredits ? IDS_NO_CREDITS : IDS_SMS_FAILED);
        return;
    }
    // Deleted while it was on its way, the SMS is gone; the rest still goes out.
    if (r && r->bInOutbox)
        TakeAsSent(r, smsId);
    ProcessOutbox();
}

// At the end the workers are stopped or done, and their answers wait in the
// queue, where no handler will see them: an SMS the service took must not stay
// in the outbox file, to go out again at the next start.
void CBriskoPCDlg::TakeLastSmsAnswers() {
    const DWORD kWait = 1000;
    MSG msg;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < kWait;) {
        if (!::PeekMessageA(&msg, m_hWnd, WM_REQUEST_DONE, WM_REQUEST_STARTED, PM_REMOVE)) {
            if (m_nThreads <= 0)
                return;
            ::Sleep(10);
            continue;
        }
        if (msg.message == WM_REQUEST_STARTED) {
            ++m_nThreads;
            continue;
        }
        --m_nThreads;
        std::unique_ptr<HttpRequest> request(reinterpret_cast<HttpRequest*>(msg.lParam));
        if (request->szFunction != "SENDSMS" || request->nLogin != m_nLoginSerial ||
            !request->pszResponse || !StartsWith(request->pszResponse.get(), "SENDSMSOK"))
            continue;
        MessageRecord* r = m_messages.FindBySendSerial(SendSerial(*request));
        request->pOwnedContext.reset();
        ResponseReader fields(request->pszResponse.get());
        fields.NextInt(); // the balance
        if (r && r->bInOutbox)
            TakeAsSent(r, fields.NextInt());
    }
}

void CBriskoPCDlg::TakeAsSent(MessageRecord* r, int nSmsId) {
    r->bInOutbox = FALSE;
    r->bUncertain = FALSE;
    r->nSmsId = nSmsId;
    m_contacts.ShowSentSms(r);
    // Its key must not be one the log already gave.
    ReadSentLog();
    m_sentLog.LogSent(*r);
}

void CBriskoPCDlg::OnSmsCheckResponse(HttpRequest& request) {
    int serial = SendSerial(request);
    const char* response = request.pszResponse.get();
    // The check stays on its way while the user is asked, so that nothing else
    // is sent, nor asked again, meanwhile.
    MessageRecord* r = m_messages.FindBySendSerial(serial);
    if (r && r->bInOutbox) {
        if (ReportShowsSms(ParseStatusReport(response), r->strNumber, r->strSentAt)) {
            TakeAsSent(r, 0);
        } else {
            bool again = AfxMessageBox("Nie wiadomo, czy SMS do " + r->strNumber +
                                           " dotarł do serwisu Brisko: odpowiedź na jego "
                                           "wysłanie nie nadeszła. Wysłać go jeszcze raz?",
                                       MB_YESNO | MB_ICONQUESTION) == IDYES;
            // The record is looked up again: an answer may have changed the list meanwhile.
            if ((r = m_messages.FindBySendSerial(serial)) && r->bInOutbox) {
                if (again)
                    m_messages.SetUncertain(r, FALSE);
                else
                    TakeAsSent(r, 0);
            }
        }
    }
    request.pOwnedContext.reset();
    ProcessOutbox();
}

void CBriskoPCDlg::OnSendSmsLost(HttpRequest& request) {
    MessageRecord* r = m_messages.FindBySendSerial(SendSerial(request));
    request.pOwnedContext.reset();
    // Cut off after it left, an SMS may have reached the service all the same.
    if (r && r->bInOutbox && request.szFunction == "SENDSMS" && request.bMaybeDelivered)
        m_messages.SetUncertain(r, TRUE);
    if (m_nOutboxState == 2)
        m_nOutboxState = m_messages.CountOutboxSms() > 0 ? 1 : 0;
    WriteOutboxFile();
}

void CBriskoPCDlg::SendGetCosts() {
    if (IsSessionUp())
        QueueRequest("GETCOSTS", "briskopc.asp?function=GETCOSTS");
}

void CBriskoPCDlg::OnGetCosts(HttpRequest& request) {
    ApplyPriceList(request.pszResponse.get(), m_anPrices);
}
