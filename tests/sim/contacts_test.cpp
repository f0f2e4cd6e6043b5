// The contact functions and their control commands through the service,
// without sockets.
#include "control.hpp"
#include "seed.hpp"
#include "service.hpp"
#include "service_client.hpp"
#include "world.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using simtest::Client;

// Zofia (user 17) has two contacts: Dom, no user, and Jan (user 18). Ewa is
// user 19 and in nobody's list.
const char kSeed[] = "account +48600100200 zofia \"Zofia\" 1 1 1\n"
                     "account +48600100201 jan \"Jan\" 1 1 1\n"
                     "account +48600100202 ewa \"Ewa\" 1 1 1\n"
                     "contact +48600100200 Dom +48601234567\n"
                     "contact +48600100200 Jan +48600100201\n";

const std::string kZofia = "function=LOGIN&usr_login=%2B48600100200&usr_pass=zofia";
const std::string kJan = "function=LOGIN&usr_login=%2B48600100201&usr_pass=jan";
const std::string kZofiasList = "CONTACTSOK\r\nDom;+48601234567;0;-1;Jan;+48600100201;18;0;";
const std::string kFailed = "CONTACTFAILED";

sim::World world_of(std::string_view seed_text) {
    const sim::SeedParse p = sim::parse_seed(seed_text);
    EXPECT_TRUE(p.ok());
    return sim::World::from_seed(p.seed);
}

class ContactsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(zofia_.call(kZofia).substr(0, 9), "LOGINOK\r\n"); }

    sim::ControlReply control(const char* method, const std::string& target) {
        return sim::handle_control({method, target, ""}, service_, nullptr);
    }
    std::string zofias_contacts() { return control("GET", "/contacts/+48600100200").body; }

    sim::Service service_{world_of(kSeed)};
    Client zofia_{service_};
};

TEST_F(ContactsTest, GetContactsShowsUsersWithTheirPresence) {
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), kZofiasList);

    // Jan's presence follows his web session and the control interface.
    Client jan(service_);
    jan.call(kJan);
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"),
              "CONTACTSOK\r\nDom;+48601234567;0;-1;Jan;+48600100201;18;1;");
    ASSERT_EQ(control("PUT", "/presence/+48600100201?value=3").status, 200);
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"),
              "CONTACTSOK\r\nDom;+48601234567;0;-1;Jan;+48600100201;18;3;");
    EXPECT_EQ(jan.call("function=LOGOFF"), "LOGOFFOK");
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), kZofiasList);
    ASSERT_EQ(control("PUT", "/presence/%2B48600100201?value=-1").status, 200);
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"),
              "CONTACTSOK\r\nDom;+48601234567;0;-1;Jan;+48600100201;18;-1;");

    // Each account has its own list; Jan's is empty.
    jan.call(kJan);
    EXPECT_EQ(jan.call("function=GETCONTACTS"), "CONTACTSOK\r\n");
}

TEST_F(ContactsTest, AddNewContactAppendsWithTheNumbersPresenceAndUserId) {
    EXPECT_EQ(zofia_.call("function=ADDNEWCONTACT&name=Praca&number=501234567"),
              "CONTACTOK\r\n-1\r\n0\r\n");
    EXPECT_EQ(zofia_.call("function=ADDNEWCONTACT&name=Ewa+B.&number=600100202"),
              "CONTACTOK\r\n0\r\n19\r\n");
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"),
              kZofiasList + "Praca;+48501234567;0;-1;Ewa B.;+48600100202;19;0;");
    EXPECT_EQ(zofias_contacts(), "Dom;+48601234567;0;-1\n"
                                 "Jan;+48600100201;18;0\n"
                                 "Praca;+48501234567;0;-1\n"
                                 "Ewa B.;+48600100202;19;0\n");
}

TEST_F(ContactsTest, AddNewContactRefusesBadNamesNumbersAndDuplicates) {
    for (const char* query : {
             "name=Kopia&number=601234567",     // Dom's number
             "name=Kopia&number=600100201",     // Jan's number
             "name=Kr%F3tki&number=50123456",   // 8 digits
             "name=D%B3ugi&number=5012345678",  // 10 digits
             "name=Litera&number=50123456a",    //
             "name=Plus&number=%2B48501234567", // the prefix is not sent
             "name=Spacja&number=501+234567",   //
             "name=&number=501234567",          // empty name
             "name=A%3BB&number=501234567",     // ";" would split the list
             "name=A;B&number=501234567",       //
             "number=501234567",                // no name
             "name=Bez+numeru",                 // no number
         }) {
        EXPECT_EQ(zofia_.call(std::string("function=ADDNEWCONTACT&") + query), kFailed) << query;
    }
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), kZofiasList);
}

TEST_F(ContactsTest, EditContactRenamesAndRenumbers) {
    // Same number, new name: the contact keeps its place.
    EXPECT_EQ(zofia_.call("function=EDITCONTACT&name=Dom+rodzinny&number=601234567&newnumber="
                          "601234567"),
              "CONTACTOK\r\n-1\r\n0\r\n");
    // To Ewa's number: the answer is Ewa's presence and user id.
    ASSERT_EQ(control("PUT", "/presence/+48600100202?value=2").status, 200);
    EXPECT_EQ(zofia_.call("function=EDITCONTACT&name=Ewa&number=601234567&newnumber=600100202"),
              "CONTACTOK\r\n2\r\n19\r\n");
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"),
              "CONTACTSOK\r\nEwa;+48600100202;19;2;Jan;+48600100201;18;0;");
    // Jan off the service's list of users: his old number is free again.
    EXPECT_EQ(zofia_.call("function=EDITCONTACT&name=Jan&number=600100201&newnumber=601234567"),
              "CONTACTOK\r\n-1\r\n0\r\n");
    EXPECT_EQ(zofias_contacts(), "Ewa;+48600100202;19;2\nJan;+48601234567;0;-1\n");
}

TEST_F(ContactsTest, EditContactRefusals) {
    for (const char* query : {
             "name=X&number=501234567&newnumber=501234568",  // unknown old number
             "name=X&number=601234567&newnumber=600100201",  // Jan's number
             "name=X&number=601234567&newnumber=60123456",   // 8 digits
             "name=X&number=601234567&newnumber=6012345670", // 10 digits
             "name=X&number=601234567&newnumber=",           //
             "name=X&number=601234567",                      // no new number
             "name=&number=601234567&newnumber=601234567",   // empty name
             "name=X%3BY&number=601234567&newnumber=601234567",
             "number=601234567&newnumber=601234567", // no name
             "name=X&number=%2B48601234567&newnumber=601234567",
         }) {
        EXPECT_EQ(zofia_.call(std::string("function=EDITCONTACT&") + query), kFailed) << query;
    }
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), kZofiasList);
}

TEST_F(ContactsTest, DeleteContactRemovesByNumber) {
    for (const char* query : {"name=Dom&number=501234567", "name=Dom&number=60123456",
                              "name=Dom&number=%2B48601234567", "name=Dom"}) {
        EXPECT_EQ(zofia_.call(std::string("function=DELETECONTACT&") + query), kFailed) << query;
    }
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), kZofiasList);

    // The number names the contact; the name is not checked.
    EXPECT_EQ(zofia_.call("function=DELETECONTACT&name=Inny&number=601234567"), "CONTACTOK");
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), "CONTACTSOK\r\nJan;+48600100201;18;0;");
    EXPECT_EQ(zofia_.call("function=DELETECONTACT&name=Dom&number=601234567"), kFailed);
    EXPECT_EQ(zofia_.call("function=DELETECONTACT&name=Jan&number=600100201"), "CONTACTOK");
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), "CONTACTSOK\r\n");
    EXPECT_EQ(zofias_contacts(), "");
    // A deleted number can be added again.
    EXPECT_EQ(zofia_.call("function=ADDNEWCONTACT&name=Dom&number=601234567"),
              "CONTACTOK\r\n-1\r\n0\r\n");
}

TEST_F(ContactsTest, PolishLettersAreDecodedFromRequestsAndEscapedInTheList) {
    // "Łucja Żółtowska" in cp1250, escaped as the client sends it.
    EXPECT_EQ(zofia_.call("function=ADDNEWCONTACT&name=%A3ucja+%AF%F3%B3towska&number=501234567"),
              "CONTACTOK\r\n-1\r\n0\r\n");
    // "Gęś" as the new name of Dom.
    EXPECT_EQ(zofia_.call("function=EDITCONTACT&name=G%EA%9C&number=601234567&newnumber=601234567"),
              "CONTACTOK\r\n-1\r\n0\r\n");
    EXPECT_EQ(zofias_contacts(), "G\xEA\x9C;+48601234567;0;-1\n"
                                 "Jan;+48600100201;18;0\n"
                                 "\xA3ucja \xAF\xF3\xB3towska;+48501234567;0;-1\n");
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"),
              "CONTACTSOK\r\nG%EA%9C;+48601234567;0;-1;Jan;+48600100201;18;0;"
              "%A3ucja %AF%F3%B3towska;+48501234567;0;-1;");
}

TEST_F(ContactsTest, EveryContactFunctionNeedsAWebSession) {
    const std::string queries[] = {
        "function=GETCONTACTS",
        "function=ADDNEWCONTACT&name=Praca&number=501234567",
        "function=EDITCONTACT&name=X&number=601234567&newnumber=601234567",
        "function=DELETECONTACT&name=Dom&number=601234567",
    };
    Client stranger(service_);
    for (const std::string& query : queries) {
        EXPECT_EQ(stranger.call(query), "NOP") << query;
    }
    ASSERT_EQ(zofia_.call("function=LOGOFF"), "LOGOFFOK");
    for (const std::string& query : queries) {
        EXPECT_EQ(zofia_.call(query), "NOP") << query;
    }
    EXPECT_EQ(zofias_contacts(), "Dom;+48601234567;0;-1\nJan;+48600100201;18;0\n");
}

TEST_F(ContactsTest, PresenceAndContactsCommandsCheckTheirInput) {
    for (const char* value : {"-2", "4", "", "1x", "+1", "01", "%201", "1.0"}) {
        const sim::ControlReply r =
            control("PUT", std::string("/presence/+48600100201?value=") + value);
        EXPECT_EQ(r.status, 400) << value;
    }
    EXPECT_EQ(control("PUT", "/presence/+48600100201").status, 400);
    EXPECT_EQ(control("PUT", "/presence/+48699999999?value=1").status, 404);
    EXPECT_EQ(control("PUT", "/presence/?value=1").status, 404);
    EXPECT_EQ(control("GET", "/presence/+48600100201?value=1").status, 405);
    EXPECT_EQ(zofia_.call("function=GETCONTACTS"), kZofiasList);

    EXPECT_EQ(control("GET", "/contacts/+48699999999").status, 404);
    EXPECT_EQ(control("GET", "/contacts/").status, 404);
    EXPECT_EQ(control("POST", "/contacts/+48600100200").status, 405);
    const sim::ControlReply empty = control("GET", "/contacts/+48600100202");
    EXPECT_EQ(empty.status, 200);
    EXPECT_EQ(empty.body, "");
}

TEST(DemoContacts, TheDemoAccountSeesJanAsAUser) {
    sim::Service service(world_of(sim::demo_seed_text()));
    Client zofia(service);
    zofia.call("function=LOGIN&usr_login=%2B48600100200&usr_pass=haslo123");
    Client jan(service);
    jan.call("function=LOGIN&usr_login=%2B48600100201&usr_pass=haslo456");
    EXPECT_EQ(zofia.call("function=GETCONTACTS"),
              "CONTACTSOK\r\n"
              "Jan Kowalski;+48600100201;18;1;"
              "Dom;+48226543210;0;-1;"
              "%A3ucja %AF%F3%B3towska;+48501234567;0;-1;"
              "Praca;+48601234567;0;-1;"
              "Grzegorz Brz%EAczyszczykiewicz;+48512345678;0;-1;"
              "Beata Nowak;+48600100202;19;0;"
              "Cezary Wi%9Cniewski;+48600100203;20;0;"
              "Dorota Lewandowska;+48600100204;21;0;");
    EXPECT_EQ(jan.call("function=GETCONTACTS"), "CONTACTSOK\r\nZosia;+48600100200;17;1;");
}

} // namespace
