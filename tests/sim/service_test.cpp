// The simulator without sockets: calls, the answer table, the service's
// answers and log, and the control commands.
#include "answers.hpp"
#include "call.hpp"
#include "control.hpp"
#include "service.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

sim::Service make_service() {
    return sim::Service(sim::World{});
}

std::string body_of(sim::Service& s, const std::string& target, const char* method = "GET") {
    const sim::Reply r = s.handle(method, target, "1");
    EXPECT_EQ(r.status, 200) << target;
    return r.body;
}

std::string script(const std::string& query) {
    return "/briskopc.asp?" + query;
}

} // namespace

TEST(Call, DecodesParametersInOrderAndKeepsTheTarget) {
    const sim::Call c = sim::parse_call(
        "/briskopc.asp?function=SEND&to=48601&body=a+b%2Bc%zz%4&flag&=v&to=2", "77");
    EXPECT_EQ(c.target, "/briskopc.asp?function=SEND&to=48601&body=a+b%2Bc%zz%4&flag&=v&to=2");
    EXPECT_EQ(c.connection, "77");
    EXPECT_EQ(c.function, "SEND");
    const sim::Params expected = {{"function", "SEND"}, {"to", "48601"}, {"body", "a b+c%zz%4"},
                                  {"flag", ""},         {"", "v"},       {"to", "2"}};
    EXPECT_EQ(c.params, expected);
    ASSERT_NE(c.param("to"), nullptr);
    EXPECT_EQ(*c.param("to"), "48601"); // the first of duplicates
    EXPECT_EQ(c.param("missing"), nullptr);
    EXPECT_EQ(sim::parse_call("/briskopc.asp", "1").function, "");
    EXPECT_EQ(sim::url_decode("a+b%41", false), "a+bA");
}

TEST(AnswerTable, OnceAnswersComeFirstInOrderThenTheStandingOne) {
    sim::AnswerTable t;
    EXPECT_FALSE(t.take("LOGIN").has_value());
    t.set_standing("LOGIN", "LOGINOK");
    t.queue_once("LOGIN", "NOP");
    t.queue_once("LOGIN", "GARBAGE");
    EXPECT_EQ(t.take("LOGIN"), "NOP");
    EXPECT_EQ(t.take("LOGIN"), "GARBAGE");
    EXPECT_EQ(t.take("LOGIN"), "LOGINOK");
    EXPECT_EQ(t.take("LOGIN"), "LOGINOK");
    EXPECT_FALSE(t.take("LOGOFF").has_value()); // per function
}

TEST(AnswerTable, OnceWithoutStandingFallsBackToNothing) {
    sim::AnswerTable t;
    t.queue_once("X", "");
    EXPECT_EQ(t.take("X"), ""); // an empty one-shot answer is still an answer
    EXPECT_FALSE(t.take("X").has_value());
}

TEST(AnswerTable, ResetForgetsBothAndSetReplaces) {
    sim::AnswerTable t;
    t.set_standing("X", "1");
    t.set_standing("X", "2");
    EXPECT_EQ(t.take("X"), "2");
    t.queue_once("X", "once");
    t.reset("X");
    EXPECT_FALSE(t.take("X").has_value());
}

TEST(Service, DefaultsBenchAndUnknownFunctions) {
    sim::Service s = make_service();
    EXPECT_EQ(body_of(s, script("function=BENCH&n=17")), "OK\r\n17");
    EXPECT_EQ(body_of(s, script("function=BENCH")), "OK\r\n");
    EXPECT_EQ(body_of(s, script("function=NOSUCH&x=1")), "");
    EXPECT_EQ(body_of(s, script("x=1")), "");
    EXPECT_EQ(body_of(s, "/BriskoPC.ASP?function=BENCH&n=1"), "OK\r\n1"); // IIS ignores case
}

TEST(Service, ControlAnswersOverrideHandlersAndKeepNulBytes) {
    sim::Service s = make_service();
    const std::string raw("LOGINOK\r\n\0\xB9\r\n\0", 14);
    s.set_answer("BENCH", raw);
    s.queue_once("BENCH", "NOP");
    EXPECT_EQ(body_of(s, script("function=BENCH&n=1")), "NOP");
    EXPECT_EQ(body_of(s, script("function=BENCH&n=1")), raw);
    s.reset_answer("BENCH");
    EXPECT_EQ(body_of(s, script("function=BENCH&n=1")), "OK\r\n1");
}

TEST(Service, OtherPathsAndMethods) {
    sim::Service s = make_service();
    EXPECT_EQ(s.handle("GET", "/other.asp?function=BENCH", "1").status, 404);
    EXPECT_EQ(s.handle("POST", script("function=BENCH"), "1").status, 405);
    s.queue_once("BENCH", "kept");
    s.handle("POST", script("function=BENCH"), "1");
    EXPECT_EQ(body_of(s, script("function=BENCH")), "kept"); // not used up by the refused call
}

TEST(Service, LogsEveryRequestOneLineEach) {
    sim::Service s = make_service();
    s.handle("GET", script("function=LOGIN&usr_login=%2B48"), "5001");
    s.handle("GET", script("function=A%20B%0AC%5C"), "5001");
    s.handle("GET", "/favicon.ico", "5002");
    s.handle("GET", script("n=1"), "5002");
    EXPECT_EQ(s.log(), "5001 LOGIN /briskopc.asp?function=LOGIN&usr_login=%2B48\n"
                       "5001 A\\x20B\\x0AC\\x5C /briskopc.asp?function=A%20B%0AC%5C\n"
                       "5002 - /favicon.ico\n"
                       "5002 - /briskopc.asp?n=1\n");
    s.clear_log();
    EXPECT_EQ(s.log(), "");
}

namespace {

class FakeNet : public sim::Reachability {
public:
    bool set_reachable(bool reachable, std::string& error) override {
        calls.push_back(reachable);
        error = "port taken";
        return !fail;
    }
    std::vector<bool> calls;
    bool fail = false;
};

sim::ControlReply control(sim::Service& s, const char* method, const std::string& target,
                          const std::string& body = "", sim::Reachability* net = nullptr) {
    return sim::handle_control({method, target, body}, s, net);
}

} // namespace

TEST(Control, AnswerCommands) {
    sim::Service s = make_service();
    const std::string raw("A\0B", 3);
    EXPECT_EQ(control(s, "PUT", "/answer/BENCH", raw).status, 200);
    EXPECT_EQ(control(s, "POST", "/answer/BENCH/once", "first").status, 200);
    EXPECT_EQ(control(s, "POST", "/answer/BENCH/once", "second").status, 200);
    EXPECT_EQ(body_of(s, script("function=BENCH")), "first");
    EXPECT_EQ(body_of(s, script("function=BENCH")), "second");
    EXPECT_EQ(body_of(s, script("function=BENCH")), raw);
    EXPECT_EQ(control(s, "DELETE", "/answer/BENCH").status, 200);
    EXPECT_EQ(body_of(s, script("function=BENCH&n=2")), "OK\r\n2");
    // Names are percent-decoded, so any function name can be given.
    EXPECT_EQ(control(s, "PUT", "/answer/A%2Fonce%20B+", "x").status, 200);
    EXPECT_EQ(body_of(s, script("function=A%2Fonce+B%2B")), "x");
}

TEST(Control, RefusesMalformedCommands) {
    sim::Service s = make_service();
    EXPECT_EQ(control(s, "PUT", "/answer/").status, 400);
    EXPECT_EQ(control(s, "POST", "/answer//once").status, 400);
    EXPECT_EQ(control(s, "GET", "/answer/X").status, 405);
    EXPECT_EQ(control(s, "PUT", "/answer/X/once").status, 405);
    EXPECT_EQ(control(s, "GET", "/slow?ms=5").status, 405);
    EXPECT_EQ(control(s, "POST", "/log").status, 405);
    EXPECT_EQ(control(s, "GET", "/unreachable").status, 405);
    EXPECT_EQ(control(s, "GET", "/nothing").status, 404);
    EXPECT_EQ(body_of(s, script("function=X")), ""); // nothing was set
}

TEST(Control, SlowTakesWholeMilliseconds) {
    sim::Service s = make_service();
    EXPECT_EQ(control(s, "POST", "/slow?ms=250").status, 200);
    EXPECT_EQ(s.slow_ms(), 250);
    for (const char* bad : {"/slow", "/slow?ms=", "/slow?ms=-1", "/slow?ms=1.5", "/slow?ms=600001",
                            "/slow?ms=99999999999"}) {
        EXPECT_EQ(control(s, "POST", bad).status, 400) << bad;
    }
    EXPECT_EQ(s.slow_ms(), 250);
    EXPECT_EQ(control(s, "POST", "/slow?ms=0").status, 200);
    EXPECT_EQ(s.slow_ms(), 0);
}

TEST(Control, LogAndHealth) {
    sim::Service s = make_service();
    s.handle("GET", script("function=BENCH&n=1"), "9");
    EXPECT_EQ(control(s, "GET", "/log").body, "9 BENCH /briskopc.asp?function=BENCH&n=1\n");
    EXPECT_EQ(control(s, "DELETE", "/log").status, 200);
    EXPECT_EQ(control(s, "GET", "/log").body, "");
    const sim::ControlReply health = control(s, "GET", "/health");
    EXPECT_EQ(health.status, 200);
    EXPECT_EQ(health.body, "OK");
}

TEST(Control, ReachabilityGoesToTheServer) {
    sim::Service s = make_service();
    EXPECT_EQ(control(s, "POST", "/unreachable").status, 501); // no server
    FakeNet net;
    EXPECT_EQ(control(s, "POST", "/unreachable", "", &net).status, 200);
    EXPECT_EQ(control(s, "POST", "/reachable", "", &net).status, 200);
    EXPECT_EQ(net.calls, (std::vector<bool>{false, true}));
    net.fail = true;
    const sim::ControlReply r = control(s, "POST", "/reachable", "", &net);
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, "port taken\n");
}
