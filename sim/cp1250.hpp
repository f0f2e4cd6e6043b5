// Conversions between UTF-8 (how the simulator's own text files are written)
// and cp1250 (the bytes the client and the service exchange).
#pragma once

#include <string>
#include <string_view>

namespace sim {

// Converts UTF-8 text to cp1250. Returns false, leaving `out` unspecified,
// when `in` is not well-formed UTF-8 or holds a character cp1250 lacks; then
// `bad_char` names that character (U+XXXX) or says that the UTF-8 is malformed.
bool utf8_to_cp1250(std::string_view in, std::string& out, std::string& bad_char);

// Converts cp1250 bytes to UTF-8. The five byte values cp1250 leaves undefined
// (0x81 0x83 0x88 0x90 0x98) become U+FFFD.
std::string cp1250_to_utf8(std::string_view in);

} // namespace sim
