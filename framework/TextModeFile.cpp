#include "TextModeFile.h"

#include <algorithm>

std::string ToTextMode(std::string_view bytes) {
    std::string stored;
    stored.reserve(bytes.size());
    for (const char c : bytes) {
        if (c == '\n') {
            stored += '\r';
        }
        stored += c;
    }
    return stored;
}

std::string FromTextMode(std::string_view stored) {
    std::string bytes;
    bytes.reserve(stored.size());
    for (size_t i = 0; i < stored.size(); ++i) {
        // A 0x0D stays unless a 0x0A follows it, so any bytes survive the round trip.
        if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') {
            continue;
        }
        bytes += stored[i];
    }
    return bytes;
}

void AppendInt32(std::string& out, int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((bits >> shift) & 0xFF);
    }
}

bool CByteReader::ReadInt32(int32_t& value) {
    if (m_rest.size() < 4) {
        return false;
    }
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) {
        bits = (bits << 8) | static_cast<unsigned char>(m_rest[i]);
    }
    value = static_cast<int32_t>(bits);
    m_rest.remove_prefix(4);
    return true;
}

bool CByteReader::ReadBytes(size_t count, std::string& bytes) {
    if (m_rest.size() < count) {
        return false;
    }
    bytes.assign(m_rest.substr(0, count));
    m_rest.remove_prefix(count);
    return true;
}

void AppendText(std::string& out, const std::string& text, size_t maxLength) {
    const size_t length = std::min(text.size(), maxLength);
    AppendInt32(out, static_cast<int32_t>(length));
    out.append(text, 0, length);
}

bool CByteReader::ReadText(size_t maxLength, std::string& text) {
    int32_t length = 0;
    return ReadInt32(length) && length >= 0 && static_cast<size_t>(length) <= maxLength &&
           ReadBytes(static_cast<size_t>(length), text);
}
