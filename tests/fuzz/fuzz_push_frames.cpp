// The push frame reader on any bytes: the frames it finds do not depend on how
// the stream was cut into reads, each is a frame it knows, and it never holds
// more than one frame's bytes.
#include "FuzzCheck.h"
#include "push/PushFrames.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Frames(const uint8_t* data, size_t size, const uint8_t* cuts,
                                size_t nCuts) {
    push::FrameReader reader;
    std::vector<std::string> seen;
    auto sink = [&](const push::Frame& f) {
        Check(f.kind == push::Frame::ALIVE || f.kind == push::Frame::EVENT);
        seen.push_back(std::to_string(f.kind) + ":" + std::to_string(f.status) + ":" +
                       std::to_string(f.type) + ":" + std::to_string(f.param));
    };
    size_t at = 0;
    for (size_t i = 0; i < nCuts && at < size; ++i) {
        size_t n = std::min<size_t>(cuts[i] % 16, size - at);
        reader.Feed(data + at, n, sink);
        at += n;
        Check(reader.Pending() < push::kEventLength);
    }
    reader.Feed(data + at, size - at, sink);
    Check(reader.Pending() < push::kEventLength);
    return seen;
}

} // namespace

// The first byte says how many of the next bytes are read sizes; the rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    size_t nCuts = std::min<size_t>(data[0], size - 1);
    const uint8_t* cuts = data + 1;
    const uint8_t* stream = cuts + nCuts;
    size_t streamSize = size - 1 - nCuts;
    std::vector<std::string> whole = Frames(stream, streamSize, nullptr, 0);
    Check(Frames(stream, streamSize, cuts, nCuts) == whole);
    // Each frame takes at least 3 bytes of the stream.
    Check(whole.size() * push::kAliveLength <= streamSize);
    return 0;
}
