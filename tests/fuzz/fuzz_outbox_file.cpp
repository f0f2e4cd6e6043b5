// The outbox file on any bytes: no SMS without a number or text, none longer
// than the reading takes, and what was read writes and reads back the same.
#include "FuzzCheck.h"
#include "sms/OutboxFile.h"

#include <cstdint>
#include <string_view>

namespace {

bool SameEntries(const std::vector<OutboxEntry>& a, const std::vector<OutboxEntry>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].strNumber != b[i].strNumber || a[i].strText != b[i].strText ||
            a[i].bClass0 != b[i].bClass0 || a[i].bUnicode != b[i].bUnicode ||
            a[i].bUncertain != b[i].bUncertain) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view stored(reinterpret_cast<const char*>(data), size);
    const OutboxFileContent content = DecodeOutboxFile(stored);
    for (const OutboxEntry& entry : content.entries) {
        Check(!entry.strNumber.empty() && entry.strNumber.size() <= kMaxOutboxNumber);
        Check(!entry.strText.empty() && entry.strText.size() <= kMaxOutboxText);
    }
    const std::string written = EncodeOutboxFile(content.entries);
    const OutboxFileContent again = DecodeOutboxFile(written);
    Check(!again.bBroken);
    Check(SameEntries(again.entries, content.entries));
    Check(EncodeOutboxFile(again.entries) == written);
    return 0;
}
