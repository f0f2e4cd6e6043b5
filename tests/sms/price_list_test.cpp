#include "PriceList.h"

#include <gtest/gtest.h>

namespace {

// A table with every price set to -1, to tell the entries an answer sets.
PriceTable Marked() {
    PriceTable table;
    for (auto& row : table.anPrices) {
        for (int& price : row) {
            price = -1;
        }
    }
    return table;
}

// The number of prices that differ between the tables.
int Changes(const PriceTable& a, const PriceTable& b) {
    int changes = 0;
    for (int type = 0; type < kPriceTypes; ++type) {
        for (int tariff = 0; tariff < kPriceClasses; ++tariff) {
            changes += a.anPrices[type][tariff] != b.anPrices[type][tariff];
        }
    }
    return changes;
}

TEST(PriceList, SetsTheNamedPricesAndSkipsUnknownTypesAndClasses) {
    PriceTable table = Marked();
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n1;0;30;14;2;90;16;0;5;1;3;7;0;", table));
    EXPECT_EQ(table.anPrices[kPricePlainSms][0], 30);
    EXPECT_EQ(table.anPrices[kPricePolishSms][2], 90);
    EXPECT_EQ(Changes(table, Marked()), 2);
}

TEST(PriceList, ReadsEveryEntryUpToTheEnd) {
    PriceTable table = Marked();
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n1;0;30;1;1;25;14;0;60;0;0;0;", table));
    EXPECT_EQ(table.anPrices[1][0], 30);
    EXPECT_EQ(table.anPrices[1][1], 25);
    EXPECT_EQ(table.anPrices[14][0], 60);
    EXPECT_EQ(Changes(table, Marked()), 3);

    // Without a closing type 0 the list ends with the text.
    table = Marked();
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n15;2;7;", table));
    EXPECT_EQ(table.anPrices[15][2], 7);
    EXPECT_EQ(Changes(table, Marked()), 1);
}

TEST(PriceList, TypeZeroOrNotANumberEndsTheList) {
    PriceTable table = Marked();
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n1;0;30;x;1;1;2;0;40;", table));
    EXPECT_EQ(Changes(table, Marked()), 1);
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n0;0;50;1;0;10;", table));
    EXPECT_EQ(table.anPrices[1][0], 30);
}

TEST(PriceList, SkipsTypesAndClassesOutOfTheTable) {
    PriceTable table = Marked();
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n-1;0;5;1;-1;5;2;3;5;99999999999;0;5;", table));
    EXPECT_EQ(Changes(table, Marked()), 0);
}

TEST(PriceList, ACutEntryEndsTheReadingThere) {
    // The last price lacks its ";": it may have lost digits, and the reading
    // must not start again from the beginning.
    PriceTable table = Marked();
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n1;0;30;14;2;90", table));
    EXPECT_EQ(table.anPrices[1][0], 30);
    EXPECT_EQ(table.anPrices[14][2], -1);
    EXPECT_EQ(Changes(table, Marked()), 1);

    for (const char* cut : {"COSTSOK\r\n1;0;30;14;2", "COSTSOK\r\n1;0;30;14;",
                            "COSTSOK\r\n1;0;30;1", "COSTSOK\r\n1;0;30;"}) {
        table = Marked();
        ASSERT_TRUE(ApplyPriceList(cut, table)) << cut;
        EXPECT_EQ(table.anPrices[1][0], 30) << cut;
        EXPECT_EQ(Changes(table, Marked()), 1) << cut;
    }
}

TEST(PriceList, KeepsThePricesNoEntryNames) {
    PriceTable table;
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n1;0;30;14;0;60;", table));
    ASSERT_TRUE(ApplyPriceList("COSTSOK\r\n1;0;35;", table));
    EXPECT_EQ(table.anPrices[1][0], 35);
    EXPECT_EQ(table.anPrices[14][0], 60);
}

TEST(PriceList, OtherAnswersChangeNothing) {
    PriceTable table = Marked();
    EXPECT_FALSE(ApplyPriceList("", table));
    EXPECT_FALSE(ApplyPriceList("COSTSO", table));
    EXPECT_FALSE(ApplyPriceList("NOP\r\n1;0;30;", table));
    EXPECT_FALSE(ApplyPriceList("costsok\r\n1;0;30;", table));
    EXPECT_EQ(Changes(table, Marked()), 0);
}

TEST(PriceList, TheKeywordLineIsSkipped) {
    PriceTable table = Marked();
    // Fields on the keyword line are no entries.
    EXPECT_TRUE(ApplyPriceList("COSTSOK 1;0;30;\r\n14;1;70;", table));
    EXPECT_EQ(table.anPrices[14][1], 70);
    EXPECT_EQ(Changes(table, Marked()), 1);
    // Only the keyword line: nothing to set.
    EXPECT_TRUE(ApplyPriceList("COSTSOK", table));
    EXPECT_TRUE(ApplyPriceList("COSTSOK1;0;30;", table));
    EXPECT_EQ(Changes(table, Marked()), 1);
}

} // namespace
