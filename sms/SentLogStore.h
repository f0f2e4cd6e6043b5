// The login's log of the SMS the service took, "<login>.snt" in the data
// folder (SentLog.h), open while the login lasts.
#pragma once

#include "DataFile.h"
#include "MessageList.h"
#include "SentLog.h"

#include <memory>
#include <string>
#include <vector>

class CSentLogStore {
public:
    // Reads the log back, its SMS oldest first; the records from now on go
    // there. A log that exists but cannot be read stays closed.
    std::vector<SentSmsEntry> Open(const std::string& name);
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    // Gives the SMS its key and keeps it.
    void LogSent(MessageRecord& r);
    void LogReported(const MessageRecord& r);
    void LogDeleted(const MessageRecord& r);

private:
    void Append(const std::string& payload);

    std::unique_ptr<CLogFile> m_pFile;
    uint64_t m_nLastKey = 0;
};
