#include "ContactListParser.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

void ExpectEntry(const ContactEntry& entry, const std::string& name, const std::string& number,
                 int userId, int presence) {
    EXPECT_EQ(entry.strName, name);
    EXPECT_EQ(entry.strNumber, number);
    EXPECT_EQ(entry.nUserId, userId);
    EXPECT_EQ(entry.nPresence, presence);
}

TEST(ParseContactList, WellFormedLists) {
    const std::vector<ContactEntry> two =
        ParseContactList("CONTACTSOK\r\nDom;+48601234567;17;1;Praca;+48501234567;0;-1;");
    ASSERT_EQ(two.size(), 2u);
    ExpectEntry(two[0], "Dom", "+48601234567", 17, 1);
    ExpectEntry(two[1], "Praca", "+48501234567", 0, -1);

    EXPECT_TRUE(ParseContactList("CONTACTSOK\r\n").empty());
    EXPECT_TRUE(ParseContactList("CONTACTSOK").empty());
    EXPECT_TRUE(ParseContactList("").empty());

    // Text after the last ";" is ignored; cp1250 names come through as bytes.
    const std::vector<ContactEntry> trailing =
        ParseContactList("CONTACTSOK\r\n\257ona;+48691234567;3;2;\r\n");
    ASSERT_EQ(trailing.size(), 1u);
    ExpectEntry(trailing[0], "\257ona", "+48691234567", 3, 2);
}

TEST(ParseContactList, EmptyNameOrNumberEndsTheList) {
    const std::vector<ContactEntry> emptyNumber =
        ParseContactList("CONTACTSOK\r\nA;+48601234567;5;1;B;;7;0;");
    ASSERT_EQ(emptyNumber.size(), 1u);
    ExpectEntry(emptyNumber[0], "A", "+48601234567", 5, 1);

    const std::vector<ContactEntry> emptyName =
        ParseContactList("CONTACTSOK\r\nA;+48601234567;5;1;;+48501234567;7;0;C;+48691234567;1;1;");
    ASSERT_EQ(emptyName.size(), 1u);
    EXPECT_EQ(emptyName[0].strName, "A");
}

TEST(ParseContactList, CutEntryEndsTheReading) {
    // Presence without its ";": the entry is kept, and nothing starts over.
    const std::vector<ContactEntry> noLastSemicolon =
        ParseContactList("CONTACTSOK\r\nDom;+48601234567;17;1;Praca;+48501234567;4;2");
    ASSERT_EQ(noLastSemicolon.size(), 2u);
    ExpectEntry(noLastSemicolon[1], "Praca", "+48501234567", 4, 2);

    const std::vector<ContactEntry> cutUserId =
        ParseContactList("CONTACTSOK\r\nDom;+48601234567;17\r\n");
    ASSERT_EQ(cutUserId.size(), 1u);
    ExpectEntry(cutUserId[0], "Dom", "+48601234567", 17, 0);

    // Without a whole number there is no contact.
    const std::vector<ContactEntry> cutNumber =
        ParseContactList("CONTACTSOK\r\nDom;+48601234567;17;1;Praca;+4850123");
    ASSERT_EQ(cutNumber.size(), 1u);
    EXPECT_EQ(cutNumber[0].strName, "Dom");

    // A keyword line that holds ";" is not part of the list.
    EXPECT_TRUE(ParseContactList("A;B;1;1;\nDom").empty());
    EXPECT_TRUE(ParseContactList("A;B;1;1;").empty());
}

TEST(ParseContactList, NumbersAsAtoiClampedToInt) {
    const std::vector<ContactEntry> entries = ParseContactList(
        "CONTACTSOK\r\nA;1;abc;x1;B;2; 42z;-1x;C;3;99999999999;-99999999999;D;4;+7;--2;");
    ASSERT_EQ(entries.size(), 4u);
    ExpectEntry(entries[0], "A", "1", 0, 0);
    ExpectEntry(entries[1], "B", "2", 42, -1);
    ExpectEntry(entries[2], "C", "3", INT_MAX, INT_MIN);
    ExpectEntry(entries[3], "D", "4", 7, 0);
}

} // namespace
