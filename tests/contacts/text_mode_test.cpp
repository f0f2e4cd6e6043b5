#include "TextModeFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(TextMode, LineFeedsStoredAsPairs) {
    EXPECT_EQ(ToTextMode("a\nb\n\n"), "a\r\nb\r\n\r\n");
    EXPECT_EQ(ToTextMode("\r\n"), "\r\r\n");
    EXPECT_EQ(ToTextMode(""), "");
    // User id 10 as stored in a file.
    std::string number;
    AppendInt32(number, 10);
    EXPECT_EQ(ToTextMode(number), "\x0D\x0A\x00\x00\x00"s);
}

TEST(TextMode, PairsReadBackAsLineFeeds) {
    EXPECT_EQ(FromTextMode("a\r\nb\r\n"), "a\nb\n");
    // A 0x0D without its 0x0A stays, also at the end.
    EXPECT_EQ(FromTextMode("a\rb\r\r\nc\r"), "a\rb\r\nc\r");
    EXPECT_EQ(FromTextMode("\n"), "\n");
    // 0x1A is data: it may be a length or an id of 26.
    EXPECT_EQ(FromTextMode("\x1A\x00\x00\x00x"s), "\x1A\x00\x00\x00x"s);
}

TEST(TextMode, RoundTripOfEveryByte) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) {
        bytes += static_cast<char>(c);
        bytes += "\r\n\n\r\r";
    }
    EXPECT_EQ(FromTextMode(ToTextMode(bytes)), bytes);
}

TEST(ByteReader, LittleEndianNumbersAndBoundedReads) {
    std::string bytes;
    AppendInt32(bytes, -2);
    AppendInt32(bytes, 0x12345678);
    EXPECT_EQ(bytes, "\xFE\xFF\xFF\xFF\x78\x56\x34\x12"s);
    bytes += "abc";

    CByteReader reader(bytes);
    int32_t value = 0;
    ASSERT_TRUE(reader.ReadInt32(value));
    EXPECT_EQ(value, -2);
    ASSERT_TRUE(reader.ReadInt32(value));
    EXPECT_EQ(value, 0x12345678);
    // Too few bytes: the read fails and takes nothing.
    EXPECT_FALSE(reader.ReadInt32(value));
    std::string text;
    EXPECT_FALSE(reader.ReadBytes(4, text));
    ASSERT_TRUE(reader.ReadBytes(3, text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(reader.ReadBytes(0, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(reader.ReadInt32(value));
}

} // namespace
