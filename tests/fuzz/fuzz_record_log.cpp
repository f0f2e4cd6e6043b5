// A record log on any bytes: read forwards and backwards it gives the same
// records, a record appended after whatever the log ends with (a torn line
// too) reads back last and loses none before it, and rotation keeps the
// newest records that fit.
#include "FuzzCheck.h"
#include "framework/RecordLog.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string_view> Backwards(std::string_view log, size_t limit) {
    std::vector<std::string_view> seen;
    VisitSoundLogLinesBackwards(log, [&](std::string_view payload) {
        seen.insert(seen.begin(), payload);
        return seen.size() < limit;
    });
    return seen;
}

bool Suffix(const std::vector<std::string_view>& part, const std::vector<std::string_view>& all) {
    return part.size() <= all.size() &&
           std::equal(part.begin(), part.end(), all.end() - static_cast<ptrdiff_t>(part.size()));
}

} // namespace

// The first byte says how many of the next bytes are a text to append; the rest is the log.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view text = bytes.substr(1, data[0] % 64);
    const std::string_view log = bytes.substr(1 + text.size());

    const std::vector<std::string_view> lines = SoundLogLines(log);
    Check(Backwards(log, SIZE_MAX) == lines);
    Check(Suffix(Backwards(log, 2), lines) &&
          Backwards(log, 2).size() == std::min<size_t>(2, lines.size()));

    const std::string escaped = EscapeLogText(text);
    Check(escaped.find_first_of("\r\n") == std::string::npos && UnescapeLogText(escaped) == text);
    const std::string appended =
        std::string(log) + LineToAppend(log.substr(log.empty() ? 0 : log.size() - 1), escaped);
    const std::vector<std::string_view> after = SoundLogLines(appended);
    // A torn last line that the append ends may be whole: one more record then.
    Check(after.size() == lines.size() + 1 || after.size() == lines.size() + 2);
    Check(std::equal(lines.begin(), lines.end(), after.begin()) && after.back() == escaped);

    const size_t keep = log.size() / 2;
    const std::string kept = RotateLog(log, keep);
    const std::vector<std::string_view> keptLines = SoundLogLines(kept);
    Check(kept.size() <= keep && Suffix(keptLines, lines));
    if (keptLines.size() < lines.size())
        Check(kept.size() + EncodeLogLine(lines[lines.size() - keptLines.size() - 1]).size() >
              keep);

    std::string_view rest = log;
    uint64_t number = 0;
    if (TakeLogNumber(&rest, &number)) {
        const std::string_view digits = log.substr(0, log.size() - rest.size() - 1);
        Check(log[digits.size()] == ' ' && !digits.empty());
        const size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
        Check(std::to_string(number) == digits.substr(first));
    } else {
        Check(rest == log);
    }
    return 0;
}
