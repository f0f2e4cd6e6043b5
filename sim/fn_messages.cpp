// The message functions. SENDTEXT stores a text for another user and
// announces it to him over the push connection; RECEIVEMSG hands the client
// one stored message whose id a push event announced (fetching keeps it, so
// it can be fetched again); GETUSERINFO tells who the sender of a message is.
// Both ends of a text need their client session: SENDTEXT and RECEIVEMSG
// answer "NOSESSION" without it. A scripted user (World::auto_replies)
// answers each text it receives after its delay.
#include "functions.hpp"

#include "cp1250.hpp"

namespace sim {

namespace {

// How much of the received text the scripted answer quotes, in bytes.
constexpr size_t kQuoted = 40;

// Our own text, known to fit cp1250.
std::string cp1250(std::string_view utf8) {
    std::string out, bad;
    utf8_to_cp1250(utf8, out, bad);
    return out;
}

// A thank-you that quotes the start of the text, with Polish letters and a
// web address, signed with the answering user's name.
std::string auto_reply_text(const std::string& received, const std::string& name) {
    static const std::string before = cp1250("Dzięki za wiadomość: «");
    static const std::string after = cp1250("». Zajrzyj na http://www.brisko.pl/ — ");
    static const std::string ellipsis = cp1250("…");
    const std::string quoted =
        received.size() > kQuoted ? received.substr(0, kQuoted) + ellipsis : received;
    return before + quoted + after + name;
}

// A scripted receiver answers the sender after its delay; the push server's
// thread stores and announces the answer then.
void schedule_auto_reply(World& world, const Account& receiver, const std::string& sender,
                         const std::string& text) {
    const auto it = world.auto_replies.find(receiver.login);
    if (it == world.auto_replies.end() || it->second <= 0 || !world.push) {
        return;
    }
    world.push->later(it->second, [sender, from = world.user_id(receiver.login),
                                   reply = auto_reply_text(text, receiver.display_name)](World& w) {
        w.send_message(sender, from, kUserMessage, reply);
    });
}

// Receiver=48NNNNNNNNN, body (cp1250).
std::string send_text(const Call& call, World& world, Account& account) {
    const std::string* to = call.param("Receiver");
    const Account* receiver = to ? world.find_account("+" + *to) : nullptr;
    if (!receiver || !is_full_number(receiver->login)) {
        return "SENDTEXTNOUSER";
    }
    const std::string* body = call.param("body");
    if (!body || body->empty()) {
        return "SENDTEXTFAILED";
    }
    const int32_t id =
        world.send_message(receiver->login, world.user_id(account.login), kUserMessage, *body);
    world.texts.push_back({id, account.login, receiver->login, *body});
    if (world.texts.size() > World::kMaxMessages) {
        world.texts.pop_front();
    }
    schedule_auto_reply(world, *receiver, account.login, *body);
    return "SENDTEXTOK";
}

std::string receive_msg(const Call& call, World& world, Account& account) {
    int32_t id = 0;
    const InstantMessage* m = int_param(call, "MsgId", id) ? world.find_message(id) : nullptr;
    if (!m || m->recipient != account.login) {
        return "RECEIVEMSGFAILED";
    }
    return "RECEIVEMSGOK\r\n" + std::to_string(m->sender) + "\r\n" + std::to_string(m->kind) +
           "\r\n" + local_time(m->sent) + "\r\n" + escape_polish_letters(m->text);
}

// UserId=N: the user's id, display name and number.
std::string get_user_info(const Call& call, World& world, Account&) {
    int32_t id = 0;
    const Account* user = int_param(call, "UserId", id) ? world.account_by_user_id(id) : nullptr;
    if (!user) {
        return "USERFAILED";
    }
    return "USEROK\r\n" + std::to_string(id) + "\r\n" + escape_polish_letters(user->display_name) +
           "\r\n" + user->login;
}

} // namespace

void add_message_functions(FunctionTable& table) {
    table.add("SENDTEXT", with_pc_session(send_text));
    table.add("RECEIVEMSG", with_pc_session(receive_msg));
    table.add("GETUSERINFO", with_web_session(get_user_info));
}

} // namespace sim
