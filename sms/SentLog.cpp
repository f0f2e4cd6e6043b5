#include "SentLog.h"

#include "OutboxFile.h"
#include "RecordLog.h"

#include <algorithm>
#include <map>

namespace {
// Far beyond any log we write: a log rotates at a fraction of it.
constexpr size_t kMaxReadBytes = 1 << 20;
// Keys stay far from the end of their range, so the next one always exists.
constexpr uint64_t kMaxKey = UINT64_MAX / 2;
constexpr uint64_t kFlagClass0 = 1, kFlagUnicode = 2;

bool IsKey(uint64_t key) {
    return key >= 1 && key <= kMaxKey;
}

bool IsLoggableNumber(std::string_view number) {
    return !number.empty() && number.size() <= kMaxOutboxNumber &&
           std::all_of(number.begin(), number.end(),
                       [](char c) { return static_cast<unsigned char>(c) > ' '; });
}

// "YYYY-MM-DD?HH:MM:SS" with the given separator between date and time.
bool IsTime(std::string_view time, char separator) {
    const std::string_view form = "0000-00-00?00:00:00";
    if (time.size() != form.size())
        return false;
    for (size_t i = 0; i < form.size(); ++i) {
        bool ok = form[i] == '0'   ? time[i] >= '0' && time[i] <= '9'
                  : form[i] == '?' ? time[i] == separator
                                   : time[i] == form[i];
        if (!ok)
            return false;
    }
    return true;
}

// Takes the text up to the next space, and the space.
bool TakeToken(std::string_view* text, std::string_view* token) {
    size_t space = text->find(' ');
    if (space == std::string_view::npos)
        return false;
    *token = text->substr(0, space);
    text->remove_prefix(space + 1);
    return true;
}

// The whole text as one number.
bool WholeNumber(std::string_view text, uint64_t* number) {
    std::string spaced = std::string(text) + ' ';
    std::string_view rest = spaced;
    return TakeLogNumber(&rest, number) && rest.empty();
}

bool ParseSent(std::string_view payload, SentSmsEntry* sms) {
    uint64_t key = 0, smsId = 0, flags = 0;
    std::string_view time, number;
    if (!TakeLogNumber(&payload, &key) || !IsKey(key) || !TakeLogNumber(&payload, &smsId) ||
        smsId > UINT32_MAX || !TakeToken(&payload, &time) || !TakeToken(&payload, &number) ||
        !IsLoggableNumber(number) || !TakeLogNumber(&payload, &flags) ||
        flags > (kFlagClass0 | kFlagUnicode))
        return false;
    if (time != "-" && !IsTime(time, 'T'))
        return false;
    sms->nKey = key;
    sms->nSmsId = static_cast<int32_t>(static_cast<uint32_t>(smsId));
    sms->strSentAt = time == "-" ? std::string() : std::string(time);
    if (!sms->strSentAt.empty())
        sms->strSentAt[10] = ' ';
    sms->strNumber = std::string(number);
    sms->bClass0 = flags & kFlagClass0;
    sms->bUnicode = flags & kFlagUnicode;
    sms->strText = UnescapeLogText(payload).substr(0, kMaxOutboxText);
    return true;
}
} // namespace

std::string SentSmsPayload(const SentSmsEntry& sms) {
    if (!IsKey(sms.nKey) || !IsLoggableNumber(sms.strNumber))
        return {};
    std::string time = "-";
    if (IsTime(sms.strSentAt, ' ')) {
        time = sms.strSentAt;
        time[10] = 'T';
    }
    uint64_t flags = (sms.bClass0 ? kFlagClass0 : 0) | (sms.bUnicode ? kFlagUnicode : 0);
    return "S " + std::to_string(sms.nKey) + " " +
           std::to_string(static_cast<uint32_t>(sms.nSmsId)) + " " + time + " " + sms.strNumber +
           " " + std::to_string(flags) + " " +
           EscapeLogText(std::string_view(sms.strText).substr(0, kMaxOutboxText));
}

std::string ReportPayload(uint64_t nKey) {
    return "R " + std::to_string(nKey);
}

std::string DeletionPayload(uint64_t nKey) {
    return "D " + std::to_string(nKey);
}

SentLogContent DecodeSentLog(std::string_view bytes) {
    if (bytes.size() > kMaxReadBytes)
        bytes.remove_prefix(bytes.size() - kMaxReadBytes); // the torn first line is skipped
    SentLogContent content;
    // Every SMS read, in log order; one replaced or deleted loses its key.
    std::vector<SentSmsEntry> read;
    std::map<uint64_t, size_t> byKey;
    for (std::string_view payload : SoundLogLines(bytes)) {
        if (payload.size() < 2 || payload[1] != ' ')
            continue;
        const char kind = payload[0];
        payload.remove_prefix(2);
        uint64_t key = 0;
        SentSmsEntry sms;
        if (kind == 'S' && ParseSent(payload, &sms)) {
            key = sms.nKey;
            if (auto it = byKey.find(key); it != byKey.end())
                read[it->second].nKey = 0;
            byKey[key] = read.size();
            read.push_back(std::move(sms));
        } else if ((kind == 'R' || kind == 'D') && WholeNumber(payload, &key) && IsKey(key)) {
            // A record of an SMS no longer in the log changes nothing.
            auto it = byKey.find(key);
            if (it != byKey.end() && kind == 'R') {
                read[it->second].bReported = true;
            } else if (it != byKey.end()) {
                read[it->second].nKey = 0;
                byKey.erase(it);
            }
        } else {
            continue;
        }
        content.nLastKey = std::max(content.nLastKey, key);
    }
    read.erase(std::remove_if(read.begin(), read.end(),
                              [](const SentSmsEntry& sms) { return sms.nKey == 0; }),
               read.end());
    if (read.size() > kMaxSentLogSms)
        read.erase(read.begin(), read.end() - kMaxSentLogSms);
    content.sms = std::move(read);
    return content;
}
