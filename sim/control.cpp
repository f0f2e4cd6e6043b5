#include "control.hpp"

#include "call.hpp"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace sim {

namespace {

constexpr int kMaxSlowMs = 10 * 60 * 1000;

ControlReply ok() {
    return {200, "OK\n"};
}
ControlReply not_allowed() {
    return {405, "method not allowed\n"};
}
ControlReply no_account(const std::string& login) {
    return {404, "no account " + login + "\n"};
}

// True when `path` begins with `prefix`; `rest` is then what follows it.
bool after_prefix(std::string_view path, std::string_view prefix, std::string_view& rest) {
    if (path.substr(0, prefix.size()) != prefix) {
        return false;
    }
    rest = path.substr(prefix.size());
    return true;
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

// PUT /presence/LOGIN?value=N: the account's presence, -1 to 3.
ControlReply presence_command(const ControlRequest& r, const std::string& login, const Call& query,
                              Service& service) {
    if (r.method != "PUT") {
        return not_allowed();
    }
    const std::string* value = query.param("value");
    static const std::string kValues[] = {"-1", "0", "1", "2", "3"};
    if (!value || std::find(std::begin(kValues), std::end(kValues), *value) == std::end(kValues)) {
        return {400, "value must be -1, 0, 1, 2 or 3\n"};
    }
    bool known = false;
    service.with_world([&](World& world) {
        known = world.find_account(login) != nullptr;
        if (known) {
            world.presences[login] = std::atoi(value->c_str());
        }
    });
    return known ? ok() : no_account(login);
}

// GET /contacts/LOGIN: one line "name;number;userid;presence" per contact.
ControlReply contacts_command(const ControlRequest& r, const std::string& login, Service& service) {
    if (r.method != "GET") {
        return not_allowed();
    }
    bool known = false;
    std::string text;
    service.with_world([&](World& world) {
        known = world.find_account(login) != nullptr;
        if (!known) {
            return;
        }
        for (const Contact& c : world.contacts[login]) {
            text += world.contact_fields(c, c.name) + "\n";
        }
    });
    return known ? ControlReply{200, text} : no_account(login);
}

} // namespace

ControlReply handle_control(const ControlRequest& r, Service& service, Reachability* net) {
    const std::string_view path = target_path(r.target);
    const size_t q = r.target.find('?');
    Call query;
    if (q != std::string::npos) {
        query.params = parse_query(std::string_view(r.target).substr(q + 1));
    }

    std::string_view rest;
    if (after_prefix(path, "/answer/", rest)) {
        return answer_command(r, rest, service);
    }
    if (after_prefix(path, "/presence/", rest)) {
        return presence_command(r, url_decode(rest, false), query, service);
    }
    if (after_prefix(path, "/contacts/", rest)) {
        return contacts_command(r, url_decode(rest, false), service);
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
        int ms = 0;
        if (!parse_ms(query.param("ms"), ms)) {
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
