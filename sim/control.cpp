#include "control.hpp"

#include "call.hpp"

#include <cstdlib>

namespace sim {

namespace {

constexpr int kMaxSlowMs = 10 * 60 * 1000;

ControlReply ok() {
    return {200, "OK\n"};
}
ControlReply not_allowed() {
    return {405, "method not allowed\n"};
}

bool parse_ms(const std::string* text, int& ms) {
    if (!text || text->empty() || text->size() > 9) {
        return false;
    }
    for (const char c : *text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    ms = std::atoi(text->c_str());
    return ms <= kMaxSlowMs;
}

ControlReply answer_command(const ControlRequest& r, std::string_view rest, Service& service) {
    constexpr std::string_view once_suffix = "/once";
    const bool once = rest.size() >= once_suffix.size() &&
                      rest.substr(rest.size() - once_suffix.size()) == once_suffix;
    if (once) {
        rest.remove_suffix(once_suffix.size());
    }
    const std::string function = url_decode(rest, false);
    if (function.empty()) {
        return {400, "no function name\n"};
    }
    if (once) {
        if (r.method != "POST") {
            return not_allowed();
        }
        service.queue_once(function, r.body);
    } else if (r.method == "PUT") {
        service.set_answer(function, r.body);
    } else if (r.method == "DELETE") {
        service.reset_answer(function);
    } else {
        return not_allowed();
    }
    return ok();
}

// One line per account: login, credits, days, class, web session state.
std::string accounts_text(Service& service) {
    std::string text;
    service.with_world([&text](World& world) {
        for (const Account& a : world.accounts) {
            text += a.login + " " + std::to_string(a.credits) + " " + std::to_string(a.days) + " " +
                    std::to_string(a.account_class) +
                    (world.logged_in(a.login) ? " logged-in\n" : " logged-out\n");
        }
    });
    return text;
}

} // namespace

ControlReply handle_control(const ControlRequest& r, Service& service, Reachability* net) {
    const std::string_view path = target_path(r.target);
    const size_t q = r.target.find('?');
    const Params params =
        q == std::string::npos ? Params{} : parse_query(std::string_view(r.target).substr(q + 1));

    constexpr std::string_view answer_prefix = "/answer/";
    if (path.substr(0, answer_prefix.size()) == answer_prefix) {
        return answer_command(r, path.substr(answer_prefix.size()), service);
    }
    if (path == "/health") {
        return r.method == "GET" ? ControlReply{200, "OK"} : not_allowed();
    }
    if (path == "/log") {
        if (r.method == "GET") {
            return {200, service.log()};
        }
        if (r.method == "DELETE") {
            service.clear_log();
            return ok();
        }
        return not_allowed();
    }
    if (path == "/expire") {
        if (r.method != "POST") {
            return not_allowed();
        }
        service.with_world([](World& world) { world.web_sessions.clear(); });
        return ok();
    }
    if (path == "/accounts") {
        return r.method == "GET" ? ControlReply{200, accounts_text(service)} : not_allowed();
    }
    if (path == "/slow") {
        if (r.method != "POST") {
            return not_allowed();
        }
        Call c;
        c.params = params;
        int ms = 0;
        if (!parse_ms(c.param("ms"), ms)) {
            return {400,
                    "ms must be a whole number from 0 to " + std::to_string(kMaxSlowMs) + "\n"};
        }
        service.set_slow_ms(ms);
        return ok();
    }
    if (path == "/unreachable" || path == "/reachable") {
        if (r.method != "POST") {
            return not_allowed();
        }
        if (!net) {
            return {501, "no server to change\n"};
        }
        std::string error;
        if (!net->set_reachable(path == "/reachable", error)) {
            return {500, error + "\n"};
        }
        return ok();
    }
    return {404, "unknown command; see sim/README.md\n"};
}

} // namespace sim
