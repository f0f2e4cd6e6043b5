// The log of the SMS the service took, so that after a restart they hang
// under their contacts again and a delivery report still finds its SMS. A
// record log (RecordLog.h) whose payloads are
//
//   S <key> <sms id> <time> <number> <flags> <text>   the service took an SMS
//   R <key>                                           its delivery report came
//   D <key>                                           the user deleted it
//
// <key> numbers the SMS within the log, 1 and up, each once: the service's id
// does not tell SMS apart (it is 0 when its answer never came, and a number
// the service gives twice stays two SMS). <sms id> is 32-bit unsigned;
// <time> "YYYY-MM-DDTHH:MM:SS" local time or "-" when unknown; <flags> 1 for
// class 0 plus 2 for Polish characters; <text> is escaped (EscapeLogText) and
// runs to the end of the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The most SMS a log gives back: the newest.
constexpr size_t kMaxSentLogSms = 1000;

struct SentSmsEntry {
    uint64_t nKey = 0;
    int32_t nSmsId = 0;
    // "YYYY-MM-DD HH:MM:SS", or empty.
    std::string strSentAt;
    std::string strNumber;
    std::string strText;
    bool bClass0 = false;
    bool bUnicode = false;
    bool bReported = false;
};

// The record of an SMS the service took; empty when it cannot be kept: no key,
// or a number that is empty, too long or holds a space or control character.
// A text longer than an outbox SMS can hold is cut; a time of another form is
// kept as unknown.
std::string SentSmsPayload(const SentSmsEntry& sms);
std::string ReportPayload(uint64_t nKey);
std::string DeletionPayload(uint64_t nKey);

struct SentLogContent {
    // Still to show, oldest first: the newest record of a key wins, a deletion
    // takes it away.
    std::vector<SentSmsEntry> sms;
    // The largest key a sound record names: the next SMS takes a larger one.
    uint64_t nLastKey = 0;
};

// Any bytes: lines that are torn, damaged or of no known form are skipped, and
// only the newest megabyte is read.
SentLogContent DecodeSentLog(std::string_view bytes);
