// The conversations of one login kept in the data folder, a history file a
// contact, written as messages are shown; and the announced messages not yet
// fetched, kept for the next start.
#pragma once

#include "DataFile.h"
#include "HistoryFile.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CChatHistory {
public:
    // The files are those of the login the string holds at each call.
    explicit CChatHistory(const std::string& login) : m_login(login) {}

    // Whether the history with the contact of this number holds the service's
    // message; the user's own messages (id 0) are never found.
    bool Holds(const std::string& number, uint64_t nMsgId);
    // Appends the message; past limitBytes the oldest messages go first.
    bool Keep(const std::string& number, const HistoryEntry& entry, size_t limitBytes);
    std::vector<HistoryEntry> Last(const std::string& number, size_t count);
    bool Has(const std::string& number);
    bool Clear(const std::string& number);

    std::vector<int> ReadPendingMessages();
    void WritePendingMessages(const std::vector<int>& ids);

private:
    struct Log {
        std::unique_ptr<CLogFile> file;
        std::set<uint64_t> ids;
    };
    // Null for a number or login that names no file.
    Log* Open(const std::string& number);
    bool FileName(const std::string& number, std::string* name) const;

    const std::string& m_login;
    // The open logs are of this login.
    std::string m_strLogsLogin;
    std::map<std::string, Log> m_logs;
};
