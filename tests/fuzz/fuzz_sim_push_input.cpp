// The push server's input on any bytes cut into any reads: the frames it
// takes do not depend on the cutting, each is the bytes it came from, and
// less than one session request waits between reads.
#include "FuzzCheck.h"
#include "sim/push_frames.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Each frame as kind, length and session id; the stream's bytes left over last.
std::vector<std::string> Frames(std::string_view stream, std::string_view cuts) {
    sim::ClientInput input;
    std::vector<std::string> seen;
    size_t used = 0;
    auto drain = [&] {
        for (;;) {
            const std::string_view rest = input.rest();
            const sim::ClientFrame f = input.take();
            if (f.kind == sim::ClientFrame::Incomplete) {
                Check(f.length == 0 && input.rest() == rest);
                Check(rest.size() < 2 + sim::kSessionIdLength);
                return;
            }
            Check(f.length > 0 && f.length <= rest.size() && input.rest() == rest.substr(f.length));
            Check(f.kind == sim::ClientFrame::Unknown ? f.length == 1 : f.length >= 3);
            if (f.kind == sim::ClientFrame::Session)
                Check(f.session_id == rest.substr(2, sim::kSessionIdLength));
            Check(stream.substr(used, f.length) == rest.substr(0, f.length));
            used += f.length;
            seen.push_back(std::to_string(f.kind) + ":" + std::to_string(f.length) + ":" +
                           f.session_id);
        }
    };
    size_t at = 0;
    for (const char cut : cuts) {
        const size_t n = std::min<size_t>(static_cast<uint8_t>(cut) % 64, stream.size() - at);
        input.append(stream.substr(at, n));
        at += n;
        drain();
    }
    input.append(stream.substr(at));
    drain();
    Check(used + input.rest().size() == stream.size());
    seen.push_back(std::string(input.rest()));
    return seen;
}

} // namespace

// The first byte says how many of the next bytes are read sizes; the rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t nCuts = std::min<size_t>(data[0], size - 1);
    const std::string_view cuts = bytes.substr(1, nCuts);
    const std::string_view stream = bytes.substr(1 + nCuts);
    Check(Frames(stream, cuts) == Frames(stream, {}));
    return 0;
}
