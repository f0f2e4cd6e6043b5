#include "call.hpp"

#include <algorithm>
#include <charconv>

namespace sim {

const std::string* Call::param(std::string_view name) const {
    for (const auto& [key, value] : params) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string url_decode(std::string_view s, bool plus_is_space) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 &&
            hex_value(s[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2]));
            i += 2;
        } else if (s[i] == '+' && plus_is_space) {
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return out;
}

Params parse_query(std::string_view query) {
    Params params;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string_view::npos) {
            end = query.size();
        }
        const std::string_view item = query.substr(start, end - start);
        start = end + 1;
        if (item.empty()) {
            continue;
        }
        const size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            params.emplace_back(url_decode(item, true), "");
        } else {
            params.emplace_back(url_decode(item.substr(0, eq), true),
                                url_decode(item.substr(eq + 1), true));
        }
    }
    return params;
}

std::string cookie_value(std::string_view header, std::string_view name) {
    const auto trim = [](std::string_view s) {
        constexpr std::string_view blanks = " \t";
        s.remove_prefix(std::min(s.find_first_not_of(blanks), s.size()));
        return s.substr(0, s.find_last_not_of(blanks) + 1);
    };
    size_t start = 0;
    while (start < header.size()) {
        const size_t end = std::min(header.find(';', start), header.size());
        const std::string_view item = trim(header.substr(start, end - start));
        start = end + 1;
        const size_t eq = item.find('=');
        if (eq != std::string_view::npos && item.substr(0, eq) == name) {
            return std::string(trim(item.substr(eq + 1)));
        }
    }
    return "";
}

std::string_view target_path(std::string_view target) {
    return target.substr(0, target.find('?'));
}

Call parse_call(std::string_view target, std::string_view connection) {
    Call call;
    call.target = std::string(target);
    call.connection = std::string(connection);
    const size_t q = target.find('?');
    if (q != std::string_view::npos) {
        call.params = parse_query(target.substr(q + 1));
    }
    if (const std::string* f = call.param("function")) {
        call.function = *f;
    }
    return call;
}

bool resume_offset(std::string_view range, size_t& offset) {
    constexpr std::string_view prefix = "bytes=";
    if (range.substr(0, prefix.size()) != prefix || range.back() != '-') {
        return false;
    }
    const char* end = range.data() + range.size() - 1;
    const auto [stop, error] = std::from_chars(range.data() + prefix.size(), end, offset);
    return error == std::errc() && stop == end;
}

} // namespace sim
