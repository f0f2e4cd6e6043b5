// What the control interface's command files share: replies and the
// checking of numbers in queries.
#pragma once

#include "call.hpp"
#include "control.hpp"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

ControlReply ok();
ControlReply not_allowed();
ControlReply no_account(const std::string& login);
// 400, naming the query parameter and its range.
ControlReply bad_number(std::string_view name, int64_t min, int64_t max);

// True when `path` begins with `prefix`; `rest` is then what follows it.
bool after_prefix(std::string_view path, std::string_view prefix, std::string_view& rest);

// A whole number from `min` to `max`, written as std::to_string writes it
// (no "+", no leading zeros).
template <typename T> bool parse_number(const std::string* text, T min, T max, T& value) {
    if (!text) {
        return false;
    }
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    return error == std::errc() && stop == end && std::to_string(value) == *text && value >= min &&
           value <= max;
}

// PUT and GET /version.
ControlReply version_command(const ControlRequest& r, Service& service);
// /installer and its subcommands; `rest` is the path after "/installer".
ControlReply installer_command(const ControlRequest& r, std::string_view rest, const Call& query,
                               Service& service);

// The /push/ commands; `rest` is the path after "/push/".
ControlReply push_command(const ControlRequest& r, std::string_view rest, const Call& query,
                          Service& service, PushServer* push);

} // namespace sim
