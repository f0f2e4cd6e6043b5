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

TEST(StatusReport, TheQueryForAllOrOneNumber) {
    EXPECT_EQ(StatusSmsUrl(), "briskopc.asp?function=STATUSSMS");
    EXPECT_EQ(StatusSmsUrl("+48601234567"), "briskopc.asp?function=STATUSSMS&number=601234567");
}

TEST(StatusReport, AnSmsShowsWhenItsRecipientHasOneCreatedSinceItWasSent) {
    const std::vector<StatusRow> rows = ParseStatusReport(
        "STATUSOK 2\r\n"
        "1;SMS;+48600100200;+48601234567;25;2026-12-08 10:14:59;2026-12-08 10:14:59;ok;\r\n"
        "2;SMS;+48600100200;+48501234567;25;2026-12-08 10:15:00;2026-12-08 10:15:00;ok;\r\n");
    EXPECT_TRUE(ReportShowsSms(rows, "+48501234567", "2026-12-08 10:15:00"));
    EXPECT_TRUE(ReportShowsSms(rows, "+48501234567", "2026-12-08 10:14:00"));
    // Created before it was sent: another SMS to the same number.
    EXPECT_FALSE(ReportShowsSms(rows, "+48601234567", "2026-12-08 10:15:00"));
    EXPECT_FALSE(ReportShowsSms(rows, "+48691234567", "2026-12-08 10:00:00"));
}

TEST(StatusReport, TimesOfAnyOtherFormShowNoSms) {
    const std::vector<StatusRow> rows =
        ParseStatusReport("STATUSOK 2\r\n"
                          "1;SMS;+48600100200;+48501234567;25;9999;;ok;\r\n"
                          "2;SMS;+48600100200;+48501234567;25;2026-12-08 1x:15:00;;ok;\r\n");
    EXPECT_FALSE(ReportShowsSms(rows, "+48501234567", "2026-12-08 10:15:00"));
    const std::vector<StatusRow> good = ParseStatusReport(
        "STATUSOK 1\r\n1;SMS;+48600100200;+48501234567;25;2026-12-08 10:15:00;;ok;\r\n");
    EXPECT_FALSE(ReportShowsSms(good, "+48501234567", ""));
    EXPECT_FALSE(ReportShowsSms(good, "+48501234567", "2026-12-08"));
}

} // namespace
