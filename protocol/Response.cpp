#include "Response.h"

#include <algorithm>
#include <climits>

namespace {

std::string_view Text(const char* response) {
    return response ? response : "";
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool StartsWith(const char* response, std::string_view keyword) {
    return Text(response).substr(0, keyword.size()) == keyword;
}

bool Equals(const char* response, std::string_view keyword) {
    return Text(response) == keyword;
}

int ParseInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The magnitude stops growing just past the int range, so it cannot overflow.
    constexpr long long kBeyond = INT_MAX + 1LL;
    long long magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kBeyond);
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string ResponseReader::NextField() {
    const size_t lineEnd = m_text.find('\n');
    if (lineEnd == std::string_view::npos) {
        return {};
    }
    m_text.remove_prefix(lineEnd + 1);
    const size_t fieldEnd = m_text.find('\n');
    if (fieldEnd == std::string_view::npos) {
        return {};
    }
    std::string_view field = m_text.substr(0, fieldEnd);
    // Only a "\r" is dropped: a line that ends in a bare "\n" keeps its last character.
    if (!field.empty() && field.back() == '\r') {
        field.remove_suffix(1);
    }
    return std::string(field);
}

std::string ResponseReader::Rest() const {
    const size_t lineEnd = m_text.find('\n');
    if (lineEnd == std::string_view::npos) {
        return {};
    }
    return std::string(m_text.substr(lineEnd + 1));
}
