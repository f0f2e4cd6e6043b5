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

// Paths compare in any case, as IIS compares them.
bool same_path(std::string_view path, std::string_view expected) {
    return path.size() == expected.size() &&
           strncasecmp(path.data(), expected.data(), expected.size()) == 0;
}

Reply status_only(int status) {
    Reply reply;
    reply.status = status;
    return reply;
}

// The small page of an answer without the installer's bytes.
std::string status_body(int status) {
    return "<html><body>" + std::to_string(status) + "</body></html>";
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
                      std::string_view cookies, std::string_view range) {
    Call call = parse_call(target, connection);
    call.web_session = cookie_value(cookies, kSessionCookie);
    const std::string_view path = target_path(target);
    const bool script = same_path(path, "/briskopc.asp");

    std::lock_guard<std::mutex> lock(mutex_);
    log_ += escape_for_log(connection) + " " +
            (script && !call.function.empty() ? escape_for_log(call.function) : "-") + " " +
            escape_for_log(target) + "\n";
    if (same_path(path, "/briskopc/setup.exe")) {
        return installer_reply(method, range);
    }
    if (!script) {
        return status_only(404);
    }
    if (method != "GET") {
        return status_only(405);
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

Reply Service::installer_reply(std::string_view method, std::string_view range) {
    if (method != "GET") {
        return status_only(405);
    }
    Installer& installer = world_.installer;
    Reply reply;
    switch (installer.mode) {
    case DownloadMode::not_found:
        reply.status = 404;
        break;
    case DownloadMode::unauthorized:
        reply.status = 401;
        reply.headers = {{"WWW-Authenticate", "Basic realm=\"Brisko\""}};
        break;
    case DownloadMode::proxy_auth:
        reply.status = 407;
        reply.headers = {{"Proxy-Authenticate", "Basic realm=\"Brisko\""}};
        break;
    default: {
        const size_t size = installer.content->size();
        size_t first = 0;
        const bool resuming = resume_offset(range, first);
        if (resuming && first >= size) {
            reply.status = 416;
            reply.headers = {{"Content-Range", "bytes */" + std::to_string(size)}};
            break;
        }
        if (resuming) {
            reply.status = 206;
            reply.headers = {{"Content-Range", "bytes " + std::to_string(first) + "-" +
                                                   std::to_string(size - 1) + "/" +
                                                   std::to_string(size)}};
        }
        reply.download = Download{installer.content, first, installer.mode, installer.rate};
    }
    }
    if (!reply.download) {
        reply.body = status_body(reply.status);
    }
    installer.requests += std::to_string(reply.status) + " " +
                          (range.empty() ? std::string("-") : escape_bytes(range, 0x20)) + "\n";
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
