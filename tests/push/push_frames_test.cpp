#include "EventFrame.h"
#include "PushFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using push::Frame;

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

// What the reader hands on for a stream cut into reads at the given sizes
// (the rest in one last read), written as "alive S" and "event T P".
std::vector<std::string> Read(const std::string& stream, std::vector<size_t> cuts = {}) {
    push::FrameReader reader;
    std::vector<std::string> seen;
    auto sink = [&](const Frame& f) {
        seen.push_back(f.kind == Frame::ALIVE
                           ? "alive " + std::to_string(f.status)
                           : "event " + std::to_string(f.type) + " " + std::to_string(f.param));
    };
    size_t at = 0;
    for (size_t n : cuts) {
        reader.Feed(reinterpret_cast<const unsigned char*>(stream.data()) + at, n, sink);
        at += n;
    }
    reader.Feed(reinterpret_cast<const unsigned char*>(stream.data()) + at, stream.size() - at,
                sink);
    return seen;
}

using Seen = std::vector<std::string>;

TEST(PushFrames, SessionAndKeepAliveFrames) {
    std::string id(36, 'A');
    std::string frame = push::SessionFrame(id);
    ASSERT_EQ(frame.size(), 38u);
    EXPECT_EQ(frame.substr(0, 2), Bytes({0x26, 0x01}));
    EXPECT_EQ(frame.substr(2), id);
    EXPECT_TRUE(push::SessionFrame(std::string(35, 'A')).empty());
    EXPECT_TRUE(push::SessionFrame(std::string(37, 'A')).empty());
    EXPECT_EQ(push::KeepAliveFrame(), Bytes({0x03, 0x02, 0x01}));

    auto accepted = [](const std::string& s) {
        return push::IsSessionAccepted(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    };
    EXPECT_TRUE(accepted(Bytes({0x03, 0x01, 0x01})));
    EXPECT_FALSE(accepted(Bytes({0x03, 0x01, 0x00})));
    EXPECT_FALSE(accepted(Bytes({0x04, 0x01, 0x01})));
    EXPECT_FALSE(accepted(Bytes({0x03, 0x01})));
}

TEST(PushFrames, EventTypesForTheWindow) {
    for (int32_t type : {1, 9, 15, 100, 101, 104, 1001, 9999})
        EXPECT_TRUE(push::IsWindowEvent(type)) << type;
    // The window's own messages, and what lies outside the range.
    for (int32_t type : {0, -1, 10, 12, 14, 10000, INT32_MIN, INT32_MAX})
        EXPECT_FALSE(push::IsWindowEvent(type)) << type;
}

TEST(PushFrames, SingleFramesAsTheyArrive) {
    EXPECT_EQ(Read(Bytes({0x0A, 0x03, 0x65, 0, 0, 0, 0x2A, 0, 0, 0})), Seen{"event 101 42"});
    EXPECT_EQ(Read(EventFrame(-1, 0xFFFFFFFF)), Seen{"event -1 4294967295"});
    EXPECT_EQ(Read(Bytes({0x03, 0x02, 0x00})), Seen{"alive 0"});
    EXPECT_EQ(Read(Bytes({0x03, 0x02, 0x01})), Seen{"alive 1"});
}

TEST(PushFrames, SeveralFramesInOneRead) {
    EXPECT_EQ(Read(EventFrame(1, 7) + EventFrame(1001, 123456)),
              (Seen{"event 1 7", "event 1001 123456"}));
    // Cut at 10 bytes, this read would lose the event behind the alive frame.
    EXPECT_EQ(Read(Bytes({0x03, 0x02, 0x01}) + EventFrame(101, 42)),
              (Seen{"alive 1", "event 101 42"}));
    EXPECT_EQ(Read(EventFrame(100, 3) + Bytes({0x03, 0x02, 0x00}) + EventFrame(102, 18)),
              (Seen{"event 100 3", "alive 0", "event 102 18"}));
}

TEST(PushFrames, FramesSplitAcrossReads) {
    push::FrameReader reader;
    std::string e = EventFrame(1001, 123457);
    std::vector<std::string> seen;
    auto sink = [&](const Frame& f) { seen.push_back(std::to_string(f.param)); };
    reader.Feed(reinterpret_cast<const unsigned char*>(e.data()), 1, sink);
    reader.Feed(reinterpret_cast<const unsigned char*>(e.data()) + 1, 4, sink);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(reader.Pending(), 5u);
    reader.Feed(reinterpret_cast<const unsigned char*>(e.data()) + 5, 5, sink);
    EXPECT_EQ(seen, Seen{"123457"});
    EXPECT_EQ(reader.Pending(), 0u);

    // Every cut of two frames gives the same two frames.
    std::string two = Bytes({0x03, 0x02, 0x01}) + EventFrame(104, 19);
    for (size_t cut = 0; cut <= two.size(); ++cut)
        EXPECT_EQ(Read(two, {cut}), (Seen{"alive 1", "event 104 19"})) << cut;
}

TEST(PushFrames, GarbageIsSkippedAndTheStreamFoundAgain) {
    // Bytes that cannot begin a frame, a length byte with the wrong kind, and
    // a kind byte that is itself a frame's start.
    std::string garbage = Bytes({0x00, 0xFF, 0x26, 0x0A, 0x02, 0x03, 0x03}) + Bytes({0x0A});
    EXPECT_EQ(Read(EventFrame(101, 1) + garbage + EventFrame(101, 2)),
              (Seen{"event 101 1", "event 101 2"}));
    EXPECT_EQ(Read(Bytes({0x03, 0x0A, 0x03, 1, 0, 0, 0, 9, 0, 0, 0})), Seen{"event 1 9"});
    // A session reply is no frame of the stream.
    EXPECT_EQ(Read(Bytes({0x03, 0x01, 0x01}) + EventFrame(103, 20)), Seen{"event 103 20"});

    push::FrameReader reader;
    std::string junk = Bytes({0x00, 0x26, 0x01});
    reader.Feed(reinterpret_cast<const unsigned char*>(junk.data()), junk.size(),
                [](const Frame&) { FAIL() << "no frame in junk"; });
    EXPECT_EQ(reader.Skipped(), 3u);
}

TEST(PushFrames, ResetForgetsAFrameBegun) {
    push::FrameReader reader;
    std::string e = EventFrame(101, 5);
    int frames = 0;
    auto sink = [&](const Frame&) { ++frames; };
    reader.Feed(reinterpret_cast<const unsigned char*>(e.data()), 6, sink);
    reader.Reset();
    reader.Feed(reinterpret_cast<const unsigned char*>(e.data()), e.size(), sink);
    EXPECT_EQ(frames, 1);
}

} // namespace
