// BENCH: not a function of the real service. tools/simbench calls it to time
// kept-alive requests and checks each body.
#include "functions.hpp"

namespace sim {

void add_bench_functions(FunctionTable& table) {
    table.add("BENCH", [](const Call& call, World&) {
        const std::string* n = call.param("n");
        return "OK\r\n" + (n ? *n : std::string());
    });
}

} // namespace sim
