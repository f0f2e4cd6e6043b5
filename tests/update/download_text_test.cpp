// The download dialog's texts, made from the program's own string table, and
// its reading of URLs and of the version answer.
#include "DownloadText.h"
#include "VersionAnswer.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The string table of the resource script, by id: the patterns the program
// itself loads, so that the texts below are the ones users see.
const std::map<unsigned, std::string>& StringTable() {
    static const std::map<unsigned, std::string> table = [] {
        std::map<std::string, unsigned> ids;
        const std::string header = ReadFile(BRISKO_RESOURCE_H);
        const std::regex define(R"(#define (IDS_\w+) (\d+))");
        for (std::sregex_iterator i(header.begin(), header.end(), define), end; i != end; ++i)
            ids[(*i)[1]] = static_cast<unsigned>(std::stoul((*i)[2]));
        std::map<unsigned, std::string> texts;
        const std::string script = ReadFile(BRISKO_RESOURCE_SCRIPT);
        const std::regex entry(R"re(\n\s+(IDS_\w+) "((?:[^"]|"")*)")re");
        for (std::sregex_iterator i(script.begin(), script.end(), entry), end; i != end; ++i) {
            std::string text = std::regex_replace((*i)[2].str(), std::regex("\\\\n"), "\n");
            texts[ids.at((*i)[1])] = std::regex_replace(text, std::regex("\"\""), "\"");
        }
        return texts;
    }();
    return table;
}

const TextOf kText = [](unsigned id) { return StringTable().at(id); };

TEST(DownloadText, AmountsRatesAndTimesChangeUnitAtTheirBounds) {
    EXPECT_EQ(AmountText(kText, 0), "0 Bytes");
    EXPECT_EQ(AmountText(kText, 1023), "1023 Bytes");
    EXPECT_EQ(AmountText(kText, 1024), "1.0 KB");
    EXPECT_EQ(AmountText(kText, 1048575), "1024.0 KB");
    EXPECT_EQ(AmountText(kText, 1048576), "1.00 MB");
    EXPECT_EQ(AmountText(kText, 5000000000ull), "4768.37 MB");

    EXPECT_EQ(RateText(kText, 0.5), "512 Bytes/Sec");
    EXPECT_EQ(RateText(kText, 0.999), "1023 Bytes/Sec");
    EXPECT_EQ(RateText(kText, 5.0), "5.00 KB/Sec");
    EXPECT_EQ(RateText(kText, 10.0), "10 KB/Sec");
    EXPECT_EQ(RateText(kText, 12.3), "12 KB/Sec");

    EXPECT_EQ(TimeText(kText, 0), "0 sec");
    EXPECT_EQ(TimeText(kText, 59), "59 sec");
    EXPECT_EQ(TimeText(kText, 60), "1 min");
    EXPECT_EQ(TimeText(kText, 120), "2 min");
    EXPECT_EQ(TimeText(kText, 125), "2 min 5 sec");
}

TEST(DownloadText, CaptionAndTimeLeftLineFillTheirInserts) {
    EXPECT_EQ(PercentCaption(kText, 42, "setup.exe"), "42% of setup.exe Completed");
    EXPECT_EQ(TimeLeftText(kText, 125, 1572864, 2359296),
              "2 min 5 sec (1.50 MB of 2.25 MB copied)");
    EXPECT_EQ(FormatInserts(kText(IDS_REPLACE_FILE), {"C:\\setup.exe"}),
              "The file 'C:\\setup.exe' already exists.\nDo you want to replace it?");
    // A missing insert is left out, a "%" that starts none stays.
    EXPECT_EQ(FormatInserts("%2 and %1 at 100%", {"a"}), " and a at 100%");
}

TEST(DownloadText, ProgressFiguresStaySaneAtTheEdges) {
    EXPECT_EQ(PercentOf(429, 1000), 42);
    EXPECT_EQ(PercentOf(0, 0), 100);
    EXPECT_EQ(PercentOf(5000000000ull, 3), 100);
    EXPECT_EQ(SecondsLeft(1000, 500, 1500), 2u);
    EXPECT_EQ(SecondsLeft(1000, 0, 1500), 0u);
    EXPECT_EQ(SecondsLeft(1000, 1600, 1500), 0u);
    EXPECT_EQ(SecondsLeft(100000000, 1, 5000000000ull), 4000000000u);
    // Kilobytes, rounded for the range; past 64 MB the range needs 32 bits.
    EXPECT_EQ(BarRange(511), 0u);
    EXPECT_EQ(BarRange(512), 1u);
    EXPECT_EQ(BarRange(100u << 20), 102400u);
    EXPECT_EQ(BarPosition(2047), 1u);
    // 1000 bytes after 1 ms at a limit of 100 bytes a ms: wait until 10 ms.
    EXPECT_EQ(ThrottleDelayMs(1000, 1, 100.0), 9u);
    EXPECT_EQ(ThrottleDelayMs(1000, 10, 100.0), 0u);
    EXPECT_EQ(ThrottleDelayMs(1000, 0, 0.0), 0u);
    EXPECT_EQ(ThrottleDelayMs(1u << 30, 0, 0.001), 1000u) << "a stop waits a second at most";
}

TEST(DownloadUrl, TheSchemeChoosesTlsAndTheDefaultPort) {
    UrlParts p;
    ASSERT_TRUE(ParseUrl("https://127.0.0.1:40123/briskopc/setup.exe", p));
    EXPECT_EQ(p.server, "127.0.0.1");
    EXPECT_EQ(p.port, 40123);
    EXPECT_EQ(p.object, "/briskopc/setup.exe");
    EXPECT_TRUE(p.Secure());

    ASSERT_TRUE(ParseUrl("HTTPS://www.brisko.example", p));
    EXPECT_EQ(p.port, 443);
    EXPECT_EQ(p.object, "/");
    ASSERT_TRUE(ParseUrl("http://host:443/x?y=1", p));
    EXPECT_FALSE(p.Secure());
    EXPECT_EQ(p.object, "/x?y=1");
    ASSERT_TRUE(ParseUrl("http://host?q", p));
    EXPECT_EQ(p.object, "/?q");

    for (const char* bad :
         {"www.brisko.example/setup.exe", "ftp://host/x", "http:///x", "http://:80/", "http://h:0/",
          "http://h:65536/", "http://h:8a/", "http://a b/", "http://user@host/", ""})
        EXPECT_FALSE(ParseUrl(bad, p)) << bad;
}

TEST(DownloadUrl, TheFileNameIsTheObjectsLastSegment) {
    EXPECT_EQ(FileNameOf("/briskopc/setup.exe"), "setup.exe");
    EXPECT_EQ(FileNameOf("dir\\file.exe"), "file.exe");
    EXPECT_EQ(FileNameOf("setup.exe"), "setup.exe");
    EXPECT_EQ(FileNameOf("/"), "/");
    EXPECT_EQ(FileNameOf("/dir/"), "");
}

TEST(VersionAnswer, TheVersionIsAllAfterTheFirstLineFeed) {
    EXPECT_EQ(OfferedVersion("VEROK\r\n0.22"), "0.22");
    EXPECT_EQ(OfferedVersion("VEROK\n0.22\r\n"), "0.22\r\n");
    EXPECT_EQ(OfferedVersion("VEROK0.23"), "VEROK0.23");
    EXPECT_EQ(OfferedVersion("VEROK\r\n"), "");
    EXPECT_EQ(OfferedVersion("VERFAILED\r\n0.23"), std::nullopt);
    EXPECT_EQ(OfferedVersion(""), std::nullopt);
}

} // namespace
