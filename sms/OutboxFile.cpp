#include "OutboxFile.h"

#include "TextModeFile.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kMagic = "BPC";
constexpr size_t kHeaderSize = kMagic.size() + 4;
constexpr std::string_view kUncertainMagic = "BPCU";
constexpr size_t kMaxSentAt = 19;

// False when the entry cannot be read whole.
bool ReadEntry(CByteReader& reader, OutboxEntry& entry) {
    int32_t class0 = 0;
    int32_t unicode = 0;
    if (!reader.ReadText(kMaxOutboxNumber, entry.strNumber) ||
        !reader.ReadText(kMaxOutboxText, entry.strText) || !reader.ReadInt32(class0) ||
        !reader.ReadInt32(unicode)) {
        return false;
    }
    entry.bClass0 = class0 != 0;
    entry.bUnicode = unicode != 0;
    return true;
}

// The uncertain marks of the entries, when the trailer reads whole.
bool ReadUncertain(CByteReader& reader, std::vector<OutboxEntry>& entries) {
    std::string magic;
    if (!reader.ReadBytes(kUncertainMagic.size(), magic) || magic != kUncertainMagic)
        return false;
    std::vector<std::pair<bool, std::string>> marks(entries.size());
    for (auto& [uncertain, sentAt] : marks) {
        int32_t flag = 0;
        if (!reader.ReadInt32(flag) || !reader.ReadText(kMaxSentAt, sentAt))
            return false;
        uncertain = flag != 0;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].bUncertain = marks[i].first;
        entries[i].strSentAt = std::move(marks[i].second);
    }
    return true;
}

} // namespace

std::string EncodeOutboxFile(const std::vector<OutboxEntry>& entries) {
    std::string bytes(kMagic);
    AppendInt32(bytes, static_cast<int32_t>(entries.size()));
    for (const OutboxEntry& entry : entries) {
        AppendText(bytes, entry.strNumber, kMaxOutboxNumber);
        AppendText(bytes, entry.strText, kMaxOutboxText);
        AppendInt32(bytes, entry.bClass0 ? 1 : 0);
        AppendInt32(bytes, entry.bUnicode ? 1 : 0);
    }
    // Without an uncertain SMS the file is the same as one of an earlier version.
    if (std::any_of(entries.begin(), entries.end(),
                    [](const OutboxEntry& entry) { return entry.bUncertain; })) {
        bytes += kUncertainMagic;
        for (const OutboxEntry& entry : entries) {
            AppendInt32(bytes, entry.bUncertain ? 1 : 0);
            AppendText(bytes, entry.bUncertain ? entry.strSentAt : std::string(), kMaxSentAt);
        }
    }
    return ToTextMode(bytes);
}

OutboxFileContent DecodeOutboxFile(std::string_view stored) {
    OutboxFileContent content;
    const std::string bytes = FromTextMode(stored);
    if (bytes.size() < kHeaderSize) {
        return content;
    }
    // The magic is whatever the file holds: only the count after it is read.
    CByteReader reader(std::string_view(bytes).substr(kMagic.size()));
    int32_t count = 0;
    if (!reader.ReadInt32(count) || count < 0) {
        content.bBroken = true;
        return content;
    }
    // Each entry takes bytes of the file, so a wrong count ends at the file's end.
    std::vector<OutboxEntry> entries;
    for (int32_t i = 0; i < count; ++i) {
        OutboxEntry entry;
        if (!ReadEntry(reader, entry)) {
            content.bBroken = true;
            break;
        }
        entries.push_back(std::move(entry));
    }
    if (!content.bBroken)
        ReadUncertain(reader, entries);
    for (OutboxEntry& entry : entries)
        if (!entry.strNumber.empty() && !entry.strText.empty())
            content.entries.push_back(std::move(entry));
    return content;
}
