// Sending the outbox one SMS at a time, and the price table the compose
// dialog prices SMS with.
#include "BriskoPCDlg.h"

#include "MessageBox.h"
#include "PriceList.h"
#include "Response.h"
#include "SmsRules.h"
#include "resource.h"

#include <cstring>

LRESULT CBriskoPCDlg::OnSendSms(WPARAM, LPARAM) {
    if (!IsSessionUp() || m_messages.CountOutboxSms() == 0)
        return 0;
    MessageRecord* r = m_messages.FirstOutboxSms();
    // The answer finds its SMS by this stamp: the user may delete the record meanwhile.
    r->nSendSerial = ++m_nSendSerial;
    auto serial = std::make_shared<int>(r->nSendSerial);
    QueueRequest("SENDSMS", SendSmsUrl(r->strNumber, r->strText, r->bClass0, r->bUnicode),
                 serial.get(), serial);
    return 0;
}

void CBriskoPCDlg::OnSendSmsResponse(HttpRequest& request) {
    int serial = *static_cast<const int*>(request.dwContext);
    const char* response = request.pszResponse.get();
    bool sent = StartsWith(response, "SENDSMSOK");
    bool noCredits = StartsWith(response, "NOCREDITS");
    bool failed = StartsWith(response, "SENDSMSFAILED") && std::strlen(response) > 13;
    if (!sent && !noCredits && !failed) {
        AfxMessageBox(IDS_SMS_FAILED);
        m_nOutboxState = 0;
        return;
    }
    ResponseReader fields(response);
    m_nCredits = fields.NextInt();
    int smsId = fields.NextInt();
    UpdateStatusLine();
    if (!sent) {
        AfxMessageBox(noCredits ? IDS_NO_CREDITS : IDS_SMS_FAILED);
        return;
    }
    MessageRecord* r = m_messages.FirstOutboxSms();
    if (!r || r->nSendSerial != serial)
        return; // deleted while it was on its way
    r->bInOutbox = FALSE;
    m_contacts.ShowSentSms(r);
    r->nSmsId = smsId;
    ProcessOutbox();
}

void CBriskoPCDlg::SendGetCosts() {
    if (IsSessionUp())
        QueueRequest("GETCOSTS", "briskopc.asp?function=GETCOSTS");
}

void CBriskoPCDlg::OnGetCosts(HttpRequest& request) {
    ApplyPriceList(request.pszResponse.get(), m_anPrices);
}
