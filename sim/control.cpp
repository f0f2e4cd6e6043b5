#include "control.hpp"

#include "call.hpp"
#include "control_util.hpp"

#include <charconv>
#include <functional>
#include <limits>

namespace sim {

namespace {

constexpr int32_t kMaxSlowMs = 10 * 60 * 1000;

// Runs `change` on the account named `login` under the service's lock.
ControlReply change_account(const std::string& login, Service& service,
                            const std::function<void(World&, Account&)>& change) {
    bool known = false;
    service.with_world([&](World& world) {
        if (Account* account = world.find_account(login)) {
            known = true;
            change(world, *account);
        }
    });
    return known ? ok() : no_account(login);
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
    int32_t presence = 0;
    if (!parse_number(query.param("value"), -1, 3, presence)) {
        return bad_number("value", -1, 3);
    }
    return change_account(login, service, [presence](World& world, Account& account) {
        world.set_presence(account.login, presence);
    });
}

// PUT /credits/LOGIN?value=N: the account's balance.
ControlReply credits_command(const ControlRequest& r, const std::string& login, const Call& query,
                             Service& service) {
    if (r.method != "PUT") {
        return not_allowed();
    }
    constexpr int32_t min = std::numeric_limits<int32_t>::min();
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    int32_t credits = 0;
    if (!parse_number(query.param("value"), min, max, credits)) {
        return bad_number("value", min, max);
    }
    return change_account(login, service,
                          [credits](World&, Account& account) { account.credits = credits; });
}

// PUT /prices?type=T&class=C&value=P: one entry of the price table.
ControlReply prices_command(const ControlRequest& r, const Call& query, Service& service) {
    if (r.method != "PUT") {
        return not_allowed();
    }
    int32_t type = 0;
    int32_t account_class = 0;
    int32_t price = 0;
    if (!parse_number(query.param("type"), 1, kSmsTypes - 1, type)) {
        return bad_number("type", 1, kSmsTypes - 1);
    }
    if (!parse_number(query.param("class"), 0, kTariffClasses - 1, account_class)) {
        return bad_number("class", 0, kTariffClasses - 1);
    }
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    if (!parse_number(query.param("value"), 0, max, price)) {
        return bad_number("value", 0, max);
    }
    service.with_world([&](World& world) { world.prices[type][account_class] = price; });
    return ok();
}

// GET /sms: one line per accepted SMS; DELETE /sms forgets them.
ControlReply sms_command(const ControlRequest& r, Service& service) {
    if (r.method == "DELETE") {
        service.with_world([](World& world) { world.sms.clear(); });
        return ok();
    }
    if (r.method != "GET") {
        return not_allowed();
    }
    std::string text;
    service.with_world([&text](World& world) {
        for (const SentSms& sms : world.sms) {
            text += std::to_string(sms.id) + " " + sms.account + " " + sms.recipient +
                    " class0=" + (sms.class0 ? "1" : "0") +
                    " unicode=" + (sms.unicode ? "1" : "0") + " " + escape_bytes(sms.text, 0x20) +
                    "\n";
        }
    });
    return {200, text};
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

ControlReply ok() {
    return {200, "OK\n"};
}
ControlReply not_allowed() {
    return {405, "method not allowed\n"};
}
ControlReply no_account(const std::string& login) {
    return {404, "no account " + login + "\n"};
}

bool after_prefix(std::string_view path, std::string_view prefix, std::string_view& rest) {
    if (path.substr(0, prefix.size()) != prefix) {
        return false;
    }
    rest = path.substr(prefix.size());
    return true;
}

ControlReply bad_number(std::string_view name, int64_t min, int64_t max) {
    return {400, std::string(name) + " must be a whole number from " + std::to_string(min) +
                     " to " + std::to_string(max) + "\n"};
}

ControlReply handle_control(const ControlRequest& r, Service& service, Reachability* net,
                            PushServer* push) {
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
    if (after_prefix(path, "/lose/", rest)) {
        const std::string function = url_decode(rest, false);
        if (function.empty()) {
            return {400, "no function name\n"};
        }
        if (r.method != "POST") {
            return not_allowed();
        }
        service.lose_answer_once(function);
        return ok();
    }
    if (after_prefix(path, "/push/", rest)) {
        return push_command(r, rest, query, service, push);
    }
    if (after_prefix(path, "/presence/", rest)) {
        return presence_command(r, url_decode(rest, false), query, service);
    }
    if (after_prefix(path, "/contacts/", rest)) {
        return contacts_command(r, url_decode(rest, false), service);
    }
    if (after_prefix(path, "/credits/", rest)) {
        return credits_command(r, url_decode(rest, false), query, service);
    }
    if (path == "/version") {
        return version_command(r, service);
    }
    if (after_prefix(path, "/installer", rest)) {
        return installer_command(r, rest, query, service);
    }
    if (path == "/prices") {
        return prices_command(r, query, service);
    }
    if (path == "/sms") {
        return sms_command(r, service);
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
        int32_t ms = 0;
        if (!parse_number(query.param("ms"), 0, kMaxSlowMs, ms)) {
            return bad_number("ms", 0, kMaxSlowMs);
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
