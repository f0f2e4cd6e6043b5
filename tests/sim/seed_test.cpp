#include "seed.hpp"

#include <gtest/gtest.h>

#include <string>

using sim::Account;
using sim::parse_seed;
using sim::SeedAutoReply;
using sim::SeedContact;
using sim::SeedParse;

namespace {

// The single error of a parse that must have exactly one.
sim::SeedError only_error(const SeedParse& p) {
    EXPECT_EQ(p.errors.size(), 1u);
    return p.errors.empty() ? sim::SeedError{0, ""} : p.errors[0];
}

} // namespace

TEST(SeedParse, DemoSeedHasTheDemoAccountFirstAndPolishContacts) {
    const SeedParse p = parse_seed(sim::demo_seed_text());
    ASSERT_TRUE(p.ok());
    ASSERT_EQ(p.seed.accounts.size(), 5u);
    const Account& a = p.seed.accounts[0];
    EXPECT_EQ(a.login, "+48600100200");
    EXPECT_EQ(a.password, "haslo123");
    EXPECT_EQ(a.display_name, "Zofia W\xF3jcik"); // ó is 0xF3 in cp1250
    EXPECT_EQ(a.credits, 250);
    EXPECT_EQ(a.days, 30);
    EXPECT_EQ(a.account_class, 1);
    EXPECT_EQ(p.seed.accounts[1].login, "+48600100201");
    EXPECT_EQ(p.seed.accounts[1].password, "haslo456");

    ASSERT_EQ(p.seed.contacts.size(), 9u);
    EXPECT_EQ(p.seed.contacts[0], (SeedContact{"+48600100200", {"Jan Kowalski", "+48600100201"}}));
    EXPECT_EQ(p.seed.contacts[2],
              (SeedContact{"+48600100200", {"\xA3ucja \xAF\xF3\xB3towska", "+48501234567"}}));
    EXPECT_EQ(p.seed.contacts[5], (SeedContact{"+48600100201", {"Zosia", "+48600100200"}}));
    // Jan Kowalski answers texts.
    EXPECT_EQ(p.seed.auto_replies, (std::vector<SeedAutoReply>{{"+48600100201", 1000}}));
}

TEST(SeedParse, AutoRepliesNameAnAccountAboveOnceWithADelayInRange) {
    const SeedParse p = parse_seed("autoreply +1 5\n"
                                   "account +1 p n 1 2 3\n"
                                   "autoreply +1 600001\n"
                                   "autoreply +1 -1\n"
                                   "autoreply +1\n"
                                   "autoreply +1 600000\n"
                                   "autoreply +1 0\n");
    ASSERT_EQ(p.errors.size(), 5u);
    EXPECT_NE(p.errors[0].message.find("LOGIN +1 is no account"), std::string::npos);
    EXPECT_EQ(p.errors[1].line, 3);
    EXPECT_EQ(p.errors[2].line, 4);
    EXPECT_EQ(p.errors[3].line, 5);
    EXPECT_NE(p.errors[4].message.find("already on line 6"), std::string::npos);
    EXPECT_EQ(p.seed.auto_replies, (std::vector<SeedAutoReply>{{"+1", 600000}}));
}

TEST(SeedParse, ContactLinesBelongToAnAccountAbove) {
    const SeedParse p = parse_seed("account +48600100200 p \"Zofia\" 1 2 3\n"
                                   "contact +48600100200 \"Żaneta Ćwik #2\" +48501234567\n"
                                   "contact +48600100201 Jan +48600100202 # owner below\n"
                                   "account +48600100201 p \"Jan\" 1 2 3\n"
                                   "contact\t+48600100201  Zosia\t+48600100200\r\n"
                                   "contact +48600100201 Dom +48501234567\n"
                                   "contact +48699999999 Nikt +48501234567\n");
    ASSERT_EQ(p.errors.size(), 2u);
    EXPECT_EQ(p.errors[0].line, 3);
    EXPECT_NE(p.errors[0].message.find("OWNER +48600100201"), std::string::npos)
        << p.errors[0].message;
    EXPECT_EQ(p.errors[1].line, 7);
    EXPECT_NE(p.errors[1].message.find("OWNER +48699999999"), std::string::npos)
        << p.errors[1].message;
    ASSERT_EQ(p.seed.contacts.size(), 3u);
    EXPECT_EQ(p.seed.contacts[0], (SeedContact{"+48600100200",
                                               {"\xAF"
                                                "aneta \xC6wik #2",
                                                "+48501234567"}}));
    EXPECT_EQ(p.seed.contacts[1], (SeedContact{"+48600100201", {"Zosia", "+48600100200"}}));
    // Two lists may hold the same number.
    EXPECT_EQ(p.seed.contacts[2], (SeedContact{"+48600100201", {"Dom", "+48501234567"}}));
}

TEST(SeedParse, RejectsBadContacts) {
    const std::string owner = "account +48600100200 p n 1 2 3\n";
    const struct {
        const char* line;
        const char* message_part;
    } cases[] = {
        {"contact +48600100200 Dom", "found 2"},
        {"contact +48600100200 Dom +48501234567 x", "found 4"},
        {"contact +48600100200 Dom 501234567", "NUMBER"},
        {"contact +48600100200 Dom +4850123456", "NUMBER"},
        {"contact +48600100200 Dom +485012345678", "NUMBER"},
        {"contact +48600100200 Dom +49501234567", "NUMBER"},
        {"contact +48600100200 Dom +4850123456a", "NUMBER"},
        {"contact +48600100200 Dom \"+48 501234567\"", "NUMBER"},
        {"contact +48600100200 \"\" +48501234567", "NAME"},
        {"contact +48600100200 A;B +48501234567", "NAME"},
        {"contact +48600100200 \"\xE2\x9C\x93\" +48501234567", "U+2713"},
    };
    for (const auto& c : cases) {
        const sim::SeedError e = only_error(parse_seed(owner + c.line));
        EXPECT_EQ(e.line, 2) << c.line;
        EXPECT_NE(e.message.find(c.message_part), std::string::npos) << c.line << ": " << e.message;
    }
}

TEST(SeedParse, DuplicateContactNamesTheFirstLine) {
    const SeedParse p = parse_seed("account +48600100200 p n 1 2 3\n"
                                   "contact +48600100200 Dom +48501234567\n"
                                   "contact +48600100200 Praca +48501234567\n");
    const sim::SeedError e = only_error(p);
    EXPECT_EQ(e.line, 3);
    EXPECT_NE(e.message.find("+48501234567 on line 2"), std::string::npos) << e.message;
    ASSERT_EQ(p.seed.contacts.size(), 1u);
    EXPECT_EQ(p.seed.contacts[0].contact.name, "Dom");
}

TEST(SeedParse, CommentsBlankLinesCrlfTabsBomAndQuotes) {
    const SeedParse p =
        parse_seed("\xEF\xBB\xBF# world for a test\r\n"
                   "\r\n"
                   "   \t\n"
                   "account\t+48601000001 \"two words\" \"Zażółć \\\"gęślą\\\" \\\\ #1\" "
                   "0 -5 2 # trailing comment\r\n"
                   "account +1 \"\" \"\" 2147483647 -2147483648 0\n"
                   "account +48601000002 pass#word Name 1 2 3");
    ASSERT_TRUE(p.ok()) << p.errors[0].line << ": " << p.errors[0].message;
    ASSERT_EQ(p.seed.accounts.size(), 3u);
    EXPECT_EQ(p.seed.accounts[0].password, "two words");
    EXPECT_EQ(p.seed.accounts[0].display_name, "Za\xBF\xF3\xB3\xE6 \"g\xEA\x9Cl\xB9\" \\ #1");
    EXPECT_EQ(p.seed.accounts[0].days, -5);
    EXPECT_EQ(p.seed.accounts[1].password, "");
    EXPECT_EQ(p.seed.accounts[1].credits, 2147483647);
    EXPECT_EQ(p.seed.accounts[1].days, -2147483648);
    EXPECT_EQ(p.seed.accounts[2].password,
              "pass#word"); // "#" starts a comment only at a word's start
}

TEST(SeedParse, ErrorsCarryLineNumbersAndGoodLinesStillCount) {
    const SeedParse p = parse_seed("account +48601000001 a \"A\" 1 2 3\n"
                                   "acount +48601000002 b \"B\" 1 2 3\n"
                                   "\n"
                                   "account +48601000003 c \"C\" 1 2\n"
                                   "account +48601000004 d \"D\" 1 2 3\n");
    ASSERT_EQ(p.errors.size(), 2u);
    EXPECT_EQ(p.errors[0].line, 2);
    EXPECT_NE(p.errors[0].message.find("unknown entry"), std::string::npos);
    EXPECT_EQ(p.errors[1].line, 4);
    EXPECT_NE(p.errors[1].message.find("found 5"), std::string::npos);
    ASSERT_EQ(p.seed.accounts.size(), 2u);
    EXPECT_EQ(p.seed.accounts[1].login, "+48601000004");
}

TEST(SeedParse, RejectsBadNumbers) {
    for (const char* n : {"2147483648", "-2147483649", "99999999999999999999", "1e3", "+5", "-",
                          "0x10", "1.5", "\"\""}) {
        const std::string line = std::string("account +48601000001 p n 1 ") + n + " 0";
        const sim::SeedError e = only_error(parse_seed(line));
        EXPECT_EQ(e.line, 1) << n;
        EXPECT_NE(e.message.find("DAYS"), std::string::npos) << n << ": " << e.message;
    }
}

TEST(SeedParse, RejectsBadLogins) {
    for (const char* login :
         {"48601000001", "+", "+48 601", "+4860100000a", "+1234567890123456", "\"\""}) {
        const std::string line = std::string("account ") + login + " p n 1 2 3";
        EXPECT_NE(only_error(parse_seed(line)).message.find("LOGIN"), std::string::npos) << login;
    }
    EXPECT_TRUE(parse_seed("account +123456789012345 p n 1 2 3").ok());
}

TEST(SeedParse, RejectsMalformedWords) {
    const struct {
        const char* text;
        const char* message_part;
    } cases[] = {
        {"account +1 \"open n 1 2 3", "no closing quote"},
        {"account +1 p \"a\"b 1 2 3", "closing quote"},
        {"account +1 p \"a\\n\" 1 2 3", "backslash"},
        {"account +1 p \"a\\", "backslash"},
        {"account +1 p a\"b 1 2 3", "quote inside"},
        {"account +1 p \"a\x01\" 1 2 3", "control character"},
        {"account +1 p a\x7F 1 2 3", "control character"},
    };
    for (const auto& c : cases) {
        const sim::SeedError e = only_error(parse_seed(c.text));
        EXPECT_NE(e.message.find(c.message_part), std::string::npos) << c.text << ": " << e.message;
    }
}

TEST(SeedParse, NulByteSpoilsOnlyItsLine) {
    const std::string text("account +1 p n 1 2 3\naccount +2 p\0n 1 2 3\naccount +3 p n 1 2 3\n",
                           63);
    const SeedParse p = parse_seed(text);
    EXPECT_EQ(only_error(p).line, 2);
    EXPECT_EQ(p.seed.accounts.size(), 2u);
}

TEST(SeedParse, TextMustBeUtf8ThatCp1250CanHold) {
    sim::SeedError e = only_error(parse_seed("account +1 p \"check \xE2\x9C\x93\" 1 2 3"));
    EXPECT_NE(e.message.find("U+2713"), std::string::npos) << e.message;
    EXPECT_NE(e.message.find("NAME"), std::string::npos) << e.message;
    e = only_error(parse_seed("account +1 \"\xC5\" n 1 2 3"));
    EXPECT_NE(e.message.find("malformed UTF-8"), std::string::npos) << e.message;
    EXPECT_NE(e.message.find("PASSWORD"), std::string::npos) << e.message;
    // Overlong and surrogate encodings are malformed too.
    EXPECT_FALSE(parse_seed("account +1 p \"\xC0\xAF\" 1 2 3").ok());
    EXPECT_FALSE(parse_seed("account +1 p \"\xED\xA0\x80\" 1 2 3").ok());
    // The euro sign and the Polish letters are in cp1250.
    const SeedParse p = parse_seed("account +1 p \"€ ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż\" 1 2 3");
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.seed.accounts[0].display_name,
              "\x80 \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF");
}

TEST(SeedParse, DuplicateLoginNamesTheFirstLine) {
    const SeedParse p = parse_seed("account +1 a A 1 2 3\n# x\naccount +1 b B 4 5 6\n");
    const sim::SeedError e = only_error(p);
    EXPECT_EQ(e.line, 3);
    EXPECT_NE(e.message.find("already on line 1"), std::string::npos) << e.message;
    ASSERT_EQ(p.seed.accounts.size(), 1u);
    EXPECT_EQ(p.seed.accounts[0].password, "a");
}

TEST(SeedFormat, ReadsBackAsTheSameSeed) {
    sim::Seed seed;
    seed.accounts.push_back({"+48601000001", "", "", 0, 0, 0});
    seed.accounts.push_back({"+1", "p \"q\" \\ # r", "\xA3\xF3\x64\xBC \x80", -1, 2147483647, 2});
    seed.contacts.push_back({"+1", {"\xA3\xF3\x64\xBC \"#\" \\", "+48501234567"}});
    seed.contacts.push_back({"+48601000001", {"x", "+48600000000"}});
    seed.auto_replies.push_back({"+1", 250});
    const SeedParse p = parse_seed(sim::format_seed(seed));
    ASSERT_TRUE(p.ok()) << p.errors[0].message;
    ASSERT_EQ(p.seed.accounts.size(), 2u);
    EXPECT_EQ(p.seed.accounts[0], seed.accounts[0]);
    EXPECT_EQ(p.seed.accounts[1], seed.accounts[1]);
    ASSERT_EQ(p.seed.contacts.size(), 2u);
    EXPECT_EQ(p.seed.contacts[0], seed.contacts[0]);
    EXPECT_EQ(p.seed.contacts[1], seed.contacts[1]);
    EXPECT_EQ(p.seed.auto_replies, seed.auto_replies);
}
