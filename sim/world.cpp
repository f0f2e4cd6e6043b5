#include "world.hpp"

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

} // namespace sim
