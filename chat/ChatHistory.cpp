#include "ChatHistory.h"

#include "ContactList.h"
#include "Credentials.h"

#include <algorithm>

namespace {
bool IsNationalNumber(const std::string& digits) {
    return digits.size() == 9 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}
} // namespace

// Only a login and a number of the right form name a file: both come from
// the profile and the service.
bool CChatHistory::FileName(const std::string& number, std::string* name) const {
    std::string digits = NationalNumber(number);
    return IsNationalNumber(digits) &&
           LoginFileName(m_login, ("-" + digits + ".hst").c_str(), name);
}

// The ids are read once, when the log is first needed: a message fetched
// again after a restart is then found without reading the file each time.
CChatHistory::Log* CChatHistory::Open(const std::string& number) {
    if (m_login != m_strLogsLogin) {
        m_logs.clear();
        m_strLogsLogin = m_login;
    }
    std::string name;
    if (!FileName(number, &name))
        return nullptr;
    auto found = m_logs.find(name);
    if (found != m_logs.end())
        return &found->second;
    Log& log = m_logs[name];
    log.file = std::make_unique<CLogFile>(name, 0);
    std::string bytes;
    if (ReadDataFile(name, &bytes))
        for (uint64_t id : HistoryMessageIds(bytes))
            log.ids.insert(id);
    return &log;
}

bool CChatHistory::Holds(const std::string& number, uint64_t nMsgId) {
    Log* log = nMsgId != 0 ? Open(number) : nullptr;
    return log && log->ids.count(nMsgId) != 0;
}

bool CChatHistory::Keep(const std::string& number, const HistoryEntry& entry, size_t limitBytes) {
    Log* log = Open(number);
    if (!log)
        return false;
    log->file->SetLimit(limitBytes);
    if (!log->file->Append(EncodeHistoryRecord(entry)))
        return false;
    if (entry.nMsgId != 0)
        log->ids.insert(entry.nMsgId);
    return true;
}

std::vector<HistoryEntry> CChatHistory::Last(const std::string& number, size_t count) {
    std::string name, bytes;
    if (!FileName(number, &name) || !ReadDataFile(name, &bytes))
        return {};
    return LastHistoryEntries(bytes, count);
}

bool CChatHistory::Has(const std::string& number) {
    std::string name;
    return FileName(number, &name) && DataFileExists(name);
}

bool CChatHistory::Clear(const std::string& number) {
    std::string name;
    if (!FileName(number, &name))
        return false;
    m_logs.erase(name);
    return DeleteDataFile(name);
}

std::vector<int> CChatHistory::ReadPendingMessages() {
    std::string name, bytes;
    if (!LoginFileName(m_login, ".pnd", &name) || !ReadDataFile(name, &bytes))
        return {};
    return DecodePendingIds(bytes);
}

void CChatHistory::WritePendingMessages(const std::vector<int>& ids) {
    if (std::string name; LoginFileName(m_login, ".pnd", &name))
        WriteDataFile(name, EncodePendingIds(ids));
}
