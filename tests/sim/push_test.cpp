// The push server over real loopback sockets, steered through the control
// interface; the service's functions are called in-process.
#include "push_fixture.hpp"
#include "service.hpp"
#include "simulator.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

using simtest::Client;
using simtest::event_frames;
using simtest::kAccept;
using simtest::kAlive;
using simtest::kKeepAlive;
using simtest::kRefuse;
using simtest::PushClient;
using simtest::session_request;
using Events = std::vector<std::pair<int32_t, uint32_t>>;

const std::string kZofia = "+48600100200"; // user id 17
const std::string kJan = "+48600100201";   // 18
const std::string kBeata = "+48600100202"; // 19

sim::World make_world() {
    sim::World world;
    world.accounts = {{kZofia, "haslo", "Zofia W\xF3jcik", 250, 30, 1},
                      {kJan, "haslo", "Jan", 250, 30, 1},
                      {kBeata, "haslo", "Beata", 250, 30, 1}};
    world.contacts[kZofia] = {{"Jan", kJan}, {"Dom", "+48226543210"}, {"Beata", kBeata}};
    world.contacts[kJan] = {{"Zosia", kZofia}};
    return world;
}

class PushTest : public simtest::PushSimulator {
protected:
    PushTest() : PushSimulator(make_world()) {}

    Client zofia_{service_};
};

TEST_F(PushTest, LoginNamesThePortAndTheHandshakeTakesOnlyTheCurrentId) {
    ASSERT_GT(sim_->push_port(), 0);
    const std::string query = "function=LOGIN&usr_login=%2B48600100200&usr_pass=haslo";
    EXPECT_EQ(simtest::lines(zofia_.call(query)).at(2), std::to_string(sim_->push_port()) + "\r");

    const std::string first = log_in(zofia_, kZofia);
    const std::string second = log_in(zofia_, kZofia); // the first id is no longer valid
    PushClient stale(sim_->push_port());
    stale.send_bytes(session_request(first));
    EXPECT_EQ(stale.read_bytes(3), kRefuse);
    // A refused connection stays open, without a session.
    stale.send_bytes(kKeepAlive);
    EXPECT_EQ(stale.read_bytes(3), kAlive);
    EXPECT_EQ(control("POST", "/push/event/%2B48600100200?type=1&param=1").second, "0");

    PushClient good(sim_->push_port());
    good.send_bytes(session_request(second));
    EXPECT_EQ(good.read_bytes(3), kAccept);
    EXPECT_EQ(log_of(stale.port()),
              (std::vector<std::string>{"accept", "in 26 01 " + sim::hex_bytes(first),
                                        "session-refused", "in 03 02 01", "alive 1"}));
    EXPECT_EQ(log_of(good.port()).at(2), "session +48600100200");
}

TEST_F(PushTest, RequestsSplitAcrossReadsAreReassembledAndUnknownBytesSkipped) {
    const std::string id = log_in(zofia_, kZofia);
    PushClient push(sim_->push_port());
    // Junk first, then the request a byte or a few at a time, the keep-alive glued to its end.
    const std::string bytes = std::string("\x00\xff\x03\x01", 4) + session_request(id) + kKeepAlive;
    for (size_t at = 0; at < bytes.size(); at += 5) {
        push.send_bytes(bytes.substr(at, 5));
        usleep(2000);
    }
    EXPECT_EQ(push.read_bytes(6), kAccept + kAlive);
    std::vector<std::string> skips;
    for (const std::string& line : log_of(push.port())) {
        if (line.rfind("skip ", 0) == 0) {
            skips.push_back(line);
        }
    }
    // "03 01" is no frame a client sends: two bytes skipped one at a time.
    EXPECT_EQ(skips, (std::vector<std::string>{"skip 00", "skip ff", "skip 03", "skip 01"}));
}

TEST_F(PushTest, ModesRejectOrSilenceTheHandshakeAndTheAliveFrames) {
    const std::string id = log_in(zofia_, kZofia);
    ASSERT_EQ(control("PUT", "/push/mode?session=reject&alive=dead").first, 200);
    PushClient rejected(sim_->push_port());
    rejected.send_bytes(session_request(id) + kKeepAlive);
    EXPECT_EQ(rejected.read_bytes(6), kRefuse + std::string("\x03\x02\x00", 3));

    ASSERT_EQ(control("PUT", "/push/mode?session=silent&alive=silent").first, 200);
    PushClient silent(sim_->push_port());
    silent.send_bytes(session_request(id) + kKeepAlive);
    EXPECT_EQ(silent.read_bytes(1, 300), "");
    EXPECT_EQ(silent.end_state(0), 1);

    ASSERT_EQ(control("PUT", "/push/mode").first, 200); // back to accept and answer
    PushClient accepted(sim_->push_port());
    accepted.send_bytes(session_request(id) + kKeepAlive);
    EXPECT_EQ(accepted.read_bytes(6), kAccept + kAlive);

    EXPECT_EQ(control("PUT", "/push/mode?session=maybe").first, 400);
    EXPECT_EQ(control("POST", "/push/mode").first, 405);
}

TEST_F(PushTest, PresenceChangesReachTheAccountsThatListTheContact) {
    auto push = open_session(zofia_, kZofia);
    Client jan(service_);
    log_in(jan, kJan); // Jan logs in: 101 for 18
    ASSERT_EQ(control("PUT", "/presence/%2B48600100201?value=1").first, 200); // unchanged
    ASSERT_EQ(control("PUT", "/presence/%2B48600100202?value=3").first, 200);
    ASSERT_EQ(control("PUT", "/presence/%2B48600100202?value=2").first, 200);
    ASSERT_EQ(control("PUT", "/presence/%2B48600100202?value=-1").first, 200);
    jan.call("function=LOGOFF");
    EXPECT_EQ(event_frames(push->read_bytes(50)),
              (Events{{101, 18}, {103, 19}, {104, 19}, {102, 19}, {102, 18}}));
    // Zofia's own changes go to Jan, who has no session: nobody hears of them.
    ASSERT_EQ(control("PUT", "/presence/%2B48600100200?value=2").first, 200);
    EXPECT_EQ(push->read_bytes(1, 100), "");
}

TEST_F(PushTest, AStatusTheUserSetsReachesHisWatchers) {
    auto push = open_session(zofia_, kZofia);
    Client jan(service_);
    log_in(jan, kJan);
    for (const char* status : {"2", "3", "0", "1"})
        EXPECT_EQ(jan.call(std::string("function=SETSTATUS&status=") + status), "SETSTATUSOK");
    for (const char* status : {"4", "-1", "x", ""})
        EXPECT_EQ(jan.call(std::string("function=SETSTATUS&status=") + status), "SETSTATUSFAILED");
    EXPECT_EQ(event_frames(push->read_bytes(50)),
              (Events{{101, 18}, {104, 18}, {103, 18}, {102, 18}, {101, 18}}));
}

TEST_F(PushTest, CheckStatusesSendsThePresenceOfEveryContactWhoIsAUser) {
    ASSERT_EQ(control("PUT", "/presence/%2B48600100202?value=3").first, 200);
    auto push = open_session(zofia_, kZofia);
    EXPECT_EQ(zofia_.call("function=CHECKSTATUSES"), "CHECKSTATUSESOK");
    // Jan never logged in (0): a logoff; "Dom" is no user and has none.
    EXPECT_EQ(event_frames(push->read_bytes(20)), (Events{{102, 18}, {103, 19}}));
}

TEST_F(PushTest, DeliveryReportsFollowTheDelayOrAreNotSent) {
    ASSERT_EQ(control("PUT", "/push/report-delay?ms=50").first, 200);
    const std::string send = "function=SENDLONGSMS&to=48601234567&body=hi&class=1&unicode=0";
    auto push = open_session(zofia_, kZofia);
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(simtest::lines(zofia_.call(send)).at(2), "123456\r");
    EXPECT_EQ(event_frames(push->read_bytes(10)), (Events{{1001, 123456}}));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(50));

    ASSERT_EQ(control("PUT", "/push/report-delay?ms=-1").first, 200); // never
    zofia_.call(send);
    EXPECT_EQ(push->read_bytes(1, 200), "");

    ASSERT_EQ(control("PUT", "/push/report-delay?ms=0").first, 200);
    ASSERT_EQ(control("POST", "/push/drop/%2B48600100200").first, 200);
    zofia_.call(send);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<std::string> log;
    while (std::find(log.begin(), log.end(), "- not-sent +48600100200 1001 123458") == log.end() &&
           std::chrono::steady_clock::now() < deadline) {
        usleep(5000);
        log.clear();
        for (const std::string& line : push_log()) {
            log.push_back(line.substr(line.find(' ') + 1));
        }
    }
    EXPECT_NE(std::find(log.begin(), log.end(), "- not-sent +48600100200 1001 123458"), log.end());
    EXPECT_EQ(control("PUT", "/push/report-delay?ms=600001").first, 400);
}

TEST_F(PushTest, MessagesAreAnnouncedAndFetchedWithReceiveMsg) {
    auto push = open_session(zofia_, kZofia);
    auto second = open_session(zofia_, kZofia); // every open session hears of it
    const std::string text = "Cze\x9C\xE6\r\nco s\xB9\xB3ychu?";
    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?from=%2B48600100201", text),
              std::make_pair(200, std::string("1")));
    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?kind=100", "Nowa wersja"),
              std::make_pair(200, std::string("2")));
    EXPECT_EQ(event_frames(push->read_bytes(20)), (Events{{1, 1}, {100, 2}}));
    EXPECT_EQ(event_frames(second->read_bytes(20)), (Events{{1, 1}, {100, 2}}));

    for (int fetch = 0; fetch < 2; ++fetch) { // fetching keeps the message
        const std::vector<std::string> answer =
            simtest::lines(zofia_.call("function=RECEIVEMSG&MsgId=1"));
        ASSERT_EQ(answer.size(), 6u); // the text holds a line end
        EXPECT_EQ(answer[0], "RECEIVEMSGOK\r");
        EXPECT_EQ(answer[1], "18\r");
        EXPECT_EQ(answer[2], "1\r");
        EXPECT_EQ(answer[3].size(), 20u); // YYYY-MM-DD HH:MM:SS and the CR
        EXPECT_EQ(answer[3][13], ':');
        EXPECT_EQ(answer[4], "Cze%9C%E6\r");
        EXPECT_EQ(answer[5], "co s%B9%B3ychu?");
    }
    const std::string system = zofia_.call("function=RECEIVEMSG&MsgId=2");
    EXPECT_EQ(system.substr(0, 22), "RECEIVEMSGOK\r\n0\r\n100\r\n");
    EXPECT_EQ(system.substr(system.size() - 13), "\r\nNowa wersja");

    Client jan(service_);
    log_in(jan, kJan);
    for (const char* id : {"1", "3", "0", "-1", "x", ""}) { // not Jan's, or no such message
        EXPECT_EQ(jan.call(std::string("function=RECEIVEMSG&MsgId=") + id), "RECEIVEMSGFAILED");
    }
    EXPECT_EQ(Client(service_).call("function=RECEIVEMSG&MsgId=1"), "NOP");

    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?kind=1", "x").first, 400); // no sender
    EXPECT_EQ(control("POST", "/push/message/%2B48600100200?kind=2&from=%2B48600100201").first,
              400);
    EXPECT_EQ(control("POST", "/push/message/%2B48699999999?kind=100").first, 404);
}

TEST_F(PushTest, RawBytesGoOutInTheAskedPiecesAndEventsAsWholeFrames) {
    auto push = open_session(zofia_, kZofia);
    const std::string bytes("\x0A\x03\x65\x00\x00\x00\x2A\x00\x00\x00\xFF\xFE", 12);
    // The reply comes after the last piece: read while the command runs.
    auto split = std::async(std::launch::async, [&] {
        return control("POST", "/push/raw/%2B48600100200?split=3,5&gap=40", bytes).second;
    });
    // The pieces arrive 40 ms apart, each in a read of its own.
    EXPECT_EQ(push->read_some(1000), bytes.substr(0, 3));
    EXPECT_EQ(push->read_some(1000), bytes.substr(3, 5));
    EXPECT_EQ(push->read_some(1000), bytes.substr(8));
    EXPECT_EQ(split.get(), "1");
    EXPECT_EQ(control("POST", "/push/raw/%2B48600100200", bytes).second, "1");
    EXPECT_EQ(push->read_bytes(12), bytes);

    EXPECT_EQ(control("POST", "/push/event/%2B48600100200?type=-5&param=4294967295").second, "1");
    EXPECT_EQ(event_frames(push->read_bytes(10)), (Events{{-5, 4294967295u}}));
    const std::vector<std::string> log = log_of(push->port());
    EXPECT_EQ(std::vector<std::string>(log.end() - 5, log.end()),
              (std::vector<std::string>{"raw 3", "raw 5", "raw 4", "raw 12",
                                        "event +48600100200 -5 4294967295"}));

    for (const char* bad : {"?split=0", "?split=3,,4", "?split=3&gap=10001", "?split=x"}) {
        EXPECT_EQ(control("POST", std::string("/push/raw/%2B48600100200") + bad, "ab").first, 400)
            << bad;
    }
    EXPECT_EQ(control("POST", "/push/event/%2B48600100200?type=1&param=-1").first, 400);
    EXPECT_EQ(control("POST", "/push/event/%2B48699999999?type=1&param=1").first, 404);
}

TEST_F(PushTest, DropsCloseHalfCloseOrResetTheSessions) {
    auto closed = open_session(zofia_, kZofia);
    ASSERT_EQ(control("POST", "/push/drop/%2B48600100200").first, 200);
    EXPECT_EQ(closed->end_state(2000), 0);

    auto half = open_session(zofia_, kZofia);
    PushClient other(sim_->push_port()); // no session: not Zofia's, so kept
    ASSERT_EQ(control("POST", "/push/drop/%2B48600100200?how=half").first, 200);
    EXPECT_EQ(half->end_state(2000), 0);
    // The server still reads, but sends nothing more on it.
    half->send_bytes(kKeepAlive);
    EXPECT_EQ(control("POST", "/push/event/%2B48600100200?type=1&param=9").second, "0");
    other.send_bytes(kKeepAlive);
    EXPECT_EQ(other.read_bytes(3), kAlive);
    const std::vector<std::string> log = log_of(half->port());
    EXPECT_NE(std::find(log.begin(), log.end(), "close server half"), log.end());
    EXPECT_EQ(log.back(), "in 03 02 01");

    ASSERT_EQ(control("POST", "/push/drop-all?how=reset").first, 200);
    EXPECT_EQ(other.end_state(2000), -ECONNRESET);
    EXPECT_EQ(log_of(other.port()).back(), "close server reset");
    EXPECT_EQ(control("POST", "/push/drop-all?how=gently").first, 400);
}

TEST_F(PushTest, AStalledSessionHearsNothingUntilTheStallEnds) {
    auto push = open_session(zofia_, kZofia);
    ASSERT_EQ(control("POST", "/push/stall/%2B48600100200?on=1").first, 200);
    push->send_bytes(kKeepAlive);
    EXPECT_EQ(control("POST", "/push/event/%2B48600100200?type=1&param=3").second, "0");
    EXPECT_EQ(push->read_bytes(1, 200), "");
    EXPECT_EQ(log_of("-").back(), "not-sent +48600100200 1 3");
    ASSERT_EQ(control("POST", "/push/stall/%2B48600100200?on=0").first, 200);
    EXPECT_EQ(push->read_bytes(3), kAlive); // the keep-alive waited in the socket
    EXPECT_EQ(control("POST", "/push/stall/%2B48600100200").first, 400);
}

TEST_F(PushTest, ABurstSplitsAndCoalescesFramesOfEveryKind) {
    auto push = open_session(zofia_, kZofia);
    std::set<uint32_t> sms_ids;
    for (int i = 0; i < 4; ++i) {
        const std::vector<std::string> answer = simtest::lines(
            zofia_.call("function=SENDLONGSMS&to=48601234567&body=hi&class=1&unicode=0"));
        sms_ids.insert(static_cast<uint32_t>(std::stoul(answer.at(2))));
    }
    sms_ids.erase(sms_ids.begin()); // the 3 most recent
    ASSERT_EQ(control("PUT", "/push/report-delay?ms=-1").first, 200);
    const auto [status, reply] =
        control("POST", "/push/burst/%2B48600100200?count=3000&seed=7&reports=3");
    ASSERT_EQ(status, 200) << reply;

    const Events events = event_frames(push->read_bytes(30000));
    ASSERT_EQ(events.size(), 3000u);
    std::set<uint32_t> reports, messages;
    std::set<int32_t> types;
    for (const auto& [type, param] : events) {
        types.insert(type);
        if (type == 1001) {
            reports.insert(param);
        } else if (type == 1) {
            messages.insert(param);
        } else {
            // Presence: Jan (never logged in) logs off, Beata likewise.
            EXPECT_TRUE(type == 102 && (param == 18 || param == 19)) << type << " " << param;
        }
    }
    EXPECT_EQ(reports, sms_ids);
    EXPECT_EQ(types.size(), 3u);
    EXPECT_EQ(reply, "reports 3\nmessages " + std::to_string(messages.size()) + "\n");
    for (const uint32_t id : {*messages.begin(), *messages.rbegin()}) {
        EXPECT_EQ(zofia_.call("function=RECEIVEMSG&MsgId=" + std::to_string(id)).substr(0, 14),
                  "RECEIVEMSGOK\r\n");
    }
    // The same seed gives the same mix of kinds.
    const auto again = control("POST", "/push/burst/%2B48600100200?count=3000&seed=7&reports=3");
    EXPECT_EQ(again.second, reply);
    EXPECT_EQ(event_frames(push->read_bytes(30000)).size(), 3000u);

    EXPECT_EQ(control("POST", "/push/burst/%2B48600100200?count=2&seed=1&reports=3").first, 400);
    EXPECT_EQ(control("POST", "/push/burst/%2B48600100200?count=0&seed=1").first, 400);
    EXPECT_EQ(control("POST", "/push/burst/%2B48600100202?count=5&seed=1").first,
              400); // no contacts
}

TEST_F(PushTest, ALoadChangesPresencesAndSendsMessagesFromItsSendersOnly) {
    auto push = open_session(zofia_, kZofia);
    const auto [status, reply] = control(
        "POST", "/push/load/%2B48600100200?presences=30&messages=10&senders=2&seconds=1&seed=3");
    ASSERT_EQ(status, 200) << reply;
    EXPECT_EQ(reply, "presences 30\nmessages 10\n");

    const Events events = event_frames(push->read_bytes(400));
    ASSERT_EQ(events.size(), 40u);
    std::map<uint32_t, int32_t> last; // user id -> the presence event last heard
    int changes = 0;
    for (const auto& [type, param] : events) {
        if (type == 1) {
            // From Jan (18) or Beata (19), the first two users of Zofia's list.
            const std::string line =
                zofia_.call("function=RECEIVEMSG&MsgId=" + std::to_string(param));
            const std::vector<std::string> fields = simtest::lines(line);
            ASSERT_GE(fields.size(), 2u) << line;
            const std::string sender = fields[1].substr(0, fields[1].find('\r'));
            EXPECT_TRUE(sender == "18" || sender == "19") << line;
            EXPECT_NE(line.find(std::to_string(param)), std::string::npos)
                << "the text names its id";
            continue;
        }
        ASSERT_TRUE(type >= 101 && type <= 104) << type;
        EXPECT_NE(last[param], type) << "a load's presence always changes";
        last[param] = type;
        ++changes;
    }
    EXPECT_EQ(changes, 30);

    EXPECT_EQ(
        control("POST", "/push/load/%2B48600100200?presences=1&messages=0&seconds=0&seed=1").first,
        400);
    EXPECT_EQ(
        control("POST", "/push/load/%2B48699999999?presences=1&messages=0&seconds=1&seed=1").first,
        404);
    EXPECT_EQ(
        control("POST", "/push/load/%2B48600100202?presences=1&messages=0&seconds=1&seed=1").first,
        400); // no contacts
}

TEST_F(PushTest, ResetRestoresTheDefaultsAndForgetsConnectionsAndLog) {
    auto push = open_session(zofia_, kZofia);
    ASSERT_EQ(control("PUT", "/push/mode?session=reject&alive=dead").first, 200);
    ASSERT_EQ(control("POST", "/push/stall/%2B48600100200?on=1").first, 200);
    ASSERT_EQ(control("PUT", "/push/report-delay?ms=-1").first, 200);
    ASSERT_EQ(control("POST", "/push/reset").first, 200);
    EXPECT_EQ(push->end_state(2000), 0);
    EXPECT_EQ(control("GET", "/push/log").second, "");

    auto fresh = open_session(zofia_, kZofia); // accepted again
    fresh->send_bytes(kKeepAlive);
    EXPECT_EQ(fresh->read_bytes(3), kAlive);
    zofia_.call("function=SENDLONGSMS&to=48601234567&body=hi&class=1&unicode=0");
    EXPECT_EQ(event_frames(fresh->read_bytes(10, 4000)), (Events{{1001, 123456}}));
    ASSERT_EQ(control("DELETE", "/push/log").first, 200);
    EXPECT_EQ(control("GET", "/push/log").second, "");
}

} // namespace
