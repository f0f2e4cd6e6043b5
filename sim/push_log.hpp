// The push server's log: one line per occurrence,
// "<ms since start> <connection> <what>", the oldest lines forgotten beyond
// a bound so that a long run stays cheap.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace sim {

class PushLog {
public:
    explicit PushLog(size_t max_lines = 200000) : max_lines_(max_lines) {}

    // `connection` is the client's TCP port, or "-" for a line about no connection.
    void add(std::string_view connection, std::string_view what);
    std::string text() const;
    void clear() { lines_.clear(); }

private:
    size_t max_lines_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::deque<std::string> lines_;
};

// "in 03 02 01": the bytes of one read, lower-case hexadecimal.
std::string hex_bytes(std::string_view bytes);

} // namespace sim
