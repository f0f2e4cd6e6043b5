#include "PushFrames.h"

namespace push {
namespace {
const unsigned char kSessionKind = 0x01;
const unsigned char kAliveKind = 0x02;
const unsigned char kEventKind = 0x03;

// Whether a frame can begin with these two bytes (length, kind).
bool KnownHeader(unsigned char length, unsigned char kind) {
    return (length == kAliveLength && kind == kAliveKind) ||
           (length == kEventLength && kind == kEventKind);
}

uint32_t LittleEndian32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
} // namespace

std::string SessionFrame(const std::string& sessionId) {
    if (sessionId.size() != kSessionIdLength)
        return std::string();
    return std::string{char(kSessionFrameLength), char(kSessionKind)} + sessionId;
}

std::string KeepAliveFrame() {
    return std::string{char(kAliveLength), char(kAliveKind), char(0x01)};
}

bool IsSessionAccepted(const unsigned char* p, size_t n) {
    return n == kReplyLength && p[0] == kReplyLength && p[1] == kSessionKind && p[2] == 0x01;
}

bool IsWindowEvent(int32_t type) {
    return type >= 1 && type < 10000 && !(type >= 10 && type <= 14);
}

bool FrameReader::Take(unsigned char b, Frame& f) {
    m_frame[m_nHave++] = b;
    if (m_nHave == 1) {
        if (b == kAliveLength || b == kEventLength)
            return false;
        ++m_nSkipped;
        m_nHave = 0;
        return false;
    }
    if (m_nHave == 2 && !KnownHeader(m_frame[0], m_frame[1])) {
        // The length byte was garbage; the kind byte may begin the next frame.
        ++m_nSkipped;
        m_nHave = 0;
        return Take(b, f);
    }
    if (m_nHave < m_frame[0])
        return false;
    m_nHave = 0;
    if (m_frame[1] == kAliveKind) {
        f = Frame{Frame::ALIVE, m_frame[2], 0, 0};
    } else {
        f = Frame{Frame::EVENT, 0, static_cast<int32_t>(LittleEndian32(m_frame + 2)),
                  LittleEndian32(m_frame + 6)};
    }
    return true;
}

} // namespace push
