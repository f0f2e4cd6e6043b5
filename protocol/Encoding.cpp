#include "Encoding.h"

#include <array>
#include <cstring>
#include <string_view>

namespace {

// ą ć ę ś ż ź ł ó ń Ą Ć Ę Ł Ń Ó Ś Ż Ź: the letters escaped both ways.
constexpr std::string_view kPolishLetters =
    "\xB9\xE6\xEA\x9C\xBF\x9F\xB3\xF3\xF1\xA5\xC6\xCA\xA3\xD1\xD3\x8C\xAF\x8F";
// Signs that would change the meaning of a query, plus the line breaks.
constexpr std::string_view kQuerySigns = "%!#$^&)(+\"'?/\\\r\n:";

using ByteSet = std::array<bool, 256>;

constexpr ByteSet MakeByteSet(std::string_view first, std::string_view second) {
    ByteSet set{};
    for (const char c : first) {
        set[static_cast<unsigned char>(c)] = true;
    }
    for (const char c : second) {
        set[static_cast<unsigned char>(c)] = true;
    }
    return set;
}

constexpr ByteSet kEscaped = MakeByteSet(kPolishLetters, kQuerySigns);
constexpr ByteSet kDecoded = MakeByteSet(kPolishLetters, {});

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendEscape(std::string& text, unsigned char byte) {
    text += '%';
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0x0F];
}

// Value of an upper-case hexadecimal digit, or -1: lower-case escapes are not ours.
int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The letter that text[0..2] escapes, or -1 when it is no Polish-letter escape.
int DecodedLetter(const char* text, size_t available) {
    if (available < 3 || text[0] != '%') {
        return -1;
    }
    const int high = HexValue(text[1]);
    const int low = HexValue(text[2]);
    if (high < 0 || low < 0) {
        return -1;
    }
    const int byte = high * 16 + low;
    return kDecoded[byte] ? byte : -1;
}

// Decodes text[0..size) over itself in one pass and returns the new length.
// Escapes cannot overlap and a decoded letter is never part of one, so one
// pass gives the same text as replacing the escapes one letter after another.
size_t DecodeInPlace(char* text, size_t size) {
    size_t out = 0;
    size_t in = 0;
    while (in < size) {
        const int letter = DecodedLetter(text + in, size - in);
        if (letter >= 0) {
            text[out++] = static_cast<char>(letter);
            in += 3;
        } else {
            text[out++] = text[in++];
        }
    }
    return out;
}

} // namespace

// No replacement produces a byte that another one escapes ("+" for a space is
// produced only, never escaped afterwards), so one pass over the value gives
// the same text as replacing each character in turn.
int EncodeParam(std::string& value) {
    std::string escaped;
    escaped.reserve(value.size() * 3);
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            escaped += '+';
        } else if (kEscaped[byte]) {
            AppendEscape(escaped, byte);
        } else {
            escaped += c;
        }
    }
    value.swap(escaped);
    return 0;
}

std::string EscapeHighBytes(const std::string& target) {
    std::string escaped;
    escaped.reserve(target.size() * 3);
    for (const char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x7F) {
            AppendEscape(escaped, byte);
        } else {
            escaped += c;
        }
    }
    return escaped;
}

int DecodeResponse(char* buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    buffer[DecodeInPlace(buffer, std::strlen(buffer))] = '\0';
    return 0;
}

int DecodeResponse(std::string& text) {
    text.resize(DecodeInPlace(text.data(), text.size()));
    return 0;
}
