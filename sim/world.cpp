#include "world.hpp"

#include "push_frames.hpp"

#include <random>

namespace sim {

namespace {

constexpr int32_t kFirstUserId = 17;

} // namespace

PriceTable World::default_prices() {
    PriceTable table{};
    table[kPlainSms] = {30, 25, 20};
    table[kUnicodeSms] = {60, 50, 40};
    return table;
}

World World::from_seed(const Seed& seed) {
    World world;
    world.accounts = seed.accounts;
    for (const SeedContact& c : seed.contacts) {
        world.contacts[c.owner].push_back(c.contact);
    }
    for (const SeedAutoReply& r : seed.auto_replies) {
        world.auto_replies[r.login] = r.ms;
    }
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

int32_t World::user_id(std::string_view login) const {
    for (size_t i = 0; i < accounts.size(); ++i) {
        if (accounts[i].login == login) {
            return kFirstUserId + static_cast<int32_t>(i);
        }
    }
    return 0;
}

const Account* World::account_by_user_id(int32_t id) const {
    const int64_t index = int64_t{id} - kFirstUserId;
    return index >= 0 && index < static_cast<int64_t>(accounts.size())
               ? &accounts[static_cast<size_t>(index)]
               : nullptr;
}

int32_t World::presence(std::string_view login) const {
    const auto it = presences.find(login);
    return it == presences.end() ? 0 : it->second;
}

NumberView World::number_view(std::string_view number) const {
    const int32_t id = user_id(number);
    return id == 0 ? NumberView{} : NumberView{id, presence(number)};
}

std::string World::contact_fields(const Contact& contact, std::string_view name) const {
    const NumberView view = number_view(contact.number);
    return std::string(name) + ";" + contact.number + ";" + std::to_string(view.user_id) + ";" +
           std::to_string(view.presence);
}

int32_t World::price(int32_t type, int32_t account_class) const {
    const bool in_table =
        type >= 0 && type < kSmsTypes && account_class >= 0 && account_class < kTariffClasses;
    return in_table ? prices[type][account_class] : 0;
}

void World::set_presence(const std::string& login, int32_t value) {
    const int32_t before = presence(login);
    presences[login] = value;
    if (before == value || !push) {
        return;
    }
    const int32_t id = user_id(login);
    for (const Account& a : accounts) {
        if (a.login == login || !push->has_session(a.login)) {
            continue;
        }
        const auto it = contacts.find(a.login);
        if (it == contacts.end()) {
            continue;
        }
        for (const Contact& c : it->second) {
            if (c.number == login) {
                push->send_event(a.login, presence_event_type(value), static_cast<uint32_t>(id));
                break;
            }
        }
    }
}

std::vector<ContactUser> World::contact_users(std::string_view login) const {
    std::vector<ContactUser> users;
    const auto it = contacts.find(login);
    if (it == contacts.end()) {
        return users;
    }
    for (const Contact& c : it->second) {
        if (const int32_t id = user_id(c.number)) {
            users.push_back({c.number, id});
        }
    }
    return users;
}

int32_t World::store_message(const std::string& recipient, int32_t sender, int32_t kind,
                             std::string text) {
    const int32_t id = next_message_id++;
    messages.push_back({id, recipient, sender, kind, std::time(nullptr), std::move(text)});
    if (messages.size() > kMaxMessages) {
        messages.pop_front();
    }
    return id;
}

int32_t World::send_message(const std::string& recipient, int32_t sender, int32_t kind,
                            std::string text) {
    const int32_t id = store_message(recipient, sender, kind, std::move(text));
    announce(recipient, kind == kSystemMessage ? kEventSystem : kEventMessage,
             static_cast<uint32_t>(id));
    return id;
}

const InstantMessage* World::find_message(int32_t id) const {
    // Ids are consecutive, so the position follows from the first one kept.
    if (messages.empty() || id < messages.front().id) {
        return nullptr;
    }
    const auto index = static_cast<size_t>(id - messages.front().id);
    return index < messages.size() ? &messages[index] : nullptr;
}

void World::announce(const std::string& login, int32_t type, uint32_t param) {
    if (push) {
        push->send_event(login, type, param);
    }
}

std::string pseudo_random_bytes(size_t n) {
    // splitmix64 from a fixed seed: fast enough for hundreds of MB.
    uint64_t state = 0x42726973'6B6F5043;
    std::string out(n, '\0');
    for (size_t i = 0; i < n; i += 8) {
        uint64_t z = (state += 0x9E3779B97F4A7C15);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
        z ^= z >> 31;
        for (size_t j = i; j < n && j < i + 8; ++j, z >>= 8) {
            out[j] = static_cast<char>(z & 0xFF);
        }
    }
    return out;
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
