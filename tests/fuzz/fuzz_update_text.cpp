// The update's readers on any text: a version comes only from a VEROK answer
// and never outgrows it; a URL that is taken has a server, a port and an
// object that starts with "/", and a file name is a part of its object; the
// display texts are made of any figures; a percent is never past 100, nor a
// wait past a second.
#include "FuzzCheck.h"
#include "update/DownloadText.h"
#include "update/VersionAnswer.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* response = text.c_str();

    if (std::optional<std::string> version = OfferedVersion(response)) {
        Check(text.compare(0, 5, "VEROK") == 0);
        Check(version->size() <= std::strlen(response));
    }
    UrlParts url;
    if (ParseUrl(text, url)) {
        Check(!url.server.empty() && url.port != 0);
        Check(!url.object.empty() && url.object[0] == '/');
        Check(url.Secure() == (url.scheme == "https"));
        Check(url.object.find(FileNameOf(url.object)) != std::string::npos);
    }

    // Figures from the input's bytes, the patterns with inserts from it too.
    uint64_t a = 0, b = 0;
    std::memcpy(&a, data, std::min(size, sizeof a));
    if (size > sizeof a)
        std::memcpy(&b, data + sizeof a, std::min(size - sizeof a, sizeof b));
    const TextOf pattern = [&text](unsigned) { return text; };
    const size_t bound = 64 * (text.size() + 64);
    Check(FormatInserts(text, {"x", "yy"}).size() <= 2 * text.size() + 1);
    Check(TimeLeftText(pattern, static_cast<unsigned>(a), a, b).size() <= bound * bound);
    Check(RateText(pattern, static_cast<double>(a) / 1000.0).size() <= bound);
    const int percent = PercentOf(a, b);
    Check(percent >= 0 && percent <= 100);
    Check(SecondsLeft(a, b, a) <= 4000000000u);
    (void)BarRange(a);
    Check(ThrottleDelayMs(a, b, 1.5) <= 1000);
    return 0;
}
