#include "Response.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

TEST(Keywords, PrefixAndWholeBody) {
    EXPECT_TRUE(StartsWith("LOGINOK\r\npush.example\r\n", "LOGINOK"));
    EXPECT_TRUE(StartsWith("LOGINOK", "LOGINOK"));
    EXPECT_FALSE(StartsWith("LOGINO", "LOGINOK"));
    EXPECT_FALSE(StartsWith("loginok", "LOGINOK"));
    EXPECT_FALSE(StartsWith(nullptr, "NOP"));
    EXPECT_TRUE(Equals("LOGINFAILED", "LOGINFAILED"));
    EXPECT_FALSE(Equals("LOGINFAILED\r\n", "LOGINFAILED"));
    EXPECT_FALSE(Equals("LOGINFAILE", "LOGINFAILED"));
    EXPECT_FALSE(Equals(nullptr, "LOGOFFOK"));
    EXPECT_TRUE(Equals(nullptr, ""));
}

TEST(ResponseReader, ReadsFieldsAfterTheKeywordLine) {
    ResponseReader reader("LOGINOK\r\npush.example\r\n5555\r\n120\r\n30\r\n1\r\n");
    EXPECT_EQ(reader.NextField(), "push.example");
    EXPECT_EQ(reader.NextInt(), 5555);
    EXPECT_EQ(reader.NextInt(), 120);
    EXPECT_EQ(reader.NextInt(), 30);
    EXPECT_EQ(reader.NextInt(), 1);
    EXPECT_EQ(reader.NextField(), "");
    EXPECT_EQ(reader.NextInt(), 0);
}

TEST(ResponseReader, MissingLineEndsGiveEmptyFields) {
    // The last field has no line end: it reads as 0, like the fields after it.
    ResponseReader shortAnswer("LOGINOK\r\nhost\r\n5555\r\n120");
    EXPECT_EQ(shortAnswer.NextField(), "host");
    EXPECT_EQ(shortAnswer.NextInt(), 5555);
    EXPECT_EQ(shortAnswer.NextInt(), 0);
    EXPECT_EQ(shortAnswer.NextInt(), 0);

    ResponseReader keywordOnly("LOGINOK");
    EXPECT_EQ(keywordOnly.NextField(), "");
    EXPECT_EQ(keywordOnly.Rest(), "");

    ResponseReader nothing(static_cast<const char*>(nullptr));
    EXPECT_EQ(nothing.NextField(), "");
    EXPECT_EQ(nothing.NextInt(), 0);
}

TEST(ResponseReader, DropsOnlyACarriageReturn) {
    ResponseReader reader("OK\n\n\r\nabc\nxy\r\r\n\r\n");
    EXPECT_EQ(reader.NextField(), "");    // a bare "\n": nothing to drop
    EXPECT_EQ(reader.NextField(), "");    // just "\r\n"
    EXPECT_EQ(reader.NextField(), "abc"); // a bare "\n" keeps the "c"
    EXPECT_EQ(reader.NextField(), "xy\r");
    EXPECT_EQ(reader.NextField(), "");
    EXPECT_EQ(reader.NextField(), "");
}

TEST(ResponseReader, RestIsEverythingAfterTheCurrentLine) {
    ResponseReader message("RECEIVEMSGOK\r\n17\r\n1\r\n2024-05-01 12:34:56\r\nCze\xB9\r\n\r\nPa");
    EXPECT_EQ(message.Rest(), "17\r\n1\r\n2024-05-01 12:34:56\r\nCze\xB9\r\n\r\nPa");
    EXPECT_EQ(message.NextInt(), 17);
    EXPECT_EQ(message.NextField(), "1");
    EXPECT_EQ(message.NextField().substr(11, 5), "12:34");
    EXPECT_EQ(message.Rest(), "Cze\xB9\r\n\r\nPa");

    ResponseReader user("USEROK\r\n17\r\nDom\r\n+48601234567");
    EXPECT_EQ(user.NextInt(), 17);
    EXPECT_EQ(user.NextField(), "Dom");
    EXPECT_EQ(user.Rest(), "+48601234567");
}

TEST(ResponseReader, ReadsEmbeddedNulBytesOfAView) {
    const std::string body("K\r\na\0b\r\n", 8);
    ResponseReader reader{std::string_view(body)};
    EXPECT_EQ(reader.NextField(), std::string("a\0b", 3));
}

TEST(ParseInt, ReadsLikeAtoiInRange) {
    for (const char* text : {"42", " \t42abc", "-7", "+5", "abc", "", "-", "+-3", "0012", "12 34",
                             "2147483647", "-2147483648", "\n\v\f\r9"}) {
        EXPECT_EQ(ParseInt(text), std::atoi(text)) << text;
    }
}

TEST(ParseInt, ClampsNumbersOutOfRange) {
    EXPECT_EQ(ParseInt("2147483648"), INT_MAX);
    EXPECT_EQ(ParseInt("99999999999999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseInt("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseInt("-99999999999999999999999999999999x"), INT_MIN);
    EXPECT_EQ(ParseInt(std::string(5000, '9')), INT_MAX);
}

} // namespace
