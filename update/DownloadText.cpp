#include "DownloadText.h"

#include "resource.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsHostChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// 1 to 65535 in decimal digits only.
bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

std::string FormatInserts(const std::string& pattern, const std::vector<std::string>& inserts) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9') {
            const size_t n = static_cast<size_t>(next - '1');
            if (n < inserts.size())
                out += inserts[n];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string AmountText(const TextOf& text, uint64_t bytes) {
    if (bytes < 1024)
        return FormatInserts(text(IDS_BYTES), {std::to_string(bytes)});
    if (bytes < 1048576)
        return FormatInserts(text(IDS_KILOBYTES), {Printf("%0.1f", bytes / 1024.0)});
    return FormatInserts(text(IDS_MEGABYTES), {Printf("%0.2f", bytes / 1048576.0)});
}

std::string RateText(const TextOf& text, double bytesPerMs) {
    if (bytesPerMs >= 10.0)
        return FormatInserts(text(IDS_KB_PER_SEC), {Printf("%0.0f", bytesPerMs)});
    if (bytesPerMs >= 1.0)
        return FormatInserts(text(IDS_KB_PER_SEC), {Printf("%0.2f", bytesPerMs)});
    return FormatInserts(text(IDS_BYTES_PER_SEC), {Printf("%0.0f", bytesPerMs * 1024.0)});
}

std::string TimeText(const TextOf& text, unsigned seconds) {
    if (seconds < 60)
        return FormatInserts(text(IDS_SECONDS), {std::to_string(seconds)});
    const std::string minutes = std::to_string(seconds / 60);
    if (seconds % 60 == 0)
        return FormatInserts(text(IDS_MINUTES), {minutes});
    return FormatInserts(text(IDS_MINUTES_SECONDS), {minutes, std::to_string(seconds % 60)});
}

std::string TimeLeftText(const TextOf& text, unsigned seconds, uint64_t read, uint64_t size) {
    const std::string copied =
        FormatInserts(text(IDS_AMOUNT_OF), {AmountText(text, read), AmountText(text, size)});
    return FormatInserts(text(IDS_COPIED), {TimeText(text, seconds), copied});
}

std::string PercentCaption(const TextOf& text, int percent, const std::string& fileName) {
    return FormatInserts(text(IDS_PERCENT_COMPLETED), {std::to_string(percent), fileName});
}

int PercentOf(uint64_t read, uint64_t size) {
    // An empty file is complete; more than was announced is no more than all.
    if (read >= size)
        return 100;
    return static_cast<int>(static_cast<double>(read) * 100.0 / static_cast<double>(size));
}

unsigned SecondsLeft(uint64_t elapsedMs, uint64_t read, uint64_t size) {
    if (read == 0 || read >= size)
        return 0;
    const double seconds = static_cast<double>(elapsedMs) / static_cast<double>(read) *
                           static_cast<double>(size - read) * 0.001;
    return seconds < 4e9 ? static_cast<unsigned>(seconds) : 4000000000u;
}

uint32_t BarRange(uint64_t size) {
    return static_cast<uint32_t>((size + 512) / 1024);
}

uint32_t BarPosition(uint64_t read) {
    return static_cast<uint32_t>(read / 1024);
}

uint32_t ThrottleDelayMs(uint64_t readBefore, uint64_t elapsedMs, double limit) {
    if (limit <= 0.0 || static_cast<double>(readBefore) <= limit * static_cast<double>(elapsedMs))
        return 0;
    // At most a second at a time, so that a stop is seen between waits.
    const double delay = static_cast<double>(readBefore) / limit - static_cast<double>(elapsedMs);
    return delay < 1000.0 ? static_cast<uint32_t>(delay) : 1000u;
}

bool ParseUrl(const std::string& url, UrlParts& parts) {
    const size_t sep = url.find("://");
    if (sep == std::string::npos)
        return false;
    UrlParts p;
    p.scheme = Lower(url.substr(0, sep));
    if (p.scheme == "http")
        p.port = 80;
    else if (p.scheme == "https")
        p.port = 443;
    else
        return false;
    const size_t start = sep + 3;
    size_t end = url.find_first_of("/?", start);
    if (end == std::string::npos)
        end = url.size();
    const std::string authority = url.substr(start, end - start);
    const size_t colon = authority.find(':');
    p.server = authority.substr(0, colon);
    if (p.server.empty())
        return false;
    for (char c : p.server)
        if (!IsHostChar(c))
            return false;
    if (colon != std::string::npos && !ParsePort(authority.substr(colon + 1), p.port))
        return false;
    p.object = url.substr(end);
    if (p.object.empty() || p.object[0] != '/')
        p.object.insert(0, "/");
    parts = std::move(p);
    return true;
}

std::string FileNameOf(const std::string& object) {
    if (object.size() <= 1)
        return object;
    size_t last = object.rfind('/');
    if (last == std::string::npos)
        last = object.rfind('\\');
    if (last == std::string::npos)
        return object;
    return object.substr(last + 1);
}
