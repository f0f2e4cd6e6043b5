#include "HistoryFile.h"

#include "RecordLog.h"

#include <cstdint>
#include <iterator>
#include <utility>

namespace {
// "YYYY-MM-DD HH:MM:SS": where its digits stand.
const char kTimeForm[] = "dddd-dd-dd dd:dd:dd";
const size_t kTimeLength = sizeof kTimeForm - 1;
const uint64_t kMaxTime = 99991231235959ull;

bool TakeDirection(std::string_view* text, bool* own) {
    if (text->size() < 2 || (*text)[1] != ' ' || ((*text)[0] != '<' && (*text)[0] != '>'))
        return false;
    *own = (*text)[0] == '>';
    text->remove_prefix(2);
    return true;
}
} // namespace

std::string EncodeHistoryRecord(const HistoryEntry& entry) {
    return std::to_string(entry.nMsgId) + ' ' + std::to_string(TimeFromText(entry.strTime)) +
           (entry.bOwn ? " > " : " < ") + EscapeLogText(entry.strText);
}

bool DecodeHistoryRecord(std::string_view payload, HistoryEntry* entry) {
    uint64_t time = 0;
    if (!TakeLogNumber(&payload, &entry->nMsgId) || !TakeLogNumber(&payload, &time) ||
        time > kMaxTime || !TakeDirection(&payload, &entry->bOwn))
        return false;
    entry->strTime = TimeText(time);
    entry->strText = UnescapeLogText(payload);
    return true;
}

std::vector<HistoryEntry> LastHistoryEntries(std::string_view bytes, size_t count) {
    std::vector<HistoryEntry> entries;
    if (count > 0)
        VisitSoundLogLinesBackwards(bytes, [&](std::string_view line) {
            HistoryEntry entry;
            if (DecodeHistoryRecord(line, &entry))
                entries.push_back(std::move(entry));
            return entries.size() < count;
        });
    return {std::make_move_iterator(entries.rbegin()), std::make_move_iterator(entries.rend())};
}

std::vector<uint64_t> HistoryMessageIds(std::string_view bytes) {
    std::vector<uint64_t> ids;
    for (std::string_view line : SoundLogLines(bytes)) {
        uint64_t id = 0;
        if (TakeLogNumber(&line, &id) && id != 0)
            ids.push_back(id);
    }
    return ids;
}

uint64_t TimeFromText(const std::string& time) {
    if (time.size() != kTimeLength)
        return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < kTimeLength; i++) {
        bool digit = time[i] >= '0' && time[i] <= '9';
        if (kTimeForm[i] != 'd') {
            if (time[i] != kTimeForm[i])
                return 0;
        } else if (!digit) {
            return 0;
        } else {
            value = value * 10 + static_cast<unsigned>(time[i] - '0');
        }
    }
    return value;
}

std::string TimeText(uint64_t time) {
    if (time == 0 || time > kMaxTime)
        return std::string();
    std::string digits = std::to_string(time);
    digits.insert(0, 14 - digits.size(), '0');
    std::string text = kTimeForm;
    for (size_t i = 0, d = 0; i < kTimeLength; i++)
        if (text[i] == 'd')
            text[i] = digits[d++];
    return text;
}

std::string EncodePendingIds(const std::vector<int>& ids) {
    std::string bytes;
    for (int id : ids)
        bytes += EncodeLogLine(std::to_string(id));
    return bytes;
}

std::vector<int> DecodePendingIds(std::string_view bytes) {
    std::vector<int> ids;
    for (std::string_view line : SoundLogLines(bytes)) {
        std::string number(line);
        number += ' ';
        std::string_view rest = number;
        uint64_t id = 0;
        if (TakeLogNumber(&rest, &id) && rest.empty() && id > 0 && id <= INT32_MAX)
            ids.push_back(static_cast<int>(id));
    }
    return ids;
}
