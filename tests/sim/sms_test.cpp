// The SMS functions and their control commands through the service, without
// sockets.
#include "control.hpp"
#include "seed.hpp"
#include "service.hpp"
#include "service_client.hpp"
#include "world.hpp"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

using simtest::Client;

// Zofia pays 25 a plain part and 50 one with Polish letters (class 1), Jan
// 20 and 40 (class 2), Ewa 30 and 60 (class 0).
const char kSeed[] = "account +48600100200 zofia \"Zofia\" 1000 30 1\n"
                     "account +48600100201 jan \"Jan\" 100 30 2\n"
                     "account +48600100202 ewa \"Ewa\" 24 30 0\n";

const std::string kZofia = "function=LOGIN&usr_login=%2B48600100200&usr_pass=zofia";
const std::string kJan = "function=LOGIN&usr_login=%2B48600100201&usr_pass=jan";
const std::string kEwa = "function=LOGIN&usr_login=%2B48600100202&usr_pass=ewa";
const std::string kDefaultCosts = "COSTSOK\r\n1;0;30;1;1;25;1;2;20;14;0;60;14;1;50;14;2;40;0;0;0;";

sim::World world_of(std::string_view seed_text) {
    const sim::SeedParse p = sim::parse_seed(seed_text);
    EXPECT_TRUE(p.ok());
    return sim::World::from_seed(p.seed);
}

std::string send(const std::string& to, const std::string& body, const char* unicode = "0",
                 const char* sms_class = "1") {
    return "function=SENDLONGSMS&to=" + to + "&body=" + body + "&class=" + sms_class +
           "&unicode=" + unicode;
}

class SmsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(zofia_.call(kZofia).substr(0, 9), "LOGINOK\r\n"); }

    sim::ControlReply control(const char* method, const std::string& target) {
        return sim::handle_control({method, target, ""}, service_, nullptr);
    }
    std::string accounts() { return control("GET", "/accounts").body; }
    std::string sms_list() { return control("GET", "/sms").body; }

    sim::Service service_{world_of(kSeed)};
    Client zofia_{service_};
};

TEST_F(SmsTest, SendLongSmsTakesThePriceAndGivesRisingIds) {
    EXPECT_EQ(zofia_.call(send("48601234567", "Test+1", "0", "0")),
              "SENDSMSOK\r\n975\r\n123456\r\n");
    EXPECT_EQ(zofia_.call(send("48501234567", "%A3%F3d%9F", "1")),
              "SENDSMSOK\r\n925\r\n123457\r\n");

    Client jan(service_);
    jan.call(kJan);
    EXPECT_EQ(jan.call(send("48600100200", "Hej")), "SENDSMSOK\r\n80\r\n123458\r\n");
    EXPECT_EQ(jan.call(send("48600100200", "Cze%9C%E6", "1")), "SENDSMSOK\r\n40\r\n123459\r\n");

    EXPECT_EQ(sms_list(), "123456 +48600100200 +48601234567 class0=1 unicode=0 Test 1\n"
                          "123457 +48600100200 +48501234567 class0=0 unicode=1 \xA3\xF3"
                          "d\x9F\n"
                          "123458 +48600100201 +48600100200 class0=0 unicode=0 Hej\n"
                          "123459 +48600100201 +48600100200 class0=0 unicode=1 Cze\x9C\xE6\n");
    EXPECT_EQ(accounts(), "+48600100200 925 30 1 logged-in\n"
                          "+48600100201 40 30 2 logged-in\n"
                          "+48600100202 24 30 0 logged-out\n");
}

TEST_F(SmsTest, AnSmsWhoseAnswerIsLostIsSentAllTheSame) {
    ASSERT_EQ(control("POST", "/lose/SENDLONGSMS").status, 200);
    const sim::Reply lost = service_.handle("GET", "/briskopc.asp?" + send("48601234567", "Test"),
                                            "1", zofia_.cookie());
    EXPECT_TRUE(lost.lost);
    EXPECT_EQ(sms_list(), "123456 +48600100200 +48601234567 class0=0 unicode=0 Test\n");
    EXPECT_EQ(zofia_.call(send("48601234567", "Again")), "SENDSMSOK\r\n950\r\n123457\r\n");
}

TEST_F(SmsTest, LongSmsPaysForEveryPart) {
    // Plain: one part up to 160 characters, then 153 a part; with Polish
    // letters 70, then 67.
    const struct {
        size_t length;
        const char* unicode;
        const char* balance;
    } cases[] = {
        {160, "0", "975"}, {161, "0", "925"}, {306, "0", "875"}, {307, "0", "800"},
        {70, "1", "750"},  {71, "1", "650"},  {134, "1", "550"}, {135, "1", "400"},
    };
    int id = 123456;
    for (const auto& c : cases) {
        EXPECT_EQ(zofia_.call(send("48601234567", std::string(c.length, 'x'), c.unicode)),
                  std::string("SENDSMSOK\r\n") + c.balance + "\r\n" + std::to_string(id++) + "\r\n")
            << c.length << " unicode=" << c.unicode;
    }
}

TEST_F(SmsTest, NoCreditsLeavesTheBalanceAndRecordsNothing) {
    Client ewa(service_);
    ewa.call(kEwa);
    EXPECT_EQ(ewa.call(send("48601234567", "Za+ma%B3o")), "NOCREDITS\r\n24\r\n0\r\n");
    ASSERT_EQ(control("PUT", "/credits/+48600100202?value=30").status, 200);
    EXPECT_EQ(ewa.call(send("48601234567", "Teraz+tak")), "SENDSMSOK\r\n0\r\n123456\r\n");
    EXPECT_EQ(ewa.call(send("48601234567", "Ju%BF+nie")), "NOCREDITS\r\n0\r\n0\r\n");
    // Two parts cost 60 with 59 on the account.
    ASSERT_EQ(control("PUT", "/credits/+48600100202?value=59").status, 200);
    EXPECT_EQ(ewa.call(send("48601234567", std::string(161, 'x'))), "NOCREDITS\r\n59\r\n0\r\n");
    EXPECT_EQ(sms_list(), "123456 +48600100202 +48601234567 class0=0 unicode=0 Teraz tak\n");
}

TEST_F(SmsTest, BadRecipientOrEmptyBodyFails) {
    for (const char* query : {
             "to=601234567&body=x",      // without 48
             "to=4860123456&body=x",     // 10 digits
             "to=486012345678&body=x",   // 12 digits
             "to=49601234567&body=x",    // not Poland
             "to=4860123456a&body=x",    //
             "to=%2B48601234567&body=x", // the "+" is not sent
             "to=48601+34567&body=x",    //
             "body=x",                   // no recipient
             "to=48601234567&body=",     // empty text
             "to=48601234567",           // no text
         }) {
        EXPECT_EQ(zofia_.call(std::string("function=SENDLONGSMS&") + query),
                  "SENDSMSFAILED\r\n1000\r\n0\r\n")
            << query;
    }
    EXPECT_EQ(sms_list(), "");
    EXPECT_EQ(zofia_.call(send("48601234567", "x")), "SENDSMSOK\r\n975\r\n123456\r\n");
}

TEST_F(SmsTest, TextArrivesAsCp1250Bytes) {
    EXPECT_EQ(zofia_.call(send("48601234567", "Za%BF%F3%B3%E6+g%EA%9Cl%B9", "1")),
              "SENDSMSOK\r\n950\r\n123456\r\n");
    // Line ends and "\" are written \xHH so that every SMS stays one line;
    // a "+" escaped as %2B is a plus.
    EXPECT_EQ(zofia_.call(send("48601234567", "a%0D%0Ab%5Cc+%2B1%25")),
              "SENDSMSOK\r\n925\r\n123457\r\n");
    EXPECT_EQ(sms_list(), "123456 +48600100200 +48601234567 class0=0 unicode=1 "
                          "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9\n"
                          "123457 +48600100200 +48601234567 class0=0 unicode=0 "
                          "a\\x0D\\x0Ab\\x5Cc +1%\n");
    service_.with_world([](sim::World& world) {
        ASSERT_EQ(world.sms.size(), 2u);
        EXPECT_EQ(world.sms[1].text, "a\r\nb\\c +1%");
    });
}

TEST_F(SmsTest, WithoutWebSessionEveryFunctionAnswersNop) {
    Client stranger(service_);
    for (const std::string& query : {send("48601234567", "x"), std::string("function=GETCOSTS"),
                                     std::string("function=STATUSSMS")}) {
        EXPECT_EQ(stranger.call(query), "NOP") << query;
    }
    ASSERT_EQ(control("POST", "/expire").status, 200);
    EXPECT_EQ(zofia_.call(send("48601234567", "x")), "NOP");
    EXPECT_EQ(sms_list(), "");
    EXPECT_EQ(accounts().substr(0, 18), "+48600100200 1000 ");
}

TEST_F(SmsTest, GetCostsListsThePriceTable) {
    EXPECT_EQ(zofia_.call("function=GETCOSTS"), kDefaultCosts);

    // A price of 0 leaves the list; other types join it in order.
    ASSERT_EQ(control("PUT", "/prices?type=1&class=0&value=0").status, 200);
    ASSERT_EQ(control("PUT", "/prices?type=15&class=2&value=7").status, 200);
    ASSERT_EQ(control("PUT", "/prices?type=1&class=1&value=11").status, 200);
    EXPECT_EQ(zofia_.call("function=GETCOSTS"),
              "COSTSOK\r\n1;1;11;1;2;20;14;0;60;14;1;50;14;2;40;15;2;7;0;0;0;");
    // SENDLONGSMS charges the new price.
    EXPECT_EQ(zofia_.call(send("48601234567", "x")), "SENDSMSOK\r\n989\r\n123456\r\n");

    for (const char* bad : {"/prices?type=0&class=0&value=1", "/prices?type=16&class=0&value=1",
                            "/prices?type=1&class=3&value=1", "/prices?type=1&class=-1&value=1",
                            "/prices?type=1&class=0&value=-1", "/prices?type=1&class=0&value=x",
                            "/prices?type=1&class=0", "/prices?class=0&value=1", "/prices"}) {
        EXPECT_EQ(control("PUT", bad).status, 400) << bad;
    }
    EXPECT_EQ(control("GET", "/prices?type=1&class=0&value=1").status, 405);
    EXPECT_EQ(zofia_.call("function=GETCOSTS"),
              "COSTSOK\r\n1;1;11;1;2;20;14;0;60;14;1;50;14;2;40;15;2;7;0;0;0;");
}

// 2024-03-05 14:07:09 in local time.
std::time_t march_fifth() {
    std::tm tm{};
    tm.tm_year = 124;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 14;
    tm.tm_min = 7;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST_F(SmsTest, StatusSmsReportsTheAccountsSms) {
    Client jan(service_);
    jan.call(kJan);
    EXPECT_EQ(zofia_.call("function=STATUSSMS"), "NOSTATUS");
    zofia_.call(send("48601234567", "Raz"));
    zofia_.call(send("48501234567", "%A3%F3d%9F", "1"));
    jan.call(send("48601234567", "Jana"));
    zofia_.call(send("48601234567", std::string(200, 'x'), "0", "0"));
    service_.with_world([](sim::World& world) {
        for (sim::SentSms& sms : world.sms) {
            sms.accepted = march_fifth() + 60 * (sms.id - 123456);
        }
    });

    EXPECT_EQ(zofia_.call("function=STATUSSMS"),
              "STATUSOK 3\r\n"
              "1;SMS;+48600100200;+48601234567;25;2024-03-05 14:07:09;2024-03-05 14:07:09;"
              "dor%EAczony;\r\n"
              "2;SMS z polskimi znakami;+48600100200;+48501234567;50;2024-03-05 14:08:09;"
              "2024-03-05 14:08:09;dor%EAczony;\r\n"
              "3;SMS;+48600100200;+48601234567;50;2024-03-05 14:10:09;2024-03-05 14:10:09;"
              "dor%EAczony;\r\n");
    EXPECT_EQ(zofia_.call("function=STATUSSMS&number=501234567"),
              "STATUSOK 1\r\n"
              "1;SMS z polskimi znakami;+48600100200;+48501234567;50;2024-03-05 14:08:09;"
              "2024-03-05 14:08:09;dor%EAczony;\r\n");
    EXPECT_EQ(jan.call("function=STATUSSMS&number=601234567"),
              "STATUSOK 1\r\n"
              "1;SMS;+48600100201;+48601234567;20;2024-03-05 14:09:09;2024-03-05 14:09:09;"
              "dor%EAczony;\r\n");
    for (const char* number : {"600100200", "60123456", "%2B48601234567", ""}) {
        EXPECT_EQ(zofia_.call(std::string("function=STATUSSMS&number=") + number), "NOSTATUS")
            << number;
    }
    // The report is the record's: cleared with it.
    ASSERT_EQ(control("DELETE", "/sms").status, 200);
    EXPECT_EQ(zofia_.call("function=STATUSSMS"), "NOSTATUS");
}

TEST_F(SmsTest, ControlSetsCreditsAndClearsTheRecord) {
    zofia_.call(send("48601234567", "x"));
    ASSERT_EQ(control("DELETE", "/sms").status, 200);
    EXPECT_EQ(sms_list(), "");
    // The balance stays as the SMS left it; ids go on rising.
    EXPECT_EQ(zofia_.call(send("48601234567", "y")), "SENDSMSOK\r\n950\r\n123457\r\n");
    EXPECT_EQ(sms_list(), "123457 +48600100200 +48601234567 class0=0 unicode=0 y\n");
    EXPECT_EQ(control("POST", "/sms").status, 405);

    EXPECT_EQ(control("PUT", "/credits/%2B48600100200?value=-5").status, 200);
    EXPECT_EQ(zofia_.call(send("48601234567", "z")), "NOCREDITS\r\n-5\r\n0\r\n");
    EXPECT_EQ(control("PUT", "/credits/+48600100200?value=2147483647").status, 200);
    EXPECT_EQ(accounts().substr(0, 24), "+48600100200 2147483647 ");
    for (const char* bad : {"/credits/+48600100200?value=2147483648",
                            "/credits/+48600100200?value=", "/credits/+48600100200?value=1e3",
                            "/credits/+48600100200?value=+5", "/credits/+48600100200"}) {
        EXPECT_EQ(control("PUT", bad).status, 400) << bad;
    }
    EXPECT_EQ(control("PUT", "/credits/+48999999999?value=1").status, 404);
    EXPECT_EQ(control("GET", "/credits/+48600100200?value=1").status, 405);
    EXPECT_EQ(accounts().substr(0, 24), "+48600100200 2147483647 ");
}

} // namespace
