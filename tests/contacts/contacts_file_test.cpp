#include "ContactsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Two contacts and the pseudo-contact as stored on disk. Praca's user id 10 is
// a 0x0A byte, stored as 0x0D 0x0A.
const std::string kThreeContacts = "BPCC"
                                   "\x03\x00\x00\x00"
                                   "\x0C\x00\x00\x00"
                                   "+48601234567"
                                   "\x03\x00\x00\x00"
                                   "Dom"
                                   "\x01\x00\x00\x00"
                                   "\x11\x00\x00\x00"
                                   "\x0C\x00\x00\x00"
                                   "+48501234567"
                                   "\x05\x00\x00\x00"
                                   "Praca"
                                   "\xFF\xFF\xFF\xFF"
                                   "\x0D\x0A\x00\x00\x00"
                                   "\x06\x00\x00\x00"
                                   "Brisko"
                                   "\x1C\x00\x00\x00"
                                   "SMSy wys\263ane poza Kontaktami"
                                   "\x01\x00\x00\x00"
                                   "\x00\x00\x00\x00"s;

// The header and Dom's entry alone, with a count of 2, for files that break after it.
const std::string kDomThenMore = "BPCC"
                                 "\x02\x00\x00\x00"
                                 "\x0C\x00\x00\x00"
                                 "+48601234567"
                                 "\x03\x00\x00\x00"
                                 "Dom"
                                 "\x00\x00\x00\x00"
                                 "\x11\x00\x00\x00"s;

const std::vector<ContactEntry> kThreeEntries = {
    {"Dom", "+48601234567", 17, 1},
    {"Praca", "+48501234567", 10, -1},
    {"SMSy wys\263ane poza Kontaktami", "Brisko", 0, 1},
};

void ExpectEntry(const ContactEntry& entry, const std::string& name, const std::string& number,
                 int userId, int presence) {
    EXPECT_EQ(entry.strName, name);
    EXPECT_EQ(entry.strNumber, number);
    EXPECT_EQ(entry.nUserId, userId);
    EXPECT_EQ(entry.nPresence, presence);
}

void ExpectSameEntries(const std::vector<ContactEntry>& actual,
                       const std::vector<ContactEntry>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ExpectEntry(actual[i], expected[i].strName, expected[i].strNumber, expected[i].nUserId,
                    expected[i].nPresence);
    }
}

// Dom's entry followed by one more entry given as its stored bytes.
ContactsFileContent DecodeDomAnd(const std::string& secondEntry) {
    return DecodeContactsFile(kDomThenMore + secondEntry);
}

TEST(ContactsFile, WritesAndReadsTheStoredLayout) {
    EXPECT_EQ(EncodeContactsFile(kThreeEntries), kThreeContacts);

    const ContactsFileContent content = DecodeContactsFile(kThreeContacts);
    EXPECT_FALSE(content.bBroken);
    ASSERT_EQ(content.entries.size(), 3u);
    // Those who were online read as logged off.
    ExpectEntry(content.entries[0], "Dom", "+48601234567", 17, 0);
    ExpectEntry(content.entries[1], "Praca", "+48501234567", 10, -1);
    ExpectEntry(content.entries[2], "SMSy wys\263ane poza Kontaktami", "Brisko", 0, 0);

    EXPECT_EQ(EncodeContactsFile({}), "BPCC\0\0\0\0"s);
    const ContactsFileContent empty = DecodeContactsFile("BPCC\0\0\0\0"s);
    EXPECT_FALSE(empty.bBroken);
    EXPECT_TRUE(empty.entries.empty());
}

TEST(ContactsFile, RoundTripKeepsEveryByte) {
    const std::vector<ContactEntry> entries = {
        // Lengths, ids and text bytes of 0x0A, 0x0D and 0x1A.
        {std::string(26, 'n') + "\r\n\x1A", "+48601234567", 26, 0},
        {"\n\r", "+48\n\r\x1A", 0x0A0D1A0A, -1},
        {std::string(511, '\352'), std::string(20, '9'), -7, -3},
        {"Ostatni", "+48691234567", 0x7FFFFFFF, 0},
    };
    const ContactsFileContent content = DecodeContactsFile(EncodeContactsFile(entries));
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, entries);
}

TEST(ContactsFile, PresenceAboveZeroReadsAsLoggedOff) {
    const std::vector<ContactEntry> entries = {
        {"a", "1", 1, 1}, {"b", "2", 2, 2},  {"c", "3", 3, 3},  {"d", "4", 4, 0x7FFFFFFF},
        {"e", "5", 5, 0}, {"f", "6", 6, -1}, {"g", "7", 7, -9},
    };
    const ContactsFileContent content = DecodeContactsFile(EncodeContactsFile(entries));
    const int expected[] = {0, 0, 0, 0, 0, -1, -9};
    ASSERT_EQ(content.entries.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(content.entries[i].nPresence, expected[i]) << i;
    }
}

TEST(ContactsFile, OtherFilesAreNotOurs) {
    for (const std::string& stored :
         {"BPCD\x01\x00\x00\x00"s, ""s, "BPC"s, "bpcc\x00\x00\x00\x00"s, "BPC\x01\x00\x00\x00"s}) {
        const ContactsFileContent content = DecodeContactsFile(stored);
        EXPECT_FALSE(content.bBroken);
        EXPECT_TRUE(content.entries.empty());
    }
    std::string otherMagic = kThreeContacts;
    otherMagic[3] = 'D';
    EXPECT_TRUE(DecodeContactsFile(otherMagic).entries.empty());
}

TEST(ContactsFile, BrokenHeader) {
    for (const std::string& stored : {"BPCC"s, "BPCC\x01\x00"s, "BPCC\xFF\xFF\xFF\xFF"s}) {
        const ContactsFileContent content = DecodeContactsFile(stored);
        EXPECT_TRUE(content.bBroken);
        EXPECT_TRUE(content.entries.empty());
    }
}

TEST(ContactsFile, BrokenEntryKeepsTheEntriesBefore) {
    const std::string broken[] = {
        // Negative lengths.
        "\xFF\xFF\xFF\xFF"
        "+48501234567"s,
        "\x0C\x00\x00\x00"
        "+48501234567"
        "\x00\x00\x00\x80"
        "Praca"s,
        // Over the limits: a number of 21, a name of 512.
        "\x15\x00\x00\x00"s + std::string(21, '1') + "\x01\x00\x00\x00"s + "P" +
            std::string(8, '\0'),
        "\x0C\x00\x00\x00"
        "+48501234567"
        "\x00\x02\x00\x00"s +
            std::string(512, 'P') + std::string(8, '\0'),
        // The file ends: no entry, or inside a length, a text or a number.
        ""s,
        "\x0C\x00"s,
        "\x0C\x00\x00\x00"
        "+4850"s,
        "\x0C\x00\x00\x00"
        "+48501234567"
        "\x05\x00\x00\x00"
        "Praca"
        "\x00\x00\x00\x00"
        "\x07\x00"s,
    };
    for (const std::string& second : broken) {
        const ContactsFileContent content = DecodeDomAnd(second);
        EXPECT_TRUE(content.bBroken) << testing::PrintToString(second);
        ASSERT_EQ(content.entries.size(), 1u);
        ExpectEntry(content.entries[0], "Dom", "+48601234567", 17, 0);
    }
    // The whole file with its count one too high.
    std::string countTooHigh = kThreeContacts;
    countTooHigh[4] = '\x04';
    const ContactsFileContent content = DecodeContactsFile(countTooHigh);
    EXPECT_TRUE(content.bBroken);
    EXPECT_EQ(content.entries.size(), 3u);
}

TEST(ContactsFile, EmptyNumberOrNameIsSkipped) {
    const std::string emptyNumber = "\x00\x00\x00\x00"
                                    "\x05\x00\x00\x00"
                                    "Praca"
                                    "\x00\x00\x00\x00"
                                    "\x00\x00\x00\x00"s;
    const std::string emptyName = "\x0C\x00\x00\x00"
                                  "+48501234567"
                                  "\x00\x00\x00\x00"
                                  "\x00\x00\x00\x00"
                                  "\x00\x00\x00\x00"s;
    // Bytes after the last entry are not read.
    std::string stored =
        kDomThenMore + emptyNumber + emptyName + kThreeContacts.substr(8) + "trailing";
    stored[4] = '\x06';
    const ContactsFileContent content = DecodeContactsFile(stored);
    EXPECT_FALSE(content.bBroken);
    ASSERT_EQ(content.entries.size(), 4u);
    EXPECT_EQ(content.entries[0].strName, "Dom");
    EXPECT_EQ(content.entries[1].strName, "Dom");
    EXPECT_EQ(content.entries[2].strName, "Praca");
    EXPECT_EQ(content.entries[3].strNumber, "Brisko");
}

TEST(ContactsFile, OverlongTextsAreCutWhenWritten) {
    const std::vector<ContactEntry> entries = {
        {std::string(600, 'N'), std::string(25, '5'), 1, 0},
        {"Dom", "+48601234567", 17, 0},
    };
    const ContactsFileContent content = DecodeContactsFile(EncodeContactsFile(entries));
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, {
                                           {std::string(511, 'N'), std::string(20, '5'), 1, 0},
                                           {"Dom", "+48601234567", 17, 0},
                                       });
}

} // namespace
