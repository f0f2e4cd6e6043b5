#include "push_frames.hpp"

namespace sim {

namespace {

constexpr uint8_t kSessionKind = 0x01;
constexpr uint8_t kAliveKind = 0x02;
constexpr uint8_t kEventKind = 0x03;
constexpr uint8_t kSessionRequestLength = 2 + kSessionIdLength;
constexpr uint8_t kShortFrameLength = 3;
constexpr uint8_t kEventLength = 10;

void put_le32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

std::string short_frame(uint8_t kind, uint8_t status) {
    return {static_cast<char>(kShortFrameLength), static_cast<char>(kind),
            static_cast<char>(status)};
}

} // namespace

int32_t presence_event_type(int32_t presence) {
    switch (presence) {
    case 1:
        return kEventLogin;
    case 2:
        return kEventBusy;
    case 3:
        return kEventAway;
    default:
        return kEventLogoff;
    }
}

std::string session_reply(uint8_t status) {
    return short_frame(kSessionKind, status);
}

std::string alive_frame(uint8_t status) {
    return short_frame(kAliveKind, status);
}

std::string event_frame(int32_t type, uint32_t param) {
    std::string out{static_cast<char>(kEventLength), static_cast<char>(kEventKind)};
    put_le32(out, static_cast<uint32_t>(type));
    put_le32(out, param);
    return out;
}

ClientFrame next_client_frame(std::string_view input) {
    if (input.empty()) {
        return {};
    }
    const auto length = static_cast<uint8_t>(input[0]);
    if (length != kSessionRequestLength && length != kShortFrameLength) {
        return {ClientFrame::Unknown, 1, {}};
    }
    if (input.size() < 2) {
        return {};
    }
    const auto kind = static_cast<uint8_t>(input[1]);
    const bool session = length == kSessionRequestLength && kind == kSessionKind;
    const bool alive = length == kShortFrameLength && kind == kAliveKind;
    if (!session && !alive) {
        return {ClientFrame::Unknown, 1, {}};
    }
    if (input.size() < length) {
        return {};
    }
    if (alive) {
        return {ClientFrame::KeepAlive, length, {}};
    }
    return {ClientFrame::Session, length, std::string(input.substr(2, kSessionIdLength))};
}

void ClientInput::append(std::string_view bytes) {
    bytes_.erase(0, taken_);
    taken_ = 0;
    bytes_.append(bytes);
}

ClientFrame ClientInput::take() {
    ClientFrame f = next_client_frame(rest());
    taken_ += f.length;
    return f;
}

} // namespace sim
