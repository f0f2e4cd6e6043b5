#include "ContactRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PresenceImage, EachPresenceAndOthers) {
    EXPECT_EQ(PresenceImage(3), 17);
    EXPECT_EQ(PresenceImage(2), 14);
    EXPECT_EQ(PresenceImage(1), 3);
    EXPECT_EQ(PresenceImage(0), 5);
    EXPECT_EQ(PresenceImage(-1), 6);
    EXPECT_EQ(PresenceImage(4), 0);
    EXPECT_EQ(PresenceImage(-2), 0);
    EXPECT_EQ(PresenceImage(1000), 0);
}

// The contact item's image table, one row per highlight mode and tick parity;
// columns: presence 3, 2, 1, 0, -1, then a presence out of range.
struct ImageRow {
    int nMode;
    int nTicks;
    int images[6];
};

constexpr ImageRow kImageTable[] = {
    {0, 0, {17, 14, 3, 5, 6, 3}}, {0, 1, {17, 14, 3, 5, 6, 3}},    {1, 0, {17, 14, 3, 5, 3, 3}},
    {1, 1, {7, 7, 7, 13, 3, 3}},  {2, 2, {17, 14, 3, 5, 3, 3}},    {2, 3, {7, 7, 7, 13, 3, 3}},
    {3, 4, {17, 14, 3, 5, 6, 3}}, {3, 5, {10, 10, 10, 12, 11, 3}}, {4, 0, {3, 3, 3, 3, 3, 3}},
    {4, 1, {5, 5, 5, 5, 5, 5}},   {5, 0, {3, 3, 3, 3, 3, 3}},      {5, 1, {3, 3, 3, 3, 3, 3}},
    {-1, 1, {3, 3, 3, 3, 3, 3}},  {1, -1, {7, 7, 7, 13, 3, 3}},
};

TEST(ContactImage, EveryCellOfTheTable) {
    const int presences[6] = {3, 2, 1, 0, -1, 7};
    for (const ImageRow& row : kImageTable) {
        for (int column = 0; column < 6; ++column) {
            EXPECT_EQ(ContactImage(row.nMode, presences[column], row.nTicks), row.images[column])
                << "mode " << row.nMode << ", ticks " << row.nTicks << ", presence "
                << presences[column];
        }
    }
    // Any presence out of range behaves as the last column.
    EXPECT_EQ(ContactImage(0, -2, 0), 3);
    EXPECT_EQ(ContactImage(3, 4, 1), 3);
    EXPECT_EQ(ContactImage(4, -5, 7), 5);
}

TEST(CheckContactInput, NameRules) {
    const std::string number = "601234567";
    EXPECT_EQ(CheckContactInput("", number), ContactInput::EmptyName);
    EXPECT_EQ(CheckContactInput(std::string(100, 'a'), number), ContactInput::Ok);
    EXPECT_EQ(CheckContactInput(std::string(101, 'a'), number), ContactInput::NameTooLong);
    // cp1250 letters are one character each.
    EXPECT_EQ(CheckContactInput(std::string(100, '\263'), number), ContactInput::Ok);
    EXPECT_EQ(CheckContactInput("Jan;Kowalski", number), ContactInput::NameHasSemicolon);
    EXPECT_EQ(CheckContactInput(";", number), ContactInput::NameHasSemicolon);
    EXPECT_EQ(CheckContactInput("Pawe\263 \214ci\271gwa", number), ContactInput::Ok);
    // The name is checked before the number.
    EXPECT_EQ(CheckContactInput("", "x"), ContactInput::EmptyName);
    EXPECT_EQ(CheckContactInput("a;b", "x"), ContactInput::NameHasSemicolon);
}

TEST(CheckContactInput, NumberRules) {
    for (const char* good : {"501234567", "691234567", "601234567", "600000000"}) {
        EXPECT_EQ(CheckContactInput("Dom", good), ContactInput::Ok) << good;
    }
    for (const char* bad : {"701234567", "50123456a", "50123456", "5012345678", "", "510000000",
                            "+48601234", " 60123456", "6012 4567", "061234567"}) {
        EXPECT_EQ(CheckContactInput("Dom", bad), ContactInput::BadNumber) << bad;
    }
}

TEST(ContactInputMessage, TextForEachError) {
    EXPECT_EQ(ContactInputMessage(ContactInput::Ok), nullptr);
    EXPECT_STREQ(ContactInputMessage(ContactInput::EmptyName), "Brak imienia i nazwiska.");
    EXPECT_STREQ(ContactInputMessage(ContactInput::NameTooLong),
                 "D\263ugo\234\346 imienia i nazwiska nie mo\277e by\346 wi\352ksza ni\277 100 "
                 "znak\363w.");
    EXPECT_STREQ(ContactInputMessage(ContactInput::NameHasSemicolon),
                 "Imi\352 i nazwisko nie mo\277e zawiera\346 znaku ;.");
    EXPECT_STREQ(ContactInputMessage(ContactInput::BadNumber), "Nieprawid\263owy numer telefonu!");
}

TEST(SentSmsLabel, CutsLongTextsOnly) {
    const std::string text40 = "0123456789abcdefghijKLMNOPQRST!@#$%^&*()";
    ASSERT_EQ(text40.size(), 40u);
    EXPECT_EQ(SentSmsLabel(text40, "+48601234567", false), "0123456789abcdefghijKLMNOPQRST...");
    EXPECT_EQ(SentSmsLabel(text40, "+48601234567", true),
              "+48601234567: 0123456789abcdefghijKLMNOPQRST...");
    // 30 characters fit whole; 31 are cut.
    EXPECT_EQ(SentSmsLabel(std::string(30, 'x'), "+48601234567", false), std::string(30, 'x'));
    EXPECT_EQ(SentSmsLabel(std::string(31, 'x'), "+48601234567", false),
              std::string(30, 'x') + "...");
    EXPECT_EQ(SentSmsLabel("Czo\263em", "+48501234567", true), "+48501234567: Czo\263em");
    EXPECT_EQ(SentSmsLabel("", "+48501234567", false), "");
}

TEST(SentSmsLabel, LineBreaksBecomeSpacesBeforeTheCut) {
    // 39 characters with CR LF, 30 once each pair is a space: nothing is cut.
    std::string text;
    for (int i = 0; i < 9; ++i) {
        text += "ab\r\n";
    }
    text += "abc";
    EXPECT_EQ(SentSmsLabel(text, "", false), "ab ab ab ab ab ab ab ab ab abc");
    EXPECT_EQ(SentSmsLabel(text + "d", "", false), "ab ab ab ab ab ab ab ab ab abc...");
    // Only whole pairs are replaced.
    EXPECT_EQ(SentSmsLabel("a\rb\nc\n\rd\r\r\ne", "", false), "a\rb\nc\n\rd\r e");
}

} // namespace
