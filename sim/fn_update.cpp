// VERSION: the client compares the version text with its own and offers the
// installer when they differ, so the text goes out exactly as set.
#include "functions.hpp"

namespace sim {

void add_update_functions(FunctionTable& table) {
    table.add("VERSION", with_web_session([](const Call&, World& world, Account&) {
                  return "VEROK\r\n" + world.version;
              }));
}

} // namespace sim
