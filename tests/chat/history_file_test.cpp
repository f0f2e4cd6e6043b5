// The record logs and the history kept in them: what survives a crash, what
// rotation keeps, and the records read back as they were written.
#include "HistoryFile.h"
#include "RecordLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Log(std::initializer_list<const char*> payloads) {
    std::string bytes;
    for (const char* p : payloads)
        bytes += EncodeLogLine(p);
    return bytes;
}

TEST(RecordLog, TornAndDamagedLinesCostThemselvesOnly) {
    std::string bytes = Log({"first", "second", "third"});
    // A line whose CRC does not match, and a last line cut short by a crash.
    bytes.replace(bytes.find("second"), 6, "secund");
    std::string torn = EncodeLogLine("fourth");
    bytes += torn.substr(0, torn.size() - 3);
    auto lines = SoundLogLines(bytes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "first");
    EXPECT_EQ(lines[1], "third");

    // The next record starts on a line of its own, and it is read back.
    bytes += LineToAppend(bytes.substr(bytes.size() - 1), "fifth");
    lines = SoundLogLines(bytes);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "fifth");
    std::vector<std::string_view> backwards;
    VisitSoundLogLinesBackwards(bytes, [&](std::string_view line) {
        backwards.push_back(line);
        return backwards.size() < 2;
    });
    EXPECT_EQ(backwards, (std::vector<std::string_view>{"fifth", "third"}));
    EXPECT_EQ(LineToAppend("", "x"), EncodeLogLine("x"));
    EXPECT_EQ(LineToAppend("\n", "x"), EncodeLogLine("x"));
    // A power cut can leave a file's end filled with NUL bytes: the record
    // after them is still read back.
    std::string zeroed = EncodeLogLine("first") + std::string(4, '\0');
    zeroed += LineToAppend(std::string_view(zeroed).substr(zeroed.size() - 1), "second");
    EXPECT_EQ(SoundLogLines(zeroed), (std::vector<std::string_view>{"first", "second"}));

    // Empty lines, lines without a CRC or with a wrong one, a CR the writer never puts in.
    EXPECT_TRUE(SoundLogLines("\n\n \nabc\nabc 00000000\n" + EncodeLogLine("a\rb")).empty());
}

TEST(RecordLog, EscapedTextsComeBackWhole) {
    const std::string text = "Za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1\r\nC:\\temp\\n \\\n";
    std::string escaped = EscapeLogText(text);
    EXPECT_EQ(escaped.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(UnescapeLogText(escaped), text);
    EXPECT_EQ(UnescapeLogText("a\\qb\\"), "aqb\\");
}

TEST(RecordLog, RotationKeepsTheNewestThatFit) {
    std::string bytes = Log({"one", "two", "three", "four"});
    std::string kept =
        RotateLog(bytes, EncodeLogLine("three").size() + EncodeLogLine("four").size());
    EXPECT_EQ(kept, Log({"three", "four"}));
    EXPECT_EQ(RotateLog(bytes, 1), "");
    // Damaged lines do not come along.
    EXPECT_EQ(RotateLog("garbage\n" + bytes, bytes.size() * 2), bytes);
}

TEST(RecordLog, NumbersTakenWithTheirSpace) {
    std::string_view text = "123 45 x";
    uint64_t n = 0;
    ASSERT_TRUE(TakeLogNumber(&text, &n));
    EXPECT_EQ(n, 123u);
    ASSERT_TRUE(TakeLogNumber(&text, &n));
    EXPECT_EQ(n, 45u);
    EXPECT_FALSE(TakeLogNumber(&text, &n));
    EXPECT_EQ(text, "x");
    for (std::string_view bad : {"", " 1", "12", "18446744073709551616 ", "-1 "}) {
        std::string_view rest = bad;
        EXPECT_FALSE(TakeLogNumber(&rest, &n)) << bad;
        EXPECT_EQ(rest, bad);
    }
    std::string_view max = "18446744073709551615 ";
    EXPECT_TRUE(TakeLogNumber(&max, &n));
    EXPECT_EQ(n, UINT64_MAX);
}

TEST(HistoryFile, RecordsReadBackAsWritten) {
    HistoryEntry partner{77, "2026-12-09 07:15:03", false,
                         "Cze\x9c\xe6, co s\xb3ychac?\r\nDruga linia"};
    HistoryEntry own{0, "2026-12-09 07:16:00", true, "Dobrze \\ ok"};
    std::string bytes =
        EncodeLogLine(EncodeHistoryRecord(partner)) + EncodeLogLine(EncodeHistoryRecord(own));
    auto entries = LastHistoryEntries(bytes, 100);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].nMsgId, 77u);
    EXPECT_EQ(entries[0].strTime, partner.strTime);
    EXPECT_FALSE(entries[0].bOwn);
    EXPECT_EQ(entries[0].strText, partner.strText);
    EXPECT_TRUE(entries[1].bOwn);
    EXPECT_EQ(entries[1].strText, own.strText);
    EXPECT_EQ(HistoryMessageIds(bytes), std::vector<uint64_t>{77});
}

TEST(HistoryFile, TheLastOnesInOrderAndGarbageSkipped) {
    std::string bytes = EncodeLogLine("not a record") + EncodeLogLine("5 0 ? x") +
                        EncodeLogLine("5 99999999999999999 < x");
    for (int i = 1; i <= 150; i++)
        bytes += EncodeLogLine(
            EncodeHistoryRecord({static_cast<uint64_t>(i), "", false, "m" + std::to_string(i)}));
    auto entries = LastHistoryEntries(bytes, 100);
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_EQ(entries.front().strText, "m51");
    EXPECT_EQ(entries.back().strText, "m150");
    EXPECT_EQ(entries.back().strTime, "");
}

TEST(HistoryFile, TimesOfTheServiceFormOnly) {
    EXPECT_EQ(TimeFromText("2026-12-09 07:15:03"), 20261209071503u);
    EXPECT_EQ(TimeText(20261209071503u), "2026-12-09 07:15:03");
    EXPECT_EQ(TimeText(101000000u), "0000-01-01 00:00:00"); // a short number is zero-padded
    for (const char* bad :
         {"", "2026-12-09", "2026-12-09T07:15:03", "2026-12-09 07:15:0x", "2026-12-09 07:15:03 "})
        EXPECT_EQ(TimeFromText(bad), 0u) << bad;
    EXPECT_EQ(TimeText(0), "");
}

TEST(HistoryFile, PendingIdsSurviveAndGarbageGoes) {
    std::string bytes = EncodePendingIds({3, 17, 2147483647});
    bytes += EncodeLogLine("0") + EncodeLogLine("2147483648") + EncodeLogLine("12 13") + "99";
    EXPECT_EQ(DecodePendingIds(bytes), (std::vector<int>{3, 17, 2147483647}));
    EXPECT_TRUE(DecodePendingIds("").empty());
}

} // namespace
