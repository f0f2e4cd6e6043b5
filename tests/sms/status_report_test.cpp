#include "StatusReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const StatusRow kFirst = {"1",
                          "SMS",
                          "+48601234567",
                          "+48501234567",
                          "30",
                          "2004-05-01 12:00",
                          "2004-05-01 12:01",
                          "Dostarczony"};
const StatusRow kSecond = {"2",  "SMS klasy 0",      "+48601234567",     "+48691234567",
                           "30", "2004-05-02 08:15", "2004-05-02 08:15", "Wys\263any"};

const std::string kTwoRecords = "STATUSOK\r\n"
                                "1;SMS;+48601234567;+48501234567;30;2004-05-01 12:00;"
                                "2004-05-01 12:01;Dostarczony;\r\n"
                                "2;SMS klasy 0;+48601234567;+48691234567;30;2004-05-02 08:15;"
                                "2004-05-02 08:15;Wys\263any;\r\n";

TEST(StatusReport, OneRowPerRecordInOrderWithoutTheBreaksBetweenThem) {
    const std::vector<StatusRow> rows = ParseStatusReport(kTwoRecords);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], kFirst);
    EXPECT_EQ(rows[1], kSecond);
}

TEST(StatusReport, TheHeaderLineIsIgnored) {
    const std::vector<StatusRow> rows =
        ParseStatusReport("STATUSOK 2;a;b;c;d;e;f;g;h;\r\n" + kTwoRecords.substr(10));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], kFirst);
    EXPECT_EQ(rows[1], kSecond);
}

TEST(StatusReport, OnlyCrLfPairsInsideAFieldAreRemoved) {
    const std::vector<StatusRow> rows =
        ParseStatusReport("STATUSOK\r\n1;Wiersz\r\ndrugi;Od\nLF;Do\rCR;\n\r;\r\r\n\n;;x\r\n\r\ny;");
    ASSERT_EQ(rows.size(), 1u);
    const StatusRow expected = {"1", "Wierszdrugi", "Od\nLF", "Do\rCR", "\n\r", "\r\n", "", "xy"};
    EXPECT_EQ(rows[0], expected);
}

TEST(StatusReport, TextAfterTheLastRecordIsIgnored) {
    const std::vector<StatusRow> rows = ParseStatusReport(kTwoRecords + "koniec\r\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], kSecond);
}

TEST(StatusReport, ACutLastRecordKeepsItsWholeFields) {
    // Cut inside the second record's fourth field: its first three fields are
    // whole, the cut one is not shown.
    const std::string cut = kTwoRecords.substr(0, kTwoRecords.find("+4869"));
    const std::vector<StatusRow> rows = ParseStatusReport(cut + "12");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], kFirst);
    const StatusRow expected = {"2", "SMS klasy 0", "+48601234567", "", "", "", "", ""};
    EXPECT_EQ(rows[1], expected);

    // Cut before the first ";" of a record: no row for it.
    EXPECT_EQ(ParseStatusReport(kTwoRecords.substr(0, kTwoRecords.find("2;SMS") + 1)).size(), 1u);
}

TEST(StatusReport, NoRecords) {
    EXPECT_TRUE(ParseStatusReport("STATUSOK").empty());
    EXPECT_TRUE(ParseStatusReport("STATUSOK\r\n").empty());
    EXPECT_TRUE(ParseStatusReport("STATUSOK\r\nbrak danych").empty());
}

TEST(StatusReport, OtherAnswersGiveNoRows) {
    EXPECT_TRUE(ParseStatusReport("").empty());
    EXPECT_TRUE(ParseStatusReport("NOSTATUS").empty());
    EXPECT_TRUE(ParseStatusReport("NOSTATUS\r\n").empty());
    EXPECT_TRUE(ParseStatusReport("STATUSO\r\n1;2;3;4;5;6;7;8;").empty());
    EXPECT_TRUE(ParseStatusReport("ERROR\r\n1;2;3;4;5;6;7;8;").empty());
}

TEST(StatusReport, WithoutALineFeedTheKeywordLineIsRead) {
    const std::vector<StatusRow> rows = ParseStatusReport("STATUSOK1;2;3;4;5;6;7;8;");
    ASSERT_EQ(rows.size(), 1u);
    const StatusRow expected = {"STATUSOK1", "2", "3", "4", "5", "6", "7", "8"};
    EXPECT_EQ(rows[0], expected);
}

} // namespace
