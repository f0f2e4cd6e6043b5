// What the history files keep: the conversation with one contact, one record
// of a record log (RecordLog.h) a message,
//
//   <message id> SP <time: 14 digits YYYYMMDDhhmmss, or 0> SP <direction> SP <text>
//
// direction "<" for the partner's words and ">" for the user's own, the text
// escaped. The user's own messages have no id of the service's: they carry 0.
// Also the ids of announced messages still to fetch, one record each.
// Portable: it knows nothing of windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct HistoryEntry {
    uint64_t nMsgId = 0;
    std::string strTime; // "YYYY-MM-DD HH:MM:SS", or empty when it was not known
    bool bOwn = false;
    std::string strText;
};

std::string EncodeHistoryRecord(const HistoryEntry& entry);
bool DecodeHistoryRecord(std::string_view payload, HistoryEntry* entry);
// The last `count` messages of a history file, oldest first.
std::vector<HistoryEntry> LastHistoryEntries(std::string_view bytes, size_t count);
// The ids of the service's messages a history file holds.
std::vector<uint64_t> HistoryMessageIds(std::string_view bytes);

// The time text as the file keeps it: "2026-12-09 07:15:00" as 20261209071500;
// 0 for a text not of that form. TimeText is its inverse ("" for 0).
uint64_t TimeFromText(const std::string& time);
std::string TimeText(uint64_t time);

std::string EncodePendingIds(const std::vector<int>& ids);
std::vector<int> DecodePendingIds(std::string_view bytes);
