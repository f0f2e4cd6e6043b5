#include "OutboxFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Two SMS as stored on disk. The second's text is 10 bytes long, a 0x0A byte
// stored as 0x0D 0x0A, and holds a line break.
const std::string kTwoSms = "BPC"
                            "\x02\x00\x00\x00"
                            "\x0C\x00\x00\x00"
                            "+48601234567"
                            "\x06\x00\x00\x00"
                            "Test 1"
                            "\x01\x00\x00\x00"
                            "\x00\x00\x00\x00"
                            "\x0C\x00\x00\x00"
                            "+48501234567"
                            "\x0D\x0A\x00\x00\x00"
                            "Za\277\363\263\r\r\n\346!!"
                            "\x00\x00\x00\x00"
                            "\x01\x00\x00\x00"s;

const std::vector<OutboxEntry> kTwoEntries = {
    {"+48601234567", "Test 1", true, false, false, ""},
    {"+48501234567", "Za\277\363\263\r\n\346!!", false, true, false, ""},
};

// The header with a count of 2 and the first SMS alone, for files that break after it.
const std::string kFirstThenMore = kTwoSms.substr(0, 3 + 4 + 4 + 12 + 4 + 6 + 4 + 4);

// One stored entry with the given number and text, neither holding a byte 0x0A.
std::string StoredEntry(const std::string& number, const std::string& text) {
    return std::string(1, static_cast<char>(number.size())) + "\x00\x00\x00"s + number +
           std::string(1, static_cast<char>(text.size())) + "\x00\x00\x00"s + text +
           "\x00\x00\x00\x00\x00\x00\x00\x00"s;
}

void ExpectSameEntries(const std::vector<OutboxEntry>& actual,
                       const std::vector<OutboxEntry>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].strNumber, expected[i].strNumber) << i;
        EXPECT_EQ(actual[i].strText, expected[i].strText) << i;
        EXPECT_EQ(actual[i].bClass0, expected[i].bClass0) << i;
        EXPECT_EQ(actual[i].bUnicode, expected[i].bUnicode) << i;
        EXPECT_EQ(actual[i].bUncertain, expected[i].bUncertain) << i;
        EXPECT_EQ(actual[i].strSentAt, expected[i].strSentAt) << i;
    }
}

TEST(OutboxFile, WritesAndReadsTheStoredLayout) {
    EXPECT_EQ(EncodeOutboxFile(kTwoEntries), kTwoSms);
    const OutboxFileContent content = DecodeOutboxFile(kTwoSms);
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, kTwoEntries);
}

TEST(OutboxFile, AnEmptyOutbox) {
    EXPECT_EQ(EncodeOutboxFile({}), "BPC\x00\x00\x00\x00"s);
    const OutboxFileContent content = DecodeOutboxFile("BPC\x00\x00\x00\x00"s);
    EXPECT_FALSE(content.bBroken);
    EXPECT_TRUE(content.entries.empty());
}

TEST(OutboxFile, ACountOfTenIsStoredInTextMode) {
    std::string stored = "BPC\x0D\x0A\x00\x00\x00"s;
    std::vector<OutboxEntry> entries;
    for (int i = 0; i < 10; ++i) {
        const std::string number = "+4860123456" + std::to_string(i);
        stored += StoredEntry(number, "SMS " + std::to_string(i));
        entries.push_back({number, "SMS " + std::to_string(i), false, false, false, ""});
    }
    EXPECT_EQ(EncodeOutboxFile(entries), stored);
    const OutboxFileContent content = DecodeOutboxFile(stored);
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, entries);
}

TEST(OutboxFile, AByte26IsDataNotTheEnd) {
    // A 26-character text stores its length as 0x1A.
    const std::string text(26, 'z');
    const std::string stored = "BPC\x02\x00\x00\x00"s + StoredEntry("+48601234567", text) +
                               StoredEntry("+48691234567", "b");
    const OutboxFileContent content = DecodeOutboxFile(stored);
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, {{"+48601234567", text, false, false, false, ""},
                                        {"+48691234567", "b", false, false, false, ""}});
}

TEST(OutboxFile, AnyNonZeroFlagIsSet) {
    const std::string stored = "BPC\x01\x00\x00\x00"
                               "\x01\x00\x00\x00"
                               "1"
                               "\x01\x00\x00\x00"
                               "t"
                               "\x00\x01\x00\x00"
                               "\xFF\xFF\xFF\xFF"s;
    const OutboxFileContent content = DecodeOutboxFile(stored);
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, {{"1", "t", true, true, false, ""}});
}

TEST(OutboxFile, TheMagicIsNotChecked) {
    const OutboxFileContent content = DecodeOutboxFile("XYZ" + kTwoSms.substr(3));
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, kTwoEntries);
}

TEST(OutboxFile, AFileShorterThanItsHeaderHoldsNoSms) {
    for (size_t size = 0; size < 7; ++size) {
        const OutboxFileContent content = DecodeOutboxFile(kTwoSms.substr(0, size));
        EXPECT_FALSE(content.bBroken) << size;
        EXPECT_TRUE(content.entries.empty()) << size;
    }
}

TEST(OutboxFile, LongerNumbersAndTextsAreCutOnWriting) {
    const std::vector<OutboxEntry> entries = {
        {"+486012345678", std::string(512, 'a'), false, false, false, ""},
        {"+48601234567", "b", true, false, false, ""},
    };
    const OutboxFileContent content = DecodeOutboxFile(EncodeOutboxFile(entries));
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries,
                      {{"+48601234567", std::string(511, 'a'), false, false, false, ""},
                       {"+48601234567", "b", true, false, false, ""}});
}

TEST(OutboxFile, AnEntryWithoutNumberOrTextIsSkipped) {
    const std::string stored = "BPC\x03\x00\x00\x00"s + StoredEntry("", "bez numeru") +
                               StoredEntry("+48601234567", "") + StoredEntry("+48501234567", "c");
    const OutboxFileContent content = DecodeOutboxFile(stored);
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, {{"+48501234567", "c", false, false, false, ""}});
}

TEST(OutboxFile, BrokenFilesKeepTheSmsReadBefore) {
    const std::vector<std::string> breaks = {
        // The file ends where the second entry begins, or inside it.
        "",
        "\x0C\x00\x00",
        "\x0C\x00\x00\x00+48501",
        "\x0C\x00\x00\x00+48501234567\x01\x00\x00\x00",
        "\x0C\x00\x00\x00+48501234567\x01\x00\x00\x00x\x00\x00\x00\x00\x00\x00",
        // A negative length.
        "\xFF\xFF\xFF\xFF+48501234567\x01\x00\x00\x00x\x00\x00\x00\x00\x00\x00\x00\x00",
        "\x0C\x00\x00\x00+48501234567\xF6\xFF\xFF\xFFx\x00\x00\x00\x00\x00\x00\x00\x00",
        // A length over the reading's limit: the number's 12, the text's 511.
        "\x0D\x00\x00\x00+485012345678\x01\x00\x00\x00x\x00\x00\x00\x00\x00\x00\x00\x00",
        "\x0C\x00\x00\x00+48501234567\x00\x02\x00\x00" + std::string(512, 'x') +
            "\x00\x00\x00\x00\x00\x00\x00\x00",
    };
    for (size_t i = 0; i < breaks.size(); ++i) {
        const OutboxFileContent content = DecodeOutboxFile(kFirstThenMore + breaks[i]);
        EXPECT_TRUE(content.bBroken) << i;
        ExpectSameEntries(content.entries, {kTwoEntries[0]});
    }
}

TEST(OutboxFile, ANegativeCountIsBroken) {
    const OutboxFileContent content = DecodeOutboxFile("BPC\xFF\xFF\xFF\xFF"s + kTwoSms.substr(7));
    EXPECT_TRUE(content.bBroken);
    EXPECT_TRUE(content.entries.empty());
}

TEST(OutboxFile, AHugeCountEndsAtTheFilesEnd) {
    const OutboxFileContent content = DecodeOutboxFile("BPC\xFF\xFF\xFF\x7F"s + kTwoSms.substr(7));
    EXPECT_TRUE(content.bBroken);
    ExpectSameEntries(content.entries, kTwoEntries);
}

TEST(OutboxFile, TheLongestNumberAndTextReadBack) {
    const std::vector<OutboxEntry> entries = {
        {"+48601234567", std::string(511, '\352'), 0, 1, false, ""}};
    const OutboxFileContent content = DecodeOutboxFile(EncodeOutboxFile(entries));
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, entries);
}

TEST(OutboxFile, AnUncertainSmsKeepsItsMarkAfterTheEntriesAnEarlierReaderStopsAt) {
    std::vector<OutboxEntry> entries = kTwoEntries;
    entries[1].bUncertain = true;
    entries[1].strSentAt = "2026-12-08 10:15:00";
    const std::string stored = EncodeOutboxFile(entries);
    // The entries stand as before; the marks follow them.
    ASSERT_EQ(stored.substr(0, kTwoSms.size()), kTwoSms);
    EXPECT_EQ(stored.substr(kTwoSms.size()), "BPCU"
                                             "\x00\x00\x00\x00"
                                             "\x00\x00\x00\x00"
                                             "\x01\x00\x00\x00"
                                             "\x13\x00\x00\x00"
                                             "2026-12-08 10:15:00"s);
    const OutboxFileContent content = DecodeOutboxFile(stored);
    EXPECT_FALSE(content.bBroken);
    ExpectSameEntries(content.entries, entries);

    // A trailer cut short marks nothing: the SMS themselves are whole.
    for (size_t cut = kTwoSms.size() + 1; cut < stored.size(); cut += 5) {
        const OutboxFileContent torn = DecodeOutboxFile(stored.substr(0, cut));
        EXPECT_FALSE(torn.bBroken) << cut;
        ExpectSameEntries(torn.entries, kTwoEntries);
    }
}

TEST(OutboxFile, MarksStayWithTheirEntriesWhenAnEmptyOneIsSkipped) {
    std::vector<OutboxEntry> entries = {
        {"+48601234567", "", false, false, false, ""},
        {"+48691234567", "b", false, false, true, "2026-12-08 10:15:00"}};
    const OutboxFileContent content = DecodeOutboxFile(EncodeOutboxFile(entries));
    ExpectSameEntries(content.entries, {entries[1]});
}

} // namespace
