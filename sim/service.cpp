#include "service.hpp"

#include "call.hpp"

#include <cstdio>
#include <strings.h>

namespace sim {

namespace {

// Fields of a log line are separated by spaces, so spaces are escaped too.
std::string escape_for_log(std::string_view s) {
    return escape_bytes(s, 0x21);
}

bool is_script(std::string_view path) {
    constexpr std::string_view script = "/briskopc.asp";
    return path.size() == script.size() &&
           strncasecmp(path.data(), script.data(), script.size()) == 0;
}

} // namespace

std::string escape_bytes(std::string_view s, unsigned char first_kept) {
    std::string out;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < first_kept || b == 0x7F || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

Service::Service(World world, FunctionTable functions)
    : world_(std::move(world)), functions_(std::move(functions)) {}

Reply Service::handle(std::string_view method, std::string_view target, std::string_view connection,
                      std::string_view cookies) {
    Call call = parse_call(target, connection);
    call.web_session = cookie_value(cookies, kSessionCookie);
    const bool script = is_script(target_path(target));

    std::lock_guard<std::mutex> lock(mutex_);
    log_ += escape_for_log(connection) + " " +
            (script && !call.function.empty() ? escape_for_log(call.function) : "-") + " " +
            escape_for_log(target) + "\n";
    if (!script) {
        return {404, {}, {}};
    }
    if (method != "GET") {
        return {405, {}, {}};
    }
    Reply reply;
    if (call.web_session.empty()) {
        call.web_session = random_hex(24);
        reply.set_cookie = std::string(kSessionCookie) + "=" + call.web_session + "; path=/";
    }
    if (std::optional<std::string> body = answers_.take(call.function)) {
        reply.body = std::move(*body);
    } else if (const FunctionHandler* handler = functions_.find(call.function)) {
        reply.body = (*handler)(call, world_);
    }
    if (int& lost = lost_[call.function]; lost > 0) {
        --lost;
        reply.lost = true;
    }
    return reply;
}

void Service::with_world(const std::function<void(World&)>& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    f(world_);
}

void Service::set_answer(const std::string& function, std::string body) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.set_standing(function, std::move(body));
}

void Service::queue_once(const std::string& function, std::string body) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.queue_once(function, std::move(body));
}

void Service::reset_answer(const std::string& function) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.reset(function);
    lost_.erase(function);
}

void Service::lose_answer_once(const std::string& function) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++lost_[function];
}

std::string Service::log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void Service::clear_log() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

} // namespace sim
