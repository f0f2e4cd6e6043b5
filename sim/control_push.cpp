// The control interface's /push/ commands: the push server's modes, events
// and raw bytes for an account's open sessions, dropped and stalled
// connections, the push log; messages and texts, ended client sessions and
// scripted users.
#include "control_util.hpp"
#include "push_frames.hpp"
#include "push_server.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <random>

namespace sim {

namespace {

constexpr int32_t kMaxReportDelayMs = 10 * 60 * 1000;
constexpr int32_t kMaxGapMs = 10000;
constexpr int32_t kDefaultGapMs = 20;
constexpr int32_t kMaxPiece = 1 << 20;
constexpr int32_t kMaxBurst = 100000;
constexpr int32_t kMaxLoadEvents = 1000000;
constexpr int32_t kMaxLoadSeconds = 24 * 60 * 60;

ControlReply count_reply(int count) {
    return {200, std::to_string(count)};
}

// `text` when it is one of `names` (the first is the default for an absent
// value): its index, else -1.
int choice(const std::string* text, std::initializer_list<std::string_view> names) {
    if (!text) {
        return 0;
    }
    const auto it = std::find(names.begin(), names.end(), *text);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

bool known_account(Service& service, const std::string& login) {
    bool known = false;
    service.with_world([&](World& world) { known = world.find_account(login) != nullptr; });
    return known;
}

// "5,3,10": piece sizes, each from 1 to kMaxPiece.
bool parse_split(const std::string& text, std::vector<size_t>& sizes) {
    size_t start = 0;
    for (;;) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        int32_t size = 0;
        if (!parse_number(&item, 1, kMaxPiece, size)) {
            return false;
        }
        sizes.push_back(static_cast<size_t>(size));
        if (comma == text.size()) {
            return true;
        }
        start = comma + 1;
    }
}

ControlReply mode_command(const Call& query, PushServer& push) {
    const int session = choice(query.param("session"), {"accept", "reject", "silent"});
    const int alive = choice(query.param("alive"), {"answer", "silent", "dead"});
    if (session < 0 || alive < 0) {
        return {400, "session=accept|reject|silent, alive=answer|silent|dead\n"};
    }
    push.set_modes(static_cast<PushServer::SessionMode>(session),
                   static_cast<PushServer::AliveMode>(alive));
    return ok();
}

ControlReply event_command(const std::string& login, const Call& query, PushServer& push) {
    constexpr int32_t min = std::numeric_limits<int32_t>::min();
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    constexpr uint32_t umax = std::numeric_limits<uint32_t>::max();
    int32_t type = 0;
    uint32_t param = 0;
    if (!parse_number(query.param("type"), min, max, type)) {
        return bad_number("type", min, max);
    }
    if (!parse_number(query.param("param"), 0u, umax, param)) {
        return bad_number("param", 0, umax);
    }
    return count_reply(push.event(login, type, param));
}

ControlReply raw_command(const ControlRequest& r, const std::string& login, const Call& query,
                         PushServer& push) {
    std::vector<size_t> sizes;
    int32_t gap = 0;
    if (const std::string* split = query.param("split")) {
        if (!parse_split(*split, sizes)) {
            return {400, "split must be sizes from 1 to " + std::to_string(kMaxPiece) +
                             ", separated by commas\n"};
        }
        gap = kDefaultGapMs;
    }
    if (query.param("gap") && !parse_number(query.param("gap"), 0, kMaxGapMs, gap)) {
        return bad_number("gap", 0, kMaxGapMs);
    }
    return count_reply(push.raw(login, r.body, sizes, gap));
}

ControlReply drop_command(const std::string* login, const Call& query, PushServer& push) {
    const int how = choice(query.param("how"), {"close", "half", "reset"});
    if (how < 0) {
        return {400, "how=close|half|reset\n"};
    }
    push.drop(login, static_cast<PushServer::Drop>(how));
    return ok();
}

// kind=1, 101 and 102 need from=LOGIN2 (the sender); a system message
// (kind=100) comes from user id 0 unless `from` says otherwise. A contact's
// login or logoff (101, 102) carries the sender's number instead of a text.
ControlReply message_command(const ControlRequest& r, const std::string& login, const Call& query,
                             Service& service) {
    static constexpr int32_t kKinds[] = {kUserMessage, kSystemMessage, kContactLoginMessage,
                                         kContactLogoffMessage};
    const int kind_index = choice(query.param("kind"), {"1", "100", "101", "102"});
    if (kind_index < 0) {
        return {400, "kind must be 1, 100, 101 or 102\n"};
    }
    const int32_t kind = kKinds[kind_index];
    const std::string* from = query.param("from");
    if (!from && kind != kSystemMessage) {
        return {400, "a message of kind " + std::to_string(kind) + " needs from=LOGIN\n"};
    }
    ControlReply reply = no_account(login);
    service.with_world([&](World& world) {
        const int32_t sender = from ? world.user_id(*from) : 0;
        if (from && sender == 0) {
            reply = no_account(*from);
            return;
        }
        if (!world.find_account(login)) {
            return;
        }
        const bool presence = kind == kContactLoginMessage || kind == kContactLogoffMessage;
        reply = count_reply(world.send_message(login, sender, kind, presence ? *from : r.body));
    });
    return reply;
}

// GET /push/texts: "<id> <sender> <receiver> <text>" per accepted SENDTEXT;
// DELETE /push/texts forgets them.
ControlReply texts_command(const ControlRequest& r, Service& service) {
    if (r.method == "DELETE") {
        service.with_world([](World& world) { world.texts.clear(); });
        return ok();
    }
    if (r.method != "GET") {
        return not_allowed();
    }
    std::string text;
    service.with_world([&text](World& world) {
        for (const SentText& t : world.texts) {
            text += std::to_string(t.id) + " " + t.sender + " " + t.receiver + " " +
                    escape_bytes(t.text, 0x20) + "\n";
        }
    });
    return {200, text};
}

// GET /push/messages/LOGIN: "<id> <kind> <sender id> <sender login|-> <text>"
// per message stored for LOGIN, whether its event reached a session or not
// (the push log tells).
ControlReply messages_command(const std::string& login, Service& service) {
    ControlReply reply = no_account(login);
    service.with_world([&](World& world) {
        if (!world.find_account(login)) {
            return;
        }
        reply = {200, ""};
        for (const InstantMessage& m : world.messages) {
            if (m.recipient != login) {
                continue;
            }
            const Account* sender = world.account_by_user_id(m.sender);
            reply.body += std::to_string(m.id) + " " + std::to_string(m.kind) + " " +
                          std::to_string(m.sender) + " " + (sender ? sender->login : "-") + " " +
                          escape_bytes(m.text, 0x20) + "\n";
        }
    });
    return reply;
}

// The account's client session ends as when the service forgets it: its
// push connections close with it (so no event goes out that the client could
// no longer fetch), and SENDTEXT and RECEIVEMSG answer "NOSESSION" until the
// next LOGINPC. The web session stays.
ControlReply nosession_command(const std::string& login, Service& service, PushServer* push) {
    bool known = false;
    service.with_world([&](World& world) {
        known = world.find_account(login) != nullptr;
        if (known) {
            world.pc_sessions.erase(login);
            if (push) {
                push->drop(&login, PushServer::Drop::Close);
            }
        }
    });
    return known ? ok() : no_account(login);
}

// PUT /push/autoreply/LOGIN?ms=N: LOGIN answers every text it receives
// after N ms (0: not).
ControlReply autoreply_command(const ControlRequest& r, const std::string& login, const Call& query,
                               Service& service) {
    if (r.method != "PUT") {
        return not_allowed();
    }
    int32_t ms = 0;
    if (!parse_number(query.param("ms"), 0, kMaxAutoReplyMs, ms)) {
        return bad_number("ms", 0, kMaxAutoReplyMs);
    }
    bool known = false;
    service.with_world([&](World& world) {
        known = world.find_account(login) != nullptr;
        if (known) {
            world.auto_replies[login] = ms;
        }
    });
    return known ? ok() : no_account(login);
}

// A message text that names the id it is stored under, so that a test can
// tell which ones a client showed.
std::string numbered_text(const World& world) {
    return "wiadomo\x9C\xE6 " + std::to_string(world.next_message_id);
}

// The events of a burst, mixed at random: a delivery report for each of the
// account's `reports` most recent SMS, then reports, new messages from its
// contacts who are users and their presences for the rest. Messages are
// stored as they are chosen.
ControlReply burst_command(const std::string& login, const Call& query, Service& service,
                           PushServer& push) {
    int32_t count = 0, reports = 0;
    uint32_t seed = 0;
    if (!parse_number(query.param("count"), 1, kMaxBurst, count)) {
        return bad_number("count", 1, kMaxBurst);
    }
    if (!parse_number(query.param("seed"), 0u, std::numeric_limits<uint32_t>::max(), seed)) {
        return bad_number("seed", 0, std::numeric_limits<uint32_t>::max());
    }
    if (query.param("reports") && !parse_number(query.param("reports"), 0, count, reports)) {
        return bad_number("reports", 0, count);
    }
    std::vector<std::pair<int32_t, uint32_t>> events;
    int messages = 0;
    std::optional<ControlReply> refused = no_account(login);
    service.with_world([&](World& world) {
        if (!world.find_account(login)) {
            return;
        }
        std::vector<int32_t> sms_ids;
        for (auto it = world.sms.rbegin();
             it != world.sms.rend() && sms_ids.size() < size_t(reports); ++it) {
            if (it->account == login) {
                sms_ids.push_back(it->id);
            }
        }
        const std::vector<ContactUser> users = world.contact_users(login);
        if (sms_ids.size() < size_t(reports)) {
            refused = {400, "the account has fewer than " + std::to_string(reports) + " SMS\n"};
            return;
        }
        if (users.empty() && count > reports) {
            refused = {400, "without contacts who are users, count must equal reports\n"};
            return;
        }
        std::mt19937 random(seed);
        for (const int32_t id : sms_ids) {
            events.emplace_back(kEventSmsReport, static_cast<uint32_t>(id));
        }
        const auto pick = [&random](size_t n) {
            return std::uniform_int_distribution<size_t>(0, n - 1)(random);
        };
        while (events.size() < size_t(count)) {
            const size_t what = pick(sms_ids.empty() ? 2 : 3);
            if (what == 2) {
                events.emplace_back(kEventSmsReport,
                                    static_cast<uint32_t>(sms_ids[pick(sms_ids.size())]));
                continue;
            }
            const ContactUser& user = users[pick(users.size())];
            if (what == 1) {
                events.emplace_back(presence_event_type(world.presence(user.login)),
                                    static_cast<uint32_t>(user.user_id));
                continue;
            }
            const int32_t id =
                world.store_message(login, user.user_id, kUserMessage, numbered_text(world));
            events.emplace_back(kEventMessage, static_cast<uint32_t>(id));
            ++messages;
        }
        std::shuffle(events.begin(), events.end(), random);
        refused.reset();
    });
    if (refused) {
        return *refused;
    }
    push.burst(login, events, seed);
    return {200,
            "reports " + std::to_string(reports) + "\nmessages " + std::to_string(messages) + "\n"};
}

// An hour of use compressed: `presences` presence changes of the account's
// contacts who are users and `messages` messages from the first `senders` of
// them (default: all), evenly spaced over `seconds` in an order the seed
// chooses. Each happens when it is due, as the service makes it: a presence
// set anew (its watchers hear of it), a message stored and announced.
ControlReply load_command(const std::string& login, const Call& query, Service& service,
                          PushServer& push) {
    int32_t presences = 0, messages = 0, seconds = 0, senders = 0;
    uint32_t seed = 0;
    for (auto [name, value] : {std::pair{"presences", &presences}, {"messages", &messages}}) {
        if (!parse_number(query.param(name), 0, kMaxLoadEvents, *value)) {
            return bad_number(name, 0, kMaxLoadEvents);
        }
    }
    if (!parse_number(query.param("seconds"), 1, kMaxLoadSeconds, seconds)) {
        return bad_number("seconds", 1, kMaxLoadSeconds);
    }
    if (query.param("senders") &&
        !parse_number(query.param("senders"), 1, kMaxLoadEvents, senders)) {
        return bad_number("senders", 1, kMaxLoadEvents);
    }
    if (!parse_number(query.param("seed"), 0u, std::numeric_limits<uint32_t>::max(), seed)) {
        return bad_number("seed", 0, std::numeric_limits<uint32_t>::max());
    }
    std::vector<ContactUser> users;
    bool known = false;
    service.with_world([&](World& world) {
        known = world.find_account(login) != nullptr;
        users = world.contact_users(login);
    });
    if (!known) {
        return no_account(login);
    }
    if (users.empty() && presences + messages > 0) {
        return {400, "the account has no contacts who are users\n"};
    }
    const size_t from = senders ? std::min<size_t>(senders, users.size()) : users.size();
    std::vector<bool> is_message(size_t(presences) + size_t(messages), false);
    std::fill_n(is_message.begin(), messages, true);
    std::mt19937 random(seed);
    std::shuffle(is_message.begin(), is_message.end(), random);
    const auto pick = [&random](size_t n) {
        return std::uniform_int_distribution<size_t>(0, n - 1)(random);
    };
    const double step_ms = 1000.0 * seconds / std::max<size_t>(is_message.size(), 1);
    for (size_t i = 0; i < is_message.size(); ++i) {
        const int ms = static_cast<int>(i * step_ms);
        if (is_message[i]) {
            const ContactUser user = users[pick(from)];
            push.later(ms, [login, user](World& world) {
                world.send_message(login, user.user_id, kUserMessage, numbered_text(world));
            });
        } else {
            // Always another presence than the one it has then, so that an event goes out.
            const ContactUser user = users[pick(users.size())];
            const int32_t shift = static_cast<int32_t>(1 + pick(3));
            push.later(ms, [user, shift](World& world) {
                world.set_presence(user.login, (world.presence(user.login) + shift) % 4);
            });
        }
    }
    return {200, "presences " + std::to_string(presences) + "\nmessages " +
                     std::to_string(messages) + "\n"};
}

} // namespace

ControlReply push_command(const ControlRequest& r, std::string_view rest, const Call& query,
                          Service& service, PushServer* push) {
    std::string_view tail;
    if (after_prefix(rest, "message/", tail)) {
        return r.method == "POST" ? message_command(r, url_decode(tail, false), query, service)
                                  : not_allowed();
    }
    if (after_prefix(rest, "messages/", tail)) {
        return r.method == "GET" ? messages_command(url_decode(tail, false), service)
                                 : not_allowed();
    }
    if (rest == "texts") {
        return texts_command(r, service);
    }
    if (after_prefix(rest, "autoreply/", tail)) {
        return autoreply_command(r, url_decode(tail, false), query, service);
    }
    if (rest == "autoreply") { // nobody answers
        if (r.method != "DELETE") {
            return not_allowed();
        }
        service.with_world([](World& world) { world.auto_replies.clear(); });
        return ok();
    }
    if (after_prefix(rest, "nosession/", tail)) {
        return r.method == "POST" ? nosession_command(url_decode(tail, false), service, push)
                                  : not_allowed();
    }
    if (!push) {
        return {501, "no push server\n"};
    }
    if (rest == "log") {
        if (r.method == "GET") {
            return {200, push->log_text()};
        }
        if (r.method == "DELETE") {
            push->clear_log();
            return ok();
        }
        return not_allowed();
    }
    if (rest == "mode" || rest == "report-delay") {
        if (r.method != "PUT") {
            return not_allowed();
        }
        if (rest == "mode") {
            return mode_command(query, *push);
        }
        int32_t ms = 0;
        if (!parse_number(query.param("ms"), -1, kMaxReportDelayMs, ms)) {
            return bad_number("ms", -1, kMaxReportDelayMs);
        }
        push->set_report_delay(ms);
        return ok();
    }
    if (r.method != "POST") {
        return not_allowed();
    }
    if (rest == "reset") {
        push->reset();
        service.with_world([](World& world) { world.texts.clear(); });
        return ok();
    }
    if (rest == "drop-all") {
        return drop_command(nullptr, query, *push);
    }
    for (const std::string_view command :
         {"event/", "raw/", "drop/", "stall/", "burst/", "load/"}) {
        if (!after_prefix(rest, command, tail)) {
            continue;
        }
        const std::string login = url_decode(tail, false);
        if (command == "burst/") {
            return burst_command(login, query, service, *push);
        }
        if (command == "load/") {
            return load_command(login, query, service, *push);
        }
        if (!known_account(service, login)) {
            return no_account(login);
        }
        if (command == "event/") {
            return event_command(login, query, *push);
        }
        if (command == "raw/") {
            return raw_command(r, login, query, *push);
        }
        if (command == "drop/") {
            return drop_command(&login, query, *push);
        }
        const int on = choice(query.param("on"), {"1", "0"});
        if (!query.param("on") || on < 0) {
            return {400, "on=1|0\n"};
        }
        push->set_stall(login, on == 0);
        return ok();
    }
    return {404, "unknown command; see sim/README.md\n"};
}

} // namespace sim
