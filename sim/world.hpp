// The simulator's in-memory world: what the service knows. Seeded from a
// seed file (seed.hpp); the function handlers read and change it. Later
// issues add contacts, presences, prices, messages, SMS and reports here.
#pragma once

#include "seed.hpp"

#include <string_view>
#include <vector>

namespace sim {

struct World {
    std::vector<Account> accounts;

    static World from_seed(const Seed& seed);

    Account* find_account(std::string_view login);
};

} // namespace sim
