// The instant messages' answers, headers and the bookkeeping of messages
// still to fetch.
#include "ChatText.h"

#include <gtest/gtest.h>

namespace {

TEST(ChatAnswers, AMessageAnswerGivesItsFieldsAndTheRestWhole) {
    ReceivedMessage m;
    ASSERT_TRUE(ParseReceivedMessage(
        "RECEIVEMSGOK\r\n17\r\n1\r\n2002-06-01 14:05:09\r\nCze\x9C\xE6\r\ndruga linia", m));
    EXPECT_EQ(m.nUserId, 17);
    EXPECT_EQ(m.strKind, "1");
    EXPECT_EQ(m.strTime, "2002-06-01 14:05:09");
    EXPECT_EQ(m.strText, "Cze\x9C\xE6\r\ndruga linia");

    // Too few lines: the fields that are missing read as empty.
    for (const char* shortAnswer : {"RECEIVEMSGOK", "RECEIVEMSGOK\r\n", "RECEIVEMSGOK\r\n5\r\n1",
                                    "RECEIVEMSGOK\r\n5\r\n1\r\n"}) {
        ReceivedMessage s;
        ASSERT_TRUE(ParseReceivedMessage(shortAnswer, s)) << shortAnswer;
        EXPECT_EQ(s.strTime, "") << shortAnswer;
        EXPECT_EQ(s.strText, "") << shortAnswer;
    }
    EXPECT_FALSE(ParseReceivedMessage("RECEIVEMSGFAILED", m));
    EXPECT_FALSE(ParseReceivedMessage("NOSESSION", m));
    EXPECT_FALSE(ParseReceivedMessage(nullptr, m));
}

TEST(ChatAnswers, AUserAnswerGivesIdNameAndNumber) {
    UserInfo u;
    ASSERT_TRUE(ParseUserInfo("USEROK\r\n99\r\nOla\r\n+48600100299", u));
    EXPECT_EQ(u.nUserId, 99);
    EXPECT_EQ(u.strName, "Ola");
    EXPECT_EQ(u.strNumber, "+48600100299");
    EXPECT_FALSE(ParseUserInfo("USERFAILED", u));
    EXPECT_FALSE(ParseUserInfo("", u));
}

TEST(ChatAnswers, TheHeaderTakesTheClockOfTheTimeText) {
    EXPECT_EQ(MessageHeader("2002-06-01 14:05:09", "Ola"), "[14:05] <Ola> ");
    EXPECT_EQ(MessageHeader("2002-06-01 14:0", "Ola"), "[14:0] <Ola> ");
    EXPECT_EQ(MessageHeader("2002-06-01", "Ola"), "[] <Ola> ");
    EXPECT_EQ(MessageHeader("", ""), "[] <> ");
}

TEST(PendingMessages, EachIsFetchedUntilItCameAndShownOnce) {
    CPendingMessages p;
    EXPECT_TRUE(p.Announce(5));
    EXPECT_FALSE(p.Announce(5)) << "announced twice, fetched once";
    EXPECT_TRUE(p.Announce(6));
    EXPECT_EQ(p.TakeForFetch(10), (std::vector<int>{5, 6}));
    EXPECT_TRUE(p.TakeForFetch(10).empty()) << "not asked twice at once";
    EXPECT_FALSE(p.FetchFailed(5));
    EXPECT_EQ(p.TakeForFetch(10), (std::vector<int>{5}));
    EXPECT_TRUE(p.Fetched(5));
    EXPECT_FALSE(p.Fetched(5)) << "a late second answer";
    EXPECT_FALSE(p.Announce(5)) << "shown already";
    p.Refused(6);
    EXPECT_EQ(p.PendingCount(), 0u);
}

TEST(PendingMessages, OneThatNeverComesIsGivenUpAfterItsTries) {
    CPendingMessages p;
    p.Announce(9);
    int tries = 0;
    bool givenUp = false;
    while (!givenUp && tries < 100) {
        ASSERT_EQ(p.TakeForFetch(1), (std::vector<int>{9}));
        ++tries;
        givenUp = p.FetchFailed(9);
    }
    EXPECT_EQ(tries, CPendingMessages::kMaxTries);
    EXPECT_EQ(p.PendingCount(), 0u);
    EXPECT_FALSE(p.FetchFailed(9)) << "nothing left to give up";
}

TEST(PendingMessages, TheLimitsHold) {
    CPendingMessages p;
    for (int id = 1; id <= 20000; ++id)
        p.Announce(id);
    EXPECT_EQ(p.PendingCount(), 10000u);
    EXPECT_EQ(p.TakeForFetch(3), (std::vector<int>{10001, 10002, 10003})) << "the oldest went";
    // Shown ids are kept for a while, then forgotten.
    for (int id = 1; id <= 5000; ++id)
        p.Fetched(100000 + id);
    EXPECT_FALSE(p.Announce(100000 + 5000));
    EXPECT_TRUE(p.Announce(100000 + 1));
    p.Clear();
    EXPECT_EQ(p.PendingCount(), 0u);
}

} // namespace
