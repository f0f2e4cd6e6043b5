// The outbox file: the SMS waiting for the service, kept over a restart.
// "BPC", the count n, then n entries (length and bytes of the number, length
// and bytes of the text, class 0, Unicode), stored as a text-mode stream.
// When an SMS may have reached the service without its answer reaching us, a
// trailer follows the entries: "BPCU", then for each entry a flag and the time
// it was sent. Readers that know only the entries stop before it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The longest number and text the reading takes.
constexpr size_t kMaxOutboxNumber = 12;
constexpr size_t kMaxOutboxText = 511;

struct OutboxEntry {
    std::string strNumber; // "+48" and 9 digits
    std::string strText;   // cp1250
    bool bClass0 = false;
    bool bUnicode = false;
    // Sent, but its answer never came: it may have reached the service.
    bool bUncertain = false;
    // When it was sent, "YYYY-MM-DD HH:MM:SS" local time; kept for an uncertain one.
    std::string strSentAt;
};

// The file's bytes as stored. A number or text longer than the reading takes is
// cut to that length, so the entries after it still read back.
std::string EncodeOutboxFile(const std::vector<OutboxEntry>& entries);

struct OutboxFileContent {
    std::vector<OutboxEntry> entries;
    bool bBroken = false; // the file ended early or held a length it cannot have
};

// The entries of a stored file, in file order. The magic is not checked; a file
// too short to hold it and the count holds no SMS. A negative count or length,
// a length over its limit, or an end before the n entries breaks the reading
// off; the entries read before stay. An entry with an empty number or text is
// skipped: it could not be sent. A trailer that does not read whole marks
// nothing.
OutboxFileContent DecodeOutboxFile(std::string_view stored);
