// The push protocol's frames, without sockets: byte 0 is the frame's whole
// length, byte 1 its kind, integers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// Event types the push connection announces.
inline constexpr int32_t kEventMessage = 1;
inline constexpr int32_t kEventSystem = 100;
inline constexpr int32_t kEventLogin = 101;
inline constexpr int32_t kEventLogoff = 102;
inline constexpr int32_t kEventAway = 103;
inline constexpr int32_t kEventBusy = 104;
inline constexpr int32_t kEventSmsReport = 1001;

// The presence event for a presence value: 1 login, 2 busy, 3 away, any
// other (0 logged off, -1 not a user) logoff.
int32_t presence_event_type(int32_t presence);

inline constexpr size_t kSessionIdLength = 36;

// Server to client.
std::string session_reply(uint8_t status); // 03 01 status (1: accepted)
std::string alive_frame(uint8_t status);   // 03 02 status (0: not alive)
std::string event_frame(int32_t type, uint32_t param);

// What the front of a client's input holds.
struct ClientFrame {
    enum Kind {
        Incomplete, // too few bytes to tell: wait for more
        Session,    // a session request; `session_id` holds its 36 characters
        KeepAlive,
        Unknown, // a length byte 0 or a frame the server does not know: skip one byte
    };
    Kind kind = Incomplete;
    size_t length = 0; // bytes the frame takes (1 for Unknown, 0 for Incomplete)
    std::string session_id;
};

// Looks at the start of `input`; never reads past its end.
ClientFrame next_client_frame(std::string_view input);

// A client's bytes across reads, handed out frame by frame: the frames do not
// depend on how the stream was cut, and less than one frame waits between reads.
class ClientInput {
public:
    // Adds one read's bytes; drops those that the frames taken so far used.
    void append(std::string_view bytes);
    // Takes the frame at the front; Incomplete takes nothing.
    ClientFrame take();
    // The bytes not taken yet, valid until the next append().
    std::string_view rest() const { return std::string_view(bytes_).substr(taken_); }

private:
    std::string bytes_;
    size_t taken_ = 0;
};

} // namespace sim
