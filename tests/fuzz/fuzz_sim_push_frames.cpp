// The push server's reading of client bytes on any input: taking frames off
// the front as the server does must always move on and never read past the end.
#include "sim/push_frames.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const sim::ClientFrame f = sim::next_client_frame(input);
        if (f.kind == sim::ClientFrame::Incomplete) {
            // Only a start that could still become a frame waits for more.
            if (input.size() >= 38) {
                std::abort();
            }
            break;
        }
        if (f.length == 0 || f.length > input.size() ||
            (f.kind == sim::ClientFrame::Session &&
             (f.session_id.size() != sim::kSessionIdLength ||
              f.session_id != input.substr(2, sim::kSessionIdLength)))) {
            std::abort();
        }
        input.remove_prefix(f.length);
    }
    return 0;
}
