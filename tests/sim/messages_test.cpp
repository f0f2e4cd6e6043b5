// Instant messages between users: SENDTEXT and what it announces, RECEIVEMSG,
// GETUSERINFO, the client session that both ends need, and the scripted user
// who answers.
#include "push_fixture.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using simtest::Client;
using simtest::event_frames;
using Events = std::vector<std::pair<int32_t, uint32_t>>;

const std::string kZofia = "+48600100200"; // user id 17
const std::string kJan = "+48600100201";   // 18

class MessagesTest : public simtest::PushSimulator {
protected:
    MessagesTest() : PushSimulator(make_world()) {}

    static sim::World make_world() {
        sim::World world;
        world.accounts = {{kZofia, "haslo", "Zofia W\xF3jcik", 250, 30, 1},
                          {kJan, "haslo", "Jan \xA3ysy", 250, 30, 1}};
        return world;
    }

    std::string send(Client& from, const std::string& receiver, const std::string& body) {
        return from.call("function=SENDTEXT&Receiver=" + receiver + "&body=" + body);
    }

    Client zofia_{service_};
    Client jan_{service_};
};

TEST_F(MessagesTest, ATextIsStoredAnnouncedFetchedAndListed) {
    auto jans_push = open_session(jan_, kJan);
    log_in(zofia_, kZofia); // no push session: her events are not sent
    EXPECT_EQ(send(zofia_, "48600100201", "Cze%9C%E6+%2B+%25%0D%0Aco%3F"), "SENDTEXTOK");
    EXPECT_EQ(send(jan_, "48600100200", "Hej\\"), "SENDTEXTOK");
    EXPECT_EQ(event_frames(jans_push->read_bytes(10)), (Events{{1, 1}}));
    const std::string answer = jan_.call("function=RECEIVEMSG&MsgId=1");
    EXPECT_EQ(answer.substr(0, 21), "RECEIVEMSGOK\r\n17\r\n1\r\n");
    EXPECT_EQ(answer.substr(42), "Cze%9C%E6 + %\r\nco?");

    EXPECT_EQ(control("GET", "/push/texts").second,
              "1 +48600100200 +48600100201 Cze\x9C\xE6 + %\\x0D\\x0Aco?\n"
              "2 +48600100201 +48600100200 Hej\\x5C\n");
    EXPECT_EQ(control("GET", "/push/messages/%2B48600100200").second,
              "2 1 18 +48600100201 Hej\\x5C\n");
    EXPECT_EQ(log_of("-").back(), "not-sent +48600100200 1 2");
    ASSERT_EQ(control("POST", "/push/reset").first, 200);
    EXPECT_EQ(control("GET", "/push/texts").second, "");
    EXPECT_EQ(control("GET", "/push/messages/%2B48699999999").first, 404);
}

TEST_F(MessagesTest, SendTextRefusesWhatItCannotDeliverAndWantsTheClientSession) {
    EXPECT_EQ(send(zofia_, "48600100201", "x"), "NOP");
    zofia_.call("function=LOGIN&usr_login=%2B48600100200&usr_pass=haslo");
    EXPECT_EQ(send(zofia_, "48600100201", "x"), "NOSESSION"); // no LOGINPC yet
    EXPECT_EQ(zofia_.call("function=RECEIVEMSG&MsgId=1"), "NOSESSION");
    auto push = open_session(zofia_, kZofia);
    for (const char* receiver : {"48699999999", "600100201", "48600100201x", "%2B48600100201"}) {
        EXPECT_EQ(send(zofia_, receiver, "x"), "SENDTEXTNOUSER") << receiver;
    }
    EXPECT_EQ(zofia_.call("function=SENDTEXT&body=x"), "SENDTEXTNOUSER");
    EXPECT_EQ(send(zofia_, "48600100201", ""), "SENDTEXTFAILED");
    EXPECT_EQ(control("GET", "/push/texts").second, "");

    // The service forgets the client session: its push connection ends with it.
    ASSERT_EQ(control("POST", "/push/nosession/%2B48600100200").first, 200);
    EXPECT_EQ(push->end_state(2000), 0);
    EXPECT_EQ(send(zofia_, "48600100201", "x"), "NOSESSION");
    EXPECT_EQ(zofia_.call("function=GETUSERINFO&UserId=18").substr(0, 6), "USEROK");
    log_in(zofia_, kZofia);
    EXPECT_EQ(send(zofia_, "48600100201", "x"), "SENDTEXTOK");
    EXPECT_EQ(control("POST", "/push/nosession/%2B48699999999").first, 404);
    EXPECT_EQ(control("GET", "/push/nosession/%2B48600100200").first, 405);
}

TEST_F(MessagesTest, ALongFullyEscapedTextCrossesTheHttpsPortWhole) {
    log_in(zofia_, kZofia);
    std::string body;
    for (int i = 0; i < 900; ++i) {
        body += "%B9";
    }
    const std::string target = "/briskopc.asp?function=SENDTEXT&Receiver=48600100201&body=" + body;
    ASSERT_GT(target.size(), 2750u);
    const httplib::Result r = https_client()->Get(target.c_str(), {{"Cookie", zofia_.cookie()}});
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->body, "SENDTEXTOK");
    EXPECT_EQ(control("GET", "/push/texts").second,
              "1 +48600100200 +48600100201 " + std::string(900, '\xB9') + "\n");
}

TEST_F(MessagesTest, GetUserInfoNamesAUserAndRefusesAnyOtherId) {
    EXPECT_EQ(zofia_.call("function=GETUSERINFO&UserId=18"), "NOP");
    zofia_.call("function=LOGIN&usr_login=%2B48600100200&usr_pass=haslo");
    EXPECT_EQ(zofia_.call("function=GETUSERINFO&UserId=18"),
              "USEROK\r\n18\r\nJan %A3ysy\r\n+48600100201");
    EXPECT_EQ(zofia_.call("function=GETUSERINFO&UserId=17"),
              "USEROK\r\n17\r\nZofia W%F3jcik\r\n+48600100200");
    for (const char* id : {"16", "19", "0", "-2147483648", "4294967313", "18x", ""}) {
        EXPECT_EQ(zofia_.call(std::string("function=GETUSERINFO&UserId=") + id), "USERFAILED");
    }
    EXPECT_EQ(zofia_.call("function=GETUSERINFO"), "USERFAILED");
}

TEST_F(MessagesTest, ContactLoginsAndLogoffsArriveAsMessagesWithTheNumber) {
    auto push = open_session(zofia_, kZofia);
    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?from=%2B48600100201&kind=101", "x"),
              std::make_pair(200, std::string("1")));
    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?from=%2B48600100201&kind=102"),
              std::make_pair(200, std::string("2")));
    // Events 101 and 102 would carry a user id: these go out as message events.
    EXPECT_EQ(event_frames(push->read_bytes(20)), (Events{{1, 1}, {1, 2}}));
    const std::string login = zofia_.call("function=RECEIVEMSG&MsgId=1");
    EXPECT_EQ(login.substr(0, 23), "RECEIVEMSGOK\r\n18\r\n101\r\n");
    EXPECT_EQ(login.substr(login.size() - 14), "\r\n+48600100201");
    EXPECT_EQ(zofia_.call("function=RECEIVEMSG&MsgId=2").substr(18, 5), "102\r\n");
    EXPECT_EQ(control("GET", "/push/messages/%2B48600100200").second,
              "1 101 18 +48600100201 +48600100201\n2 102 18 +48600100201 +48600100201\n");
    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?kind=101").first, 400);
}

TEST_F(MessagesTest, AScriptedUserAnswersEveryTextAfterItsDelay) {
    auto push = open_session(zofia_, kZofia);
    ASSERT_EQ(control("PUT", "/push/autoreply/%2B48600100201?ms=200").first, 200);
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(send(zofia_, "48600100201", "Cze%9C%E6"), "SENDTEXTOK");
    EXPECT_EQ(event_frames(push->read_bytes(10)), (Events{{1, 2}}));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(200));
    const std::string reply = zofia_.call("function=RECEIVEMSG&MsgId=2");
    EXPECT_EQ(reply.substr(0, 21), "RECEIVEMSGOK\r\n18\r\n1\r\n");
    EXPECT_EQ(reply.substr(42), "Dzi%EAki za wiadomo%9C%E6: \xAB"
                                "Cze%9C%E6\xBB. Zajrzyj na http://www.brisko.pl/ \x97 Jan %A3ysy");
    // A long text is quoted by its start; the answer is no text of a client.
    EXPECT_EQ(send(zofia_, "48600100201", std::string(50, 'a')), "SENDTEXTOK");
    EXPECT_EQ(event_frames(push->read_bytes(10)), (Events{{1, 4}}));
    EXPECT_NE(control("GET", "/push/messages/%2B48600100200")
                  .second.find(" \xAB" + std::string(40, 'a') + "\x85\xBB. "),
              std::string::npos);
    EXPECT_EQ(simtest::lines(control("GET", "/push/texts").second).size(), 2u);

    // A reset forgets the answers due; with the delay 0 none comes.
    send(zofia_, "48600100201", "a");
    ASSERT_EQ(control("POST", "/push/reset").first, 200);
    push = open_session(zofia_, kZofia);
    ASSERT_EQ(control("PUT", "/push/autoreply/%2B48600100201?ms=0").first, 200);
    send(zofia_, "48600100201", "b");
    ASSERT_EQ(control("PUT", "/push/autoreply/%2B48600100201?ms=1").first, 200);
    ASSERT_EQ(control("DELETE", "/push/autoreply").first, 200);
    send(zofia_, "48600100201", "c");
    EXPECT_EQ(push->read_bytes(1, 500), "");
    EXPECT_EQ(control("PUT", "/push/autoreply/%2B48600100201?ms=600001").first, 400);
    EXPECT_EQ(control("PUT", "/push/autoreply/%2B48699999999?ms=1").first, 404);
    EXPECT_EQ(control("GET", "/push/autoreply/%2B48600100201?ms=1").first, 405);
}

} // namespace
