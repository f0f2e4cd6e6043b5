// An event frame as the push server writes it, for the tests to play the server.
#pragma once

#include <cstdint>
#include <string>

inline std::string EventFrame(int32_t type, uint32_t param) {
    std::string s = "\x0A\x03";
    for (uint32_t v : {static_cast<uint32_t>(type), param})
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
