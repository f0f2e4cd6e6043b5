#include "Encoding.h"
#include "reference_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Encoded(std::string value) {
    EXPECT_EQ(EncodeParam(value), 0);
    return value;
}

std::string Decoded(std::string text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    EXPECT_EQ(DecodeResponse(buffer.data()), 0);
    return buffer.data();
}

std::string AllBytes() {
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes + '\0' + "after NUL";
}

// Random texts drawn mostly from the characters that matter to the tables.
std::vector<std::string> RandomTexts(std::string_view alphabet, int count, size_t maxLength) {
    std::mt19937 random(20240501);
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text) {
            c = random() % 8 == 0 ? static_cast<char>(anyByte(random)) : alphabet[pick(random)];
        }
        texts.push_back(text);
    }
    return texts;
}

const std::string kZazolc = "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1"; // Zażółć gęślą jaźń

TEST(EncodeParam, EscapesTheExamples) {
    EXPECT_EQ(Encoded("50% taniej"), "50%25+taniej");
    EXPECT_EQ(Encoded("a+b c"), "a%2Bb+c");
    EXPECT_EQ(Encoded(kZazolc), "Za%BF%F3%B3%E6+g%EA%9Cl%B9+ja%9F%F1");
    EXPECT_EQ(Encoded(""), "");
}

TEST(EncodeParam, EscapesEveryRowOfTheTable) {
    for (const reference::Row& row : reference::kEncodeRows) {
        const auto byte = static_cast<unsigned char>(row.character[0]);
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", byte);
        // The table itself follows its rule: "%" and two upper-case digits, "+" for a space.
        EXPECT_EQ(row.replacement, byte == ' ' ? "+" : hex) << "byte " << int(byte);
        EXPECT_EQ(Encoded("x" + std::string(row.character) + "y"),
                  "x" + std::string(row.replacement) + "y")
            << "byte " << int(byte);
    }
}

TEST(EncodeParam, LeavesOtherBytesAlone) {
    const std::string untouched = std::string("Az09=;,*<>\t\x01\xE9\x80\xFF") + '\0' + "x";
    EXPECT_EQ(Encoded(untouched), untouched);
}

TEST(EscapeHighBytes, EscapesOnlyTheBytesAbove127) {
    EXPECT_EQ(EscapeHighBytes("f=a\xfc\x80 %2B+\x7f\xff"), "f=a%FC%80 %2B+\x7f%FF");
    EXPECT_EQ(EscapeHighBytes(""), "");
}

TEST(EncodeParam, MatchesTheRowByRowTables) {
    // A 459-letter Polish SMS, 900 characters of text, every byte value.
    std::string polishSms;
    while (polishSms.size() < 459) {
        polishSms += kZazolc;
    }
    polishSms.resize(459);
    std::string longText;
    while (longText.size() < 900) {
        longText += "Czy przyjdziesz? Koszt: 5$ + 10% (\"tanio\") & #1/2\\3 ^_^ 'ok'!\r\n";
    }
    longText.resize(900);
    std::vector<std::string> texts = {polishSms, longText, AllBytes()};
    for (int b = 0; b < 256; ++b) {
        texts.emplace_back(1, static_cast<char>(b));
    }
    for (const std::string& text : RandomTexts("% +ab\xB9\xA5\x8F!:\r\n\\\"'", 2000, 40)) {
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        EXPECT_EQ(Encoded(text), reference::Encode(text));
    }
}

TEST(DecodeResponse, DecodesTheExamples) {
    EXPECT_EQ(Decoded("Ala ma kota %B9%EA"), "Ala ma kota \xB9\xEA");
    EXPECT_EQ(Decoded("50%25 taniej"), "50%25 taniej");
    EXPECT_EQ(Decoded("%b9%e6"), "%b9%e6");
    EXPECT_EQ(Decoded("a%2Bb+c%21%3A"), "a%2Bb+c%21%3A");
    EXPECT_EQ(Decoded("Za%BF%F3%B3%E6+g%EA%9Cl%B9+ja%9F%F1"),
              "Za\xBF\xF3\xB3\xE6+g\xEA\x9Cl\xB9+ja\x9F\xF1");
}

TEST(DecodeResponse, DecodesEveryPolishLetter) {
    for (int i = reference::kFirstPolishRow; i <= reference::kLastPolishRow; ++i) {
        const reference::Row& row = reference::kEncodeRows[i];
        EXPECT_EQ(Decoded("x" + std::string(row.replacement) + "y"),
                  "x" + std::string(row.character) + "y");
    }
}

TEST(DecodeResponse, TouchesNothingPastTheTerminator) {
    EXPECT_EQ(DecodeResponse(static_cast<char*>(nullptr)), 0);
    char empty[] = {'\0', '%', 'B', '9', '\0'};
    EXPECT_EQ(DecodeResponse(empty), 0);
    EXPECT_EQ(std::string(empty, sizeof empty), std::string("\0%B9\0", 5));

    char buffer[] = "%B9x\0%B9";
    EXPECT_EQ(DecodeResponse(buffer), 0);
    EXPECT_EQ(std::string(buffer), "\xB9x");
    EXPECT_EQ(std::string(buffer + 5, 3), "%B9");
}

TEST(DecodeResponse, MatchesTheRowByRowTables) {
    // A full 4096-byte body of escapes, cut escapes at its ends, every byte value.
    std::string fullBody;
    while (fullBody.size() + 3 <= 4096) {
        fullBody += reference::kEncodeRows[1 + fullBody.size() % 18].replacement;
    }
    fullBody += "%B";
    std::vector<std::string> texts = {fullBody,   "%",     "%B",       "%%B9",
                                      "%B9%",     "%%%B9", "%B%B9B9",  "%A%A5%",
                                      "B9%B9%B9", "%BF9",  "%2%25%9C", AllBytes().substr(0, 255)};
    for (const std::string& text : RandomTexts("%%%B9AFCE3158b", 3000, 24)) {
        texts.push_back(text.substr(0, text.find('\0')));
    }
    for (const std::string& text : texts) {
        const std::string expected = reference::Decode(text);
        EXPECT_EQ(Decoded(text), expected) << text;
        EXPECT_LE(expected.size(), text.size());
    }
}

TEST(DecodeResponse, StringFormDecodesPastNulBytes) {
    std::string text = std::string("%B9\0%EA", 7);
    EXPECT_EQ(DecodeResponse(text), 0);
    EXPECT_EQ(text, std::string("\xB9\0\xEA", 3));
}

} // namespace
