// The session functions through the service, without sockets.
#include "control.hpp"
#include "functions.hpp"
#include "service.hpp"
#include "service_client.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

using simtest::Client;

const std::string kLogin = "+48600100200";
const std::string kPassword = "has\xB3o+ 1%"; // "hasło+ 1%" in cp1250
// kPassword escaped as the client sends it.
const std::string kPasswordParam = "has%B3o%2B+1%25";

sim::World make_world() {
    sim::World world;
    world.accounts = {
        {kLogin, kPassword,
         "Zofia W\xF3jcik \xA3\xF3"
         "d\x9F",
         250, 30, 1},
        {"+48601000002", "drugie", "Jan Nowak", 5, 0, 2},
    };
    return world;
}

std::string login_query(const std::string& function, const std::string& login,
                        const std::string& password) {
    return "function=" + function + "&usr_login=" + login + "&usr_pass=" + password;
}

const std::string kLoginOk = login_query("LOGIN", "%2B48600100200", kPasswordParam);
const std::string kLoginPcOk = login_query("LOGINPC", "%2B48600100200", kPasswordParam);

class SessionTest : public ::testing::Test {
protected:
    sim::ControlReply control(const char* method, const std::string& target,
                              const std::string& body = "") {
        return sim::handle_control({method, target, body}, service_, nullptr);
    }

    sim::Service service_{make_world()};
    Client client_{service_};
};

// The LOGINPCOK body's id: 36 characters shaped like a GUID.
bool is_session_id(const std::string& id) {
    if (id.size() != 36) {
        return false;
    }
    for (size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? id[i] != '-' : !std::isxdigit(static_cast<unsigned char>(id[i]))) {
            return false;
        }
    }
    return true;
}

// The session id of a LOGINPCOK body, checking the lines around it.
std::string pc_session_id(const std::string& body) {
    const std::string head = "LOGINPCOK\r\n";
    const std::string tail = "\r\nZofia W%F3jcik %A3%F3d%9F\r\n";
    EXPECT_EQ(body.substr(0, head.size()), head) << body;
    EXPECT_GE(body.size(), head.size() + tail.size()) << body;
    if (body.size() < head.size() + tail.size()) {
        return "";
    }
    EXPECT_EQ(body.substr(body.size() - tail.size()), tail) << body;
    const std::string id = body.substr(head.size(), body.size() - head.size() - tail.size());
    EXPECT_TRUE(is_session_id(id)) << id;
    return id;
}

} // namespace

TEST_F(SessionTest, LoginWithRightCredentialsNamesPushServerAndFigures) {
    EXPECT_EQ(client_.call(kLoginOk), "LOGINOK\r\n127.0.0.1\r\n0\r\n250\r\n30\r\n1\r\n");
    service_.with_world([](sim::World& w) {
        w.push_host = "push.local";
        w.push_port = 40555;
    });
    EXPECT_EQ(client_.call(login_query("LOGIN", "%2B48601000002", "drugie")),
              "LOGINOK\r\npush.local\r\n40555\r\n5\r\n0\r\n2\r\n");
}

TEST_F(SessionTest, LoginWithWrongCredentialsFailsAndOpensNoSession) {
    for (const std::string& query :
         {login_query("LOGIN", "%2B48600100200", "has%B3o+1%25"),      // "+" as a space
          login_query("LOGIN", "%2B48600100200", "has%B3o%2B+1%25x"),  // one sign more
          login_query("LOGIN", "%2B48600100200", "HAS%B3O%2B+1%25"),   // case matters
          login_query("LOGIN", "+48600100200", kPasswordParam),        // unescaped "+"
          login_query("LOGIN", "%2B48601000002", kPasswordParam),      // other account
          login_query("LOGIN", "%2B48699999999", kPasswordParam),      // no such account
          login_query("LOGIN", "%2B48600100200", ""),                  // empty password
          std::string("function=LOGIN&usr_login=%2B48600100200"),      // no password
          std::string("function=LOGIN&usr_pass=") + kPasswordParam}) { // no login
        EXPECT_EQ(client_.call(query), "LOGINFAILED") << query;
    }
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "NOP");
    EXPECT_EQ(control("GET", "/accounts").body,
              "+48600100200 250 30 1 logged-out\n+48601000002 5 0 2 logged-out\n");
}

TEST_F(SessionTest, LoginPcNeedsTheWebSessionOfThatAccount) {
    EXPECT_EQ(client_.call(kLoginPcOk), "NOP");
    ASSERT_EQ(client_.call(kLoginOk).substr(0, 9), "LOGINOK\r\n");
    EXPECT_EQ(client_.call(login_query("LOGINPC", "%2B48601000002", "drugie")), "LOGINPCFAILED");
    EXPECT_EQ(client_.call(login_query("LOGINPC", "%2B48600100200", "wrong")), "LOGINPCFAILED");
    EXPECT_EQ(client_.call("function=LOGINPC"), "LOGINPCFAILED");
    const std::string id = pc_session_id(client_.call(kLoginPcOk));
    std::string kept;
    service_.with_world([&kept](sim::World& w) { kept = w.pc_sessions[kLogin]; });
    EXPECT_EQ(kept, id);

    // The web session belongs to the client's cookie, not to the account.
    Client other(service_);
    EXPECT_EQ(other.call(kLoginPcOk), "NOP");
}

TEST_F(SessionTest, EveryLoginPcGivesAFreshId) {
    client_.call(kLoginOk);
    const std::string first = pc_session_id(client_.call(kLoginPcOk));
    const std::string second = pc_session_id(client_.call(kLoginPcOk));
    EXPECT_NE(first, second);
    std::string kept;
    service_.with_world([&kept](sim::World& w) { kept = w.pc_sessions[kLogin]; });
    EXPECT_EQ(kept, second);
}

TEST_F(SessionTest, LogoffEndsTheSessionOfThisClientOnly) {
    EXPECT_EQ(client_.call("function=LOGOFF"), "NOP");
    Client other(service_);
    other.call(kLoginOk);
    client_.call(kLoginOk);
    pc_session_id(client_.call(kLoginPcOk));
    EXPECT_EQ(client_.call("function=LOGOFF"), "LOGOFFOK");

    EXPECT_EQ(client_.call(kLoginPcOk), "NOP");
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "NOP");
    EXPECT_EQ(client_.call("function=LOGOFF"), "NOP");
    bool pc_session_left = true;
    service_.with_world([&](sim::World& w) { pc_session_left = w.pc_sessions.count(kLogin) > 0; });
    EXPECT_FALSE(pc_session_left);
    EXPECT_EQ(other.call("function=CHECKSTATUSES"), "CHECKSTATUSESOK");

    // Logging in again brings it back.
    client_.call(kLoginOk);
    pc_session_id(client_.call(kLoginPcOk));
}

TEST_F(SessionTest, CheckStatusesWithinASessionAndItsFailureOnCommand) {
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "NOP");
    client_.call(kLoginOk);
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "CHECKSTATUSESOK");
    ASSERT_EQ(control("PUT", "/answer/CHECKSTATUSES", "CHECKSTATUSESFAILES").status, 200);
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "CHECKSTATUSESFAILES");
}

TEST_F(SessionTest, ExpireDropsEveryWebSession) {
    Client other(service_);
    client_.call(kLoginOk);
    other.call(login_query("LOGIN", "%2B48601000002", "drugie"));
    EXPECT_EQ(control("GET", "/accounts").body,
              "+48600100200 250 30 1 logged-in\n+48601000002 5 0 2 logged-in\n");
    EXPECT_EQ(control("GET", "/expire").status, 405);
    EXPECT_EQ(control("POST", "/accounts").status, 405);
    ASSERT_EQ(control("POST", "/expire").status, 200);

    EXPECT_EQ(control("GET", "/accounts").body,
              "+48600100200 250 30 1 logged-out\n+48601000002 5 0 2 logged-out\n");
    EXPECT_EQ(client_.call(kLoginPcOk), "NOP");
    EXPECT_EQ(client_.call("function=LOGOFF"), "NOP");
    EXPECT_EQ(other.call("function=CHECKSTATUSES"), "NOP");
    // The same cookie logs in again.
    const std::string cookie = client_.cookie();
    client_.call(kLoginOk);
    EXPECT_EQ(client_.cookie(), cookie);
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "CHECKSTATUSESOK");
}

TEST_F(SessionTest, ControlAnswersWinOverTheSessionFunctions) {
    ASSERT_EQ(control("PUT", "/answer/LOGIN", "").status, 200);
    EXPECT_EQ(client_.call(kLoginOk), "");
    EXPECT_EQ(client_.call("function=CHECKSTATUSES"), "NOP"); // the handler did not run
    control("DELETE", "/answer/LOGIN");
    client_.call(kLoginOk);

    const std::string raw("LOGINPCOK\r\n\0x", 13);
    control("POST", "/answer/LOGINPC/once", raw);
    control("POST", "/answer/LOGOFF/once", "NOP");
    EXPECT_EQ(client_.call(kLoginPcOk), raw);
    EXPECT_EQ(client_.call("function=LOGOFF"), "NOP");
    EXPECT_EQ(client_.call("function=LOGOFF"), "LOGOFFOK"); // the session was still there
}

TEST_F(SessionTest, EachNewClientGetsItsOwnCookieOnce) {
    const sim::Reply first = service_.handle("GET", "/briskopc.asp?function=BENCH", "1");
    const std::string prefix = "ASPSESSIONID=";
    ASSERT_EQ(first.set_cookie.substr(0, prefix.size()), prefix);
    const std::string value = first.set_cookie.substr(prefix.size(), 24);
    EXPECT_EQ(first.set_cookie, prefix + value + "; path=/");
    for (const char c : value) {
        EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c))) << value;
    }
    EXPECT_NE(service_.handle("GET", "/briskopc.asp?function=BENCH", "1").set_cookie,
              first.set_cookie);
    // A client that sends it back (among other cookies) gets none and is known.
    const std::string cookies = "lang=pl; ASPSESSIONID=" + value + "; x=1";
    service_.handle("GET", "/briskopc.asp?" + kLoginOk, "1", cookies);
    const sim::Reply known =
        service_.handle("GET", "/briskopc.asp?function=CHECKSTATUSES", "1", cookies);
    EXPECT_EQ(known.set_cookie, "");
    EXPECT_EQ(known.body, "CHECKSTATUSESOK");
    // Not for other paths.
    EXPECT_EQ(service_.handle("GET", "/favicon.ico", "1").set_cookie, "");
}

TEST(CookieValue, FindsTheNamedCookieInAnyHeader) {
    EXPECT_EQ(sim::cookie_value("ASPSESSIONID=AB12", "ASPSESSIONID"), "AB12");
    EXPECT_EQ(sim::cookie_value("a=1;ASPSESSIONID= AB12 ;b=2", "ASPSESSIONID"), "AB12");
    EXPECT_EQ(sim::cookie_value("a=1; \tASPSESSIONID=x=y", "ASPSESSIONID"), "x=y");
    EXPECT_EQ(sim::cookie_value("XASPSESSIONID=1; ASPSESSIONIDX=2", "ASPSESSIONID"), "");
    EXPECT_EQ(sim::cookie_value("ASPSESSIONID=1; ASPSESSIONID=2", "ASPSESSIONID"), "1");
    for (const char* empty : {"", ";", "; ;", "ASPSESSIONID", "ASPSESSIONID=", "ASPSESSIONID= \t",
                              "=ASPSESSIONID", " ASPSESSIONID ;"}) {
        EXPECT_EQ(sim::cookie_value(empty, "ASPSESSIONID"), "") << empty;
    }
}

TEST(WebSessionRule, FunctionsThatNeedASessionAnswerNopWithoutOne) {
    sim::FunctionTable table;
    std::string seen;
    table.add("PING",
              sim::with_web_session([&seen](const sim::Call&, sim::World&, sim::Account& account) {
                  seen += account.login + ";";
                  return std::string("PINGOK");
              }));
    sim::World world = make_world();
    world.web_sessions["C1"] = "+48601000002";
    world.web_sessions["C2"] = "+48699999999"; // an account that is gone
    sim::Service service(std::move(world), std::move(table));
    const auto ping = [&service](const std::string& cookie) {
        return service.handle("GET", "/briskopc.asp?function=PING", "1", "ASPSESSIONID=" + cookie)
            .body;
    };
    EXPECT_EQ(ping("C1"), "PINGOK");
    EXPECT_EQ(ping("C2"), "NOP");
    EXPECT_EQ(ping("C3"), "NOP");
    EXPECT_EQ(service.handle("GET", "/briskopc.asp?function=PING", "1").body, "NOP");
    EXPECT_EQ(seen, "+48601000002;");
}

TEST(EscapePolishLetters, EscapesTheEighteenLettersOnly) {
    EXPECT_EQ(sim::escape_polish_letters("\xB9\xE6\xEA\x9C\xBF\x9F\xB3\xF3\xF1"
                                         "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\xAF\x8F"),
              "%B9%E6%EA%9C%BF%9F%B3%F3%F1%A5%C6%CA%A3%D1%D3%8C%AF%8F");
    const std::string others("Ala %B9 \xE9\xE1\x8A\xFF+\0!", 15); // é á Š ˙ stay
    EXPECT_EQ(sim::escape_polish_letters(others), others);
    EXPECT_EQ(sim::escape_polish_letters(""), "");
}
