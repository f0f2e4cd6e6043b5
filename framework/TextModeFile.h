// Data files as the C runtime's text-mode stream stores them, handled as bytes:
// every 0x0A written is stored as 0x0D 0x0A. Numbers inside are 32-bit signed
// little-endian; the reader never goes past the end of its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The stored form of the bytes: every 0x0A becomes 0x0D 0x0A.
std::string ToTextMode(std::string_view bytes);

// The bytes back from their stored form: 0x0D 0x0A reads as 0x0A, every other
// byte as itself. A 0x1A is data too: the runtime's reading ends there, which
// would cut a file off at any number or text that holds the byte 26.
std::string FromTextMode(std::string_view stored);

// Appends the number as four little-endian bytes.
void AppendInt32(std::string& out, int32_t value);
// A text as the data files store it: its length, then its bytes, cut to maxLength.
void AppendText(std::string& out, const std::string& text, size_t maxLength);

// Takes numbers and byte strings from the front of a buffer. A read that needs
// more bytes than remain fails and takes nothing.
class CByteReader {
public:
    explicit CByteReader(std::string_view bytes) : m_rest(bytes) {}

    bool ReadInt32(int32_t& value);
    bool ReadBytes(size_t count, std::string& bytes);
    // A length and that many bytes; false for a length below 0 or over maxLength.
    bool ReadText(size_t maxLength, std::string& text);

private:
    std::string_view m_rest;
};
