// The simulator's seed parser on any bytes: it must not crash, must report
// errors on lines that exist, in order, and what it accepted must read back
// the same after formatting.
#include "sim/seed.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const sim::SeedParse parsed = sim::parse_seed(text);

    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    int previous = 0;
    for (const sim::SeedError& e : parsed.errors) {
        if (e.line < 1 || e.line > lines || e.line <= previous || e.message.empty()) {
            std::abort();
        }
        previous = e.line;
    }

    // What was taken reads back the same once written out: accounts and contacts.
    const sim::SeedParse again = sim::parse_seed(sim::format_seed(parsed.seed));
    if (!again.ok() || again.seed.accounts != parsed.seed.accounts ||
        again.seed.contacts != parsed.seed.contacts) {
        std::abort();
    }
    return 0;
}
