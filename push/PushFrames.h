// The push connection's frames. Each begins with its whole length in bytes
// (that byte included) and its kind; integers are little-endian.
//
//   session request  0x26 0x01, the 36 characters of the session id
//   session reply    0x03 0x01, status (0x01: accepted)
//   keep-alive       0x03 0x02 0x01
//   alive            0x03 0x02, status (0: the server holds the client dead)
//   event            0x0A 0x03, type (int32), parameter (uint32)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace push {

const size_t kSessionIdLength = 36;
const size_t kSessionFrameLength = 38;
const size_t kReplyLength = 3;
const size_t kAliveLength = 3;
const size_t kEventLength = 10;

// The session request for an id; empty when the id is not 36 characters long.
std::string SessionFrame(const std::string& sessionId);
// The keep-alive frame.
std::string KeepAliveFrame();
// The session reply that accepts the session: exactly these 3 bytes.
bool IsSessionAccepted(const unsigned char* p, size_t n);

// Event types that become the main window's messages (WM_USER plus the type):
// 1 to 9999, but for the window's own messages at 10 to 14.
bool IsWindowEvent(int32_t type);

struct Frame {
    enum Kind { ALIVE, EVENT } kind;
    unsigned char status; // of an alive frame
    int32_t type;         // of an event frame
    uint32_t param;
};

// Cuts the bytes of the server's stream into frames, whatever the reads made
// of them: a frame split over reads is put together again, several frames in
// one read are all handed on. A byte that cannot begin an alive or an event
// frame is skipped, so that the stream finds its frames again after garbage.
class FrameReader {
public:
    // Takes the bytes of one read; calls sink(const Frame&) for every frame
    // they complete, in order.
    template <class Sink> void Feed(const unsigned char* p, size_t n, Sink sink) {
        for (size_t i = 0; i < n; ++i) {
            Frame f;
            if (Take(p[i], f))
                sink(f);
        }
    }
    // Bytes of a frame begun but not yet complete.
    size_t Pending() const { return m_nHave; }
    // Bytes skipped because no frame could begin with them.
    size_t Skipped() const { return m_nSkipped; }
    void Reset() { m_nHave = 0; }

private:
    bool Take(unsigned char b, Frame& f);
    unsigned char m_frame[kEventLength] = {};
    size_t m_nHave = 0;
    size_t m_nSkipped = 0;
};

} // namespace push
