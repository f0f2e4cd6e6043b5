// The SMS the service took, kept over restarts: the login's log read back at
// login, and a record for every SMS taken, report arrived and SMS deleted.
#include "SentLogStore.h"

#include "BriskoPCDlg.h"
#include "Credentials.h"

namespace {
// Thousands of SMS; past it the newest three quarters stay.
const size_t kLogLimit = 256 * 1024;
} // namespace

std::vector<SentSmsEntry> CSentLogStore::Open(const std::string& name) {
    std::string bytes;
    // One that cannot be read is not added to: its keys are unknown.
    if (!ReadDataFile(name, &bytes) && DataFileExists(name))
        return {};
    SentLogContent content = DecodeSentLog(bytes);
    m_nLastKey = content.nLastKey;
    m_pFile = std::make_unique<CLogFile>(name, kLogLimit);
    return std::move(content.sms);
}

void CSentLogStore::Close() {
    m_pFile.reset();
}

void CSentLogStore::Append(const std::string& payload) {
    if (m_pFile && !payload.empty())
        m_pFile->Append(payload);
}

void CSentLogStore::LogSent(MessageRecord& r) {
    SentSmsEntry sms;
    sms.nKey = m_nLastKey + 1;
    sms.nSmsId = r.nSmsId;
    sms.strSentAt = r.strSentAt;
    sms.strNumber = r.strNumber;
    sms.strText = r.strText;
    sms.bClass0 = r.bClass0;
    sms.bUnicode = r.bUnicode;
    std::string payload = SentSmsPayload(sms);
    if (!m_pFile || payload.empty())
        return;
    r.nLogKey = ++m_nLastKey;
    m_pFile->Append(payload);
}

void CSentLogStore::LogReported(const MessageRecord& r) {
    if (r.nLogKey)
        Append(ReportPayload(r.nLogKey));
}

void CSentLogStore::LogDeleted(const MessageRecord& r) {
    if (r.nLogKey)
        Append(DeletionPayload(r.nLogKey));
}

void CBriskoPCDlg::ReadSentLog() {
    std::string name;
    if (m_sentLog.IsOpen() || !LoginFileName(m_strLogin, ".snt", &name))
        return;
    for (SentSmsEntry& sms : m_sentLog.Open(name)) {
        auto* r = new MessageRecord;
        r->nLogKey = sms.nKey;
        r->nSmsId = sms.nSmsId;
        r->strSentAt = std::move(sms.strSentAt);
        r->strNumber = std::move(sms.strNumber);
        r->strText = std::move(sms.strText);
        r->bClass0 = sms.bClass0;
        r->bUnicode = sms.bUnicode;
        r->bReported = sms.bReported;
        m_messages.AddSentSms(r);
    }
    m_contacts.HangSentSms();
}

void CBriskoPCDlg::LeaveSentLog() {
    // They are in the log: the next login of the account reads them back.
    m_sentLog.Close();
    m_messages.RemoveSentSms();
}
