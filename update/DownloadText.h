// What the download dialog shows and how it reads its URL: amounts, rates,
// times left and the caption, made from the string table's patterns; the
// parts of a URL and the name of the file it names. Portable: it knows
// nothing of windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A pattern of the string table by its id ("%1 KB", ...).
using TextOf = std::function<std::string(unsigned nID)>;

// The pattern with "%1" to "%9" replaced by the inserts; any other "%" stays.
std::string FormatInserts(const std::string& pattern, const std::vector<std::string>& inserts);

// "1023 Bytes", "1.0 KB", "1.00 MB".
std::string AmountText(const TextOf& text, uint64_t bytes);
// A rate in bytes per millisecond: "512 Bytes/Sec", "5.00 KB/Sec", "12 KB/Sec".
std::string RateText(const TextOf& text, double bytesPerMs);
// "59 sec", "2 min", "2 min 5 sec".
std::string TimeText(const TextOf& text, unsigned seconds);
// "2 min 5 sec (1.50 MB of 2.25 MB copied)".
std::string TimeLeftText(const TextOf& text, unsigned seconds, uint64_t read, uint64_t size);
// "42% of setup.exe Completed".
std::string PercentCaption(const TextOf& text, int percent, const std::string& fileName);

// Whole percent of the file received, 100 at most; an empty file is complete.
int PercentOf(uint64_t read, uint64_t size);
// The seconds still to go at the pace so far; none once everything is in.
unsigned SecondsLeft(uint64_t elapsedMs, uint64_t read, uint64_t size);
// The progress bar counts kilobytes: its range rounds to the nearest one, its
// position goes down.
uint32_t BarRange(uint64_t size);
uint32_t BarPosition(uint64_t read);
// How long to wait before the next piece so that the average rate stays at
// the limit (bytes per millisecond; 0 is no limit); a second at most.
uint32_t ThrottleDelayMs(uint64_t readBefore, uint64_t elapsedMs, double limit);

struct UrlParts {
    std::string scheme; // "http" or "https", in lower case
    std::string server;
    std::string object; // path and query, "/" at least
    uint16_t port = 0;
    // TLS comes from the scheme, whatever the port.
    bool Secure() const { return scheme == "https"; }
};
// "http[s]://server[:port][/object]"; false for anything else.
bool ParseUrl(const std::string& url, UrlParts& parts);
// The object's last segment after "/" (or else "\"); the whole object when it
// has neither or is at most one character long.
std::string FileNameOf(const std::string& object);
