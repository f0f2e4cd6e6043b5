#include "world.hpp"

#include <random>

namespace sim {

World World::from_seed(const Seed& seed) {
    World world;
    world.accounts = seed.accounts;
    return world;
}

Account* World::find_account(std::string_view login) {
    for (Account& a : accounts) {
        if (a.login == login) {
            return &a;
        }
    }
    return nullptr;
}

Account* World::web_session_account(const std::string& cookie) {
    const auto it = web_sessions.find(cookie);
    return it == web_sessions.end() ? nullptr : find_account(it->second);
}

bool World::logged_in(std::string_view login) const {
    for (const auto& [cookie, account] : web_sessions) {
        if (account == login) {
            return true;
        }
    }
    return false;
}

std::string random_hex(size_t digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::random_device source;
    std::string out;
    while (out.size() < digits) {
        unsigned bits = source();
        for (int i = 0; i < 8 && out.size() < digits; ++i, bits >>= 4) {
            out += kHex[bits & 0xF];
        }
    }
    return out;
}

} // namespace sim
