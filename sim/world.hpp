// The simulator's in-memory world: what the service knows. Seeded from a
// seed file (seed.hpp); the function handlers read and change it. Later
// issues add contacts, presences, prices, messages, SMS and reports here.
#pragma once

#include "seed.hpp"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct World {
    std::vector<Account> accounts;

    // Where LOGIN sends the client for its push connection. The port stays 0
    // until a push server listens.
    std::string push_host = "127.0.0.1";
    int push_port = 0;

    // Logged-in web sessions: the client's session cookie -> account login.
    // Several clients may be logged in to one account at once.
    std::map<std::string, std::string> web_sessions;
    // The id the last LOGINPC gave each account (login -> 36 characters),
    // which the push server accepts in its session handshake.
    std::map<std::string, std::string> pc_sessions;

    static World from_seed(const Seed& seed);

    Account* find_account(std::string_view login);
    // The account logged in under a session cookie, or nullptr.
    Account* web_session_account(const std::string& cookie);
    bool logged_in(std::string_view login) const;
};

// `digits` random upper-case hexadecimal digits, for session cookies and ids.
std::string random_hex(size_t digits);

} // namespace sim
