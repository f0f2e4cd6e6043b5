// The session functions. LOGIN ties the client's session cookie to the
// account (the web session that most functions need) and makes it available;
// LOGINPC hands out the id of the client's own session, which the push
// handshake presents; LOGOFF ends both and logs the account off; SETSTATUS
// shows the account to its watchers as the user chose;
// CHECKSTATUSES asks for the contacts' presences again, which arrive over the
// push connection.
#include "functions.hpp"

#include "push_frames.hpp"

namespace sim {

namespace {

// The account named by usr_login, if usr_pass is its password.
const Account* authenticate(const Call& call, World& world) {
    const std::string* login = call.param("usr_login");
    const std::string* password = call.param("usr_pass");
    if (!login || !password) {
        return nullptr;
    }
    const Account* account = world.find_account(*login);
    return account && account->password == *password ? account : nullptr;
}

// Shaped like a GUID: the push handshake carries exactly 36 characters.
std::string new_pc_session_id() {
    const std::string hex = random_hex(32);
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20);
}

std::string lines(std::initializer_list<std::string> items) {
    std::string text;
    for (const std::string& item : items) {
        text += item + "\r\n";
    }
    return text;
}

std::string login(const Call& call, World& world) {
    const Account* account = authenticate(call, world);
    if (!account) {
        return "LOGINFAILED";
    }
    world.web_sessions[call.web_session] = account->login;
    world.set_presence(account->login, 1);
    return lines({"LOGINOK", world.push_host, std::to_string(world.push_port),
                  std::to_string(account->credits), std::to_string(account->days),
                  std::to_string(account->account_class)});
}

// Only for the account the web session belongs to.
std::string login_pc(const Call& call, World& world, Account& session_account) {
    if (authenticate(call, world) != &session_account) {
        return "LOGINPCFAILED";
    }
    std::string& id = world.pc_sessions[session_account.login];
    id = new_pc_session_id();
    return lines({"LOGINPCOK", id, escape_polish_letters(session_account.display_name)});
}

std::string logoff(const Call& call, World& world, Account& account) {
    world.web_sessions.erase(call.web_session);
    world.pc_sessions.erase(account.login);
    world.set_presence(account.login, 0);
    return "LOGOFFOK";
}

// 0 invisible (seen as logged off), 1 available, 2 busy, 3 away.
std::string set_status(const Call& call, World& world, Account& account) {
    int32_t status = 0;
    if (!int_param(call, "status", status) || status < 0 || status > 3) {
        return "SETSTATUSFAILED";
    }
    world.set_presence(account.login, status);
    return "SETSTATUSOK";
}

// The presences go out as events, one per contact who is a user. The client
// has its session reply before it asks, so the session is bound already.
std::string check_statuses(const Call&, World& world, Account& account) {
    for (const ContactUser& user : world.contact_users(account.login)) {
        world.announce(account.login, presence_event_type(world.presence(user.login)),
                       static_cast<uint32_t>(user.user_id));
    }
    return "CHECKSTATUSESOK";
}

} // namespace

void add_session_functions(FunctionTable& table) {
    table.add("LOGIN", login);
    table.add("LOGINPC", with_web_session(login_pc));
    table.add("LOGOFF", with_web_session(logoff));
    table.add("CHECKSTATUSES", with_web_session(check_statuses));
    table.add("SETSTATUS", with_web_session(set_status));
}

} // namespace sim
