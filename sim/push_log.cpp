#include "push_log.hpp"

namespace sim {

void PushLog::add(std::string_view connection, std::string_view what) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start_)
                        .count();
    std::string line = std::to_string(ms);
    line += ' ';
    line += connection;
    line += ' ';
    line += what;
    line += '\n';
    lines_.push_back(std::move(line));
    if (lines_.size() > max_lines_) {
        lines_.pop_front();
    }
}

std::string PushLog::text() const {
    std::string out;
    for (const std::string& line : lines_) {
        out += line;
    }
    return out;
}

std::string hex_bytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) {
            out += ' ';
        }
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

} // namespace sim
