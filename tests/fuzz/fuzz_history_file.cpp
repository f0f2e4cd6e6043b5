// A history file, and the ids of messages still to fetch, on any bytes: what
// is read back writes and reads back the same, the newest records come last,
// and a log cut down by rotation fits its size and is whole.
#include "FuzzCheck.h"
#include "chat/HistoryFile.h"
#include "framework/RecordLog.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<HistoryEntry> entries = LastHistoryEntries(bytes, 100);
    Check(entries.size() <= 100);
    std::string written;
    for (const HistoryEntry& e : entries) {
        Check(e.strTime.empty() || TimeFromText(e.strTime) != 0);
        written += EncodeLogLine(EncodeHistoryRecord(e));
    }
    const std::vector<HistoryEntry> again = LastHistoryEntries(written, 100);
    Check(again.size() == entries.size());
    for (size_t i = 0; i < again.size(); ++i)
        Check(again[i].nMsgId == entries[i].nMsgId && again[i].strTime == entries[i].strTime &&
              again[i].bOwn == entries[i].bOwn && again[i].strText == entries[i].strText);
    // Fewer asked for: the same last ones.
    const std::vector<HistoryEntry> last = LastHistoryEntries(bytes, 3);
    for (size_t i = 0; i < last.size(); ++i)
        Check(last[i].strText == entries[entries.size() - last.size() + i].strText);

    const std::string kept = RotateLog(bytes, size / 2);
    Check(kept.size() <= size / 2);
    Check(RotateLog(kept, kept.size()) == kept);

    const std::vector<int> ids = DecodePendingIds(bytes);
    Check(DecodePendingIds(EncodePendingIds(ids)) == ids);
    return 0;
}
