#include "SentLog.h"

#include "RecordLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

SentSmsEntry Sms(uint64_t key, int32_t id, const std::string& text,
                 const std::string& number = "+48601234567") {
    SentSmsEntry sms;
    sms.nKey = key;
    sms.nSmsId = id;
    sms.strNumber = number;
    sms.strText = text;
    sms.strSentAt = "2026-12-09 07:15:02";
    return sms;
}

std::string Line(const std::string& payload) {
    return EncodeLogLine(payload);
}

std::string Log(const std::vector<std::string>& payloads) {
    std::string bytes;
    for (const std::string& payload : payloads)
        bytes += Line(payload);
    return bytes;
}

std::vector<uint64_t> Keys(const SentLogContent& content) {
    std::vector<uint64_t> keys;
    for (const SentSmsEntry& sms : content.sms)
        keys.push_back(sms.nKey);
    return keys;
}

void ExpectSame(const SentSmsEntry& a, const SentSmsEntry& b) {
    EXPECT_EQ(a.nKey, b.nKey);
    EXPECT_EQ(a.nSmsId, b.nSmsId);
    EXPECT_EQ(a.strSentAt, b.strSentAt);
    EXPECT_EQ(a.strNumber, b.strNumber);
    EXPECT_EQ(a.strText, b.strText);
    EXPECT_EQ(a.bClass0, b.bClass0);
    EXPECT_EQ(a.bUnicode, b.bUnicode);
    EXPECT_EQ(a.bReported, b.bReported);
}

TEST(SentLog, AnSmsReadsBackAsItWasSent) {
    // Polish letters in cp1250, line breaks, backslashes and spaces in the text.
    SentSmsEntry polish = Sms(1, 123456, "Za\277\363\263\346 g\352\266l\261 ja\274\361\r\n\\n ");
    polish.bUnicode = true;
    polish.bClass0 = true;
    SentSmsEntry plain = Sms(2, 7, "");
    plain.strSentAt.clear();
    // An id the service gives past 2^31 comes back as the same 32 bits.
    SentSmsEntry large = Sms(3, -2, "a  b", "Brisko");
    large.bClass0 = true;

    EXPECT_EQ(SentSmsPayload(plain), "S 2 7 - +48601234567 0 ");
    EXPECT_EQ(SentSmsPayload(large), "S 3 4294967294 2026-12-09T07:15:02 Brisko 1 a  b");
    std::string bytes = Log({SentSmsPayload(polish), SentSmsPayload(plain), SentSmsPayload(large)});
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3) << "one line each";

    SentLogContent content = DecodeSentLog(bytes);
    ASSERT_EQ(content.sms.size(), 3u);
    ExpectSame(content.sms[0], polish);
    ExpectSame(content.sms[1], plain);
    ExpectSame(content.sms[2], large);
    EXPECT_EQ(content.nLastKey, 3u);
}

TEST(SentLog, WhatCannotBeKeptIsNotWrittenOrCut) {
    EXPECT_EQ(SentSmsPayload(Sms(0, 1, "bez klucza")), "");
    EXPECT_EQ(SentSmsPayload(Sms(1, 1, "x", "")), "");
    EXPECT_EQ(SentSmsPayload(Sms(1, 1, "x", "+48 601234567")), "");
    EXPECT_EQ(SentSmsPayload(Sms(1, 1, "x", "+48601234567\r")), "");
    EXPECT_EQ(SentSmsPayload(Sms(1, 1, "x", "+486012345678")), "") << "13 characters";

    SentSmsEntry odd = Sms(1, 1, std::string(600, 'a'));
    odd.strSentAt = "2026-12-09 7:15:02";
    SentLogContent content = DecodeSentLog(Line(SentSmsPayload(odd)));
    ASSERT_EQ(content.sms.size(), 1u);
    EXPECT_EQ(content.sms[0].strSentAt, "") << "a time of another form is unknown";
    EXPECT_EQ(content.sms[0].strText, std::string(511, 'a'));
}

TEST(SentLog, ReportsMarkDeletionsRemoveAndTheNewestRecordOfAKeyWins) {
    std::string bytes = Log({
        ReportPayload(1), // before its SMS: it marks nothing
        SentSmsPayload(Sms(1, 10, "jeden")),
        SentSmsPayload(Sms(2, 20, "dwa")),
        SentSmsPayload(Sms(3, 20, "trzy: the service gave 20 again")),
        ReportPayload(2),
        ReportPayload(2),
        DeletionPayload(3),
        ReportPayload(3), // deleted: nothing to mark
        ReportPayload(9), // an SMS no longer in the log
        SentSmsPayload(Sms(4, 40, "cztery")),
        SentSmsPayload(Sms(4, 41, "cztery, again")),
        DeletionPayload(12),
    });
    SentLogContent content = DecodeSentLog(bytes);
    EXPECT_EQ(Keys(content), (std::vector<uint64_t>{1, 2, 4}));
    EXPECT_FALSE(content.sms[0].bReported);
    EXPECT_TRUE(content.sms[1].bReported);
    EXPECT_EQ(content.sms[2].strText, "cztery, again");
    EXPECT_FALSE(content.sms[2].bReported);
    EXPECT_EQ(content.nLastKey, 12u) << "no key named in the log is given again";

    // A key starts a new SMS even after its old one was deleted.
    bytes += Log({DeletionPayload(4), SentSmsPayload(Sms(4, 42, "nowy"))});
    content = DecodeSentLog(bytes);
    ASSERT_EQ(Keys(content), (std::vector<uint64_t>{1, 2, 4}));
    EXPECT_EQ(content.sms[2].nSmsId, 42);
}

TEST(SentLog, TornDamagedAndForeignLinesAreSkipped) {
    const std::string good = Log({SentSmsPayload(Sms(1, 10, "jeden")), ReportPayload(1)});
    const std::string last = Line(SentSmsPayload(Sms(2, 20, "dwa")));
    // Torn anywhere in the last record, the log keeps what came before.
    for (size_t cut = 0; cut < last.size(); ++cut) {
        SentLogContent content = DecodeSentLog(good + last.substr(0, cut));
        ASSERT_EQ(Keys(content), std::vector<uint64_t>{1}) << cut;
        EXPECT_TRUE(content.sms[0].bReported);
        EXPECT_EQ(content.nLastKey, 1u);
    }
    // A record torn in the middle and written after, as a crash then a restart leave it.
    std::string resumed = good + last.substr(0, 9) + "\n" + last;
    EXPECT_EQ(Keys(DecodeSentLog(resumed)), (std::vector<uint64_t>{1, 2}));

    std::string damaged = last;
    damaged[4] ^= 1;
    EXPECT_TRUE(DecodeSentLog(damaged).sms.empty()) << "its CRC no longer matches";

    // Sound lines whose payload is of no known form.
    const std::vector<std::string> foreign = {
        "",
        "S",
        "X 5",
        "R5",
        "R 0",
        "R 5 6",
        "D -5",
        "R 99999999999999999999",
        "S 0 1 - +48601234567 0 zero key",
        "S 5 4294967296 - +48601234567 0 id past 32 bits",
        "S 5 -1 - +48601234567 0 negative id",
        "S 5 1 2026-12-09 07:15:02 +48601234567 0 time with a space",
        "S 5 1 2026-12-09T07:15 +48601234567 0 short time",
        "S 5 1 - +48601234567 4 unknown flag",
        "S 5 1 - +486012345678 0 number too long",
        "S 5 1 - +48601234567",
        "S 5 1 -  0 empty number",
        "S 9223372036854775808 1 - +48601234567 0 key too large",
    };
    SentLogContent content = DecodeSentLog(good + Log(foreign));
    EXPECT_EQ(Keys(content), std::vector<uint64_t>{1});
    EXPECT_EQ(content.nLastKey, 1u);
    EXPECT_TRUE(DecodeSentLog(std::string("\0\xff\n\n\r\n", 6)).sms.empty());
}

TEST(SentLog, OnlyTheNewestAreGivenBackFromTheNewestMegabyte) {
    std::string bytes;
    for (uint64_t key = 1; key <= kMaxSentLogSms + 500; ++key)
        bytes += Line(SentSmsPayload(Sms(key, static_cast<int32_t>(key), "sms")));
    SentLogContent content = DecodeSentLog(bytes);
    ASSERT_EQ(content.sms.size(), kMaxSentLogSms);
    EXPECT_EQ(content.sms.front().nKey, 501u);
    EXPECT_EQ(content.sms.back().nKey, kMaxSentLogSms + 500);
    EXPECT_EQ(content.nLastKey, kMaxSentLogSms + 500);

    // A log grown past any we write: its head is not read.
    std::string huge(3 << 20, 'x');
    huge += '\n' + Line(SentSmsPayload(Sms(7, 7, "po śmieciach")));
    EXPECT_EQ(Keys(DecodeSentLog(huge)), std::vector<uint64_t>{7});
}

} // namespace
