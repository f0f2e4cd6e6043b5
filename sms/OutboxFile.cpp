#include "OutboxFile.h"

#include "TextModeFile.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kMagic = "BPC";
constexpr size_t kHeaderSize = kMagic.size() + 4;

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
    for (int32_t i = 0; i < count; ++i) {
        OutboxEntry entry;
        if (!ReadEntry(reader, entry)) {
            content.bBroken = true;
            return content;
        }
        if (!entry.strNumber.empty() && !entry.strText.empty()) {
            content.entries.push_back(std::move(entry));
        }
    }
    return content;
}
