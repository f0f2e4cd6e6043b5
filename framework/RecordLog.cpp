#include "RecordLog.h"

#include <array>
#include <cstdio>

namespace {
const size_t kCrcDigits = 8;

std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

std::string CrcText(std::string_view payload) {
    char text[kCrcDigits + 1];
    std::snprintf(text, sizeof(text), "%08x", static_cast<unsigned>(Crc32(payload)));
    return text;
}

// Whether the line (its LF taken off) is sound, and then its payload.
bool SoundPayload(std::string_view line, std::string_view* payload) {
    if (line.size() < kCrcDigits + 1 || line[line.size() - kCrcDigits - 1] != ' ')
        return false;
    *payload = line.substr(0, line.size() - kCrcDigits - 1);
    if (payload->find('\r') != std::string_view::npos)
        return false;
    return line.substr(line.size() - kCrcDigits) == CrcText(*payload);
}
} // namespace

uint32_t Crc32(std::string_view bytes) {
    static const std::array<uint32_t, 256> table = MakeCrcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string EscapeLogText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeLogText(std::string_view escaped) {
    std::string text;
    text.reserve(escaped.size());
    for (size_t i = 0; i < escaped.size(); i++) {
        if (escaped[i] != '\\' || i + 1 == escaped.size()) {
            text += escaped[i];
            continue;
        }
        char c = escaped[++i];
        text += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return text;
}

std::string EncodeLogLine(std::string_view payload) {
    std::string line(payload);
    line += ' ';
    line += CrcText(payload);
    line += '\n';
    return line;
}

std::vector<std::string_view> SoundLogLines(std::string_view bytes) {
    std::vector<std::string_view> payloads;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string_view::npos; start = end + 1) {
        std::string_view payload;
        if (SoundPayload(bytes.substr(start, end - start), &payload))
            payloads.push_back(payload);
    }
    return payloads;
}

void VisitSoundLogLinesBackwards(std::string_view bytes,
                                 const std::function<bool(std::string_view)>& visit) {
    // What follows the last LF is a torn line.
    size_t end = bytes.rfind('\n');
    while (end != std::string_view::npos) {
        size_t start = end == 0 ? std::string_view::npos : bytes.rfind('\n', end - 1);
        size_t from = start == std::string_view::npos ? 0 : start + 1;
        std::string_view payload;
        if (SoundPayload(bytes.substr(from, end - from), &payload) && !visit(payload))
            return;
        end = start;
    }
}

std::string LineToAppend(std::string_view logEnd, std::string_view payload) {
    // A torn line that lacks only its LF would come back whole after a bare
    // LF, a record that the reading after the crash did not have: a CR
    // before the LF keeps it torn.
    std::string bytes = !logEnd.empty() && logEnd.back() != '\n' ? "\r\n" : "";
    return bytes + EncodeLogLine(payload);
}

std::string RotateLog(std::string_view bytes, size_t keepBytes) {
    std::vector<std::string_view> payloads = SoundLogLines(bytes);
    size_t first = payloads.size();
    size_t size = 0;
    while (first > 0 && size + payloads[first - 1].size() + kCrcDigits + 2 <= keepBytes)
        size += payloads[--first].size() + kCrcDigits + 2;
    std::string kept;
    kept.reserve(size);
    for (size_t i = first; i < payloads.size(); i++)
        kept += EncodeLogLine(payloads[i]);
    return kept;
}

bool TakeLogNumber(std::string_view* text, uint64_t* number) {
    uint64_t value = 0;
    size_t i = 0;
    for (; i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9'; i++) {
        unsigned digit = static_cast<unsigned>((*text)[i] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    if (i == 0 || i == text->size() || (*text)[i] != ' ')
        return false;
    *number = value;
    text->remove_prefix(i + 1);
    return true;
}
