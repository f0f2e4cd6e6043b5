#include "SmsRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kNumber = "601234567";

int PlainParts(const std::string& text) {
    return SmsParts(SmsLength(text), false);
}

TEST(SmsCounting, PlainTextsTakeOneSmsUpTo160AndThenOnePer153) {
    EXPECT_EQ(PlainParts(""), 1);
    EXPECT_EQ(PlainParts(std::string(160, 'a')), 1);
    EXPECT_EQ(PlainParts(std::string(161, 'a')), 2);
    EXPECT_EQ(PlainParts(std::string(306, 'a')), 2);
    EXPECT_EQ(PlainParts(std::string(307, 'a')), 3);
    EXPECT_EQ(PlainParts(std::string(459, 'a')), 3);
    // Typed, though refused on sending.
    EXPECT_EQ(PlainParts(std::string(460, 'a')), 4);
}

TEST(SmsCounting, PolishTextsAreAlwaysOneSms) {
    EXPECT_EQ(SmsParts(0, true), 1);
    EXPECT_EQ(SmsParts(71, true), 1);
    EXPECT_EQ(SmsParts(459, true), 1);
}

TEST(SmsCounting, ALineBreakCountsTwoAndAPolishLetterOne) {
    EXPECT_EQ(SmsLength("abc\r\ndef"), 8);
    EXPECT_EQ(SmsLength("\271\352\263"), 3);
}

TEST(SmsCounting, CounterAndPriceLines) {
    EXPECT_EQ(SmsCounterText(160, 1), "Liczba znak\363w: 160, SMSy: 1");
    EXPECT_EQ(SmsCounterText(0, 0), "Liczba znak\363w: 0, SMSy: 0");
    EXPECT_EQ(SmsPriceText(30 * PlainParts(std::string(200, 'a'))), "Cena: 60 BPS");
}

TEST(SmsInputCheck, PlainTextsUpTo459Pass) {
    EXPECT_EQ(CheckSmsInput(kNumber, "", false), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(459, 'a'), false), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(460, 'a'), false), SmsInput::TooLongPlain);
    // A line break's two characters count towards the limit.
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(457, 'a') + "\r\n", false), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(458, 'a') + "\r\n", false),
              SmsInput::TooLongPlain);
}

TEST(SmsInputCheck, PolishTextsUpTo70Pass) {
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(70, '\271'), true), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(71, '\271'), true), SmsInput::TooLongPolish);
    EXPECT_EQ(CheckSmsInput(kNumber, std::string(71, 'a'), false), SmsInput::Ok);
}

TEST(SmsInputCheck, NumberIsNineDigitsOfAMobileNetwork) {
    EXPECT_EQ(CheckSmsInput("601234567", "x", false), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput("501234567", "x", false), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput("691234567", "x", true), SmsInput::Ok);
    EXPECT_EQ(CheckSmsInput("611234567", "x", false), SmsInput::BadNumber);
    EXPECT_EQ(CheckSmsInput("60123456", "x", false), SmsInput::BadNumber);
    EXPECT_EQ(CheckSmsInput("6012345678", "x", false), SmsInput::BadNumber);
    EXPECT_EQ(CheckSmsInput("60123456a", "x", false), SmsInput::BadNumber);
    EXPECT_EQ(CheckSmsInput("", "x", false), SmsInput::BadNumber);
}

TEST(SmsInputCheck, TheLengthIsCheckedBeforeTheNumber) {
    EXPECT_EQ(CheckSmsInput("", std::string(460, 'a'), false), SmsInput::TooLongPlain);
    EXPECT_EQ(CheckSmsInput("", std::string(71, 'a'), true), SmsInput::TooLongPolish);
}

TEST(SmsInputCheck, Messages) {
    EXPECT_STREQ(SmsInputMessage(SmsInput::TooLongPlain),
                 "Za d\263uga tre\234\346 smsa. Maks. 459 znak\363w w 3 SMSach.");
    EXPECT_STREQ(SmsInputMessage(SmsInput::TooLongPolish),
                 "Za d\263uga tre\234\346 smsa. Maks. 70 znak\363w.");
    EXPECT_STREQ(SmsInputMessage(SmsInput::BadNumber), "Nieprawid\263owy numer telefonu!");
    EXPECT_EQ(SmsInputMessage(SmsInput::Ok), nullptr);
}

TEST(SmsInputCheck, AContactsStoredNumberGivesTheDigitsTheDialogTakes) {
    EXPECT_EQ(RecipientDigits("+48601234567"), kNumber);
    EXPECT_EQ(RecipientDigits("+48501234567"), "501234567");
    for (const char* refused : {"+48611234567", "+4860123456", "+486012345678", "48601234567",
                                "0048601234567", "+49601234567", "Brisko", "", "+48"})
        EXPECT_EQ(RecipientDigits(refused), "") << refused;
}

TEST(SendSmsQuery, PlainClass0) {
    EXPECT_EQ(SendSmsUrl("+48601234567", "Test 1", true, false),
              "briskopc.asp?function=SENDLONGSMS&to=48601234567&body=Test+1&class=0&unicode=0");
}

TEST(SendSmsQuery, ClassAndUnicodeFlags) {
    EXPECT_EQ(SendSmsUrl("+48501234567", "a", false, true),
              "briskopc.asp?function=SENDLONGSMS&to=48501234567&body=a&class=1&unicode=1");
}

TEST(SendSmsQuery, TakesTheNumbersLastNineCharactersOrAllOfAShorterOne) {
    EXPECT_EQ(SendSmsUrl("601234567", "", false, false),
              "briskopc.asp?function=SENDLONGSMS&to=48601234567&body=&class=1&unicode=0");
    EXPECT_EQ(SendSmsUrl("6012", "", false, false),
              "briskopc.asp?function=SENDLONGSMS&to=486012&body=&class=1&unicode=0");
}

TEST(SendSmsQuery, EscapesTheText) {
    EXPECT_EQ(SendSmsUrl("+48601234567", "Ala & kot?\r\n50%", false, false),
              "briskopc.asp?function=SENDLONGSMS&to=48601234567"
              "&body=Ala+%26+kot%3F%0D%0A50%25&class=1&unicode=0");
}

TEST(SendSmsQuery, ALongestTextOfPolishLettersIsEscapedWhole) {
    std::string text;
    std::string escaped;
    for (int i = 0; i < 153; ++i) {
        text += "\271\352\263";
        escaped += "%B9%EA%B3";
    }
    ASSERT_EQ(CheckSmsInput(kNumber, text, false), SmsInput::Ok);
    const std::string url = SendSmsUrl("+48" + kNumber, text, false, false);
    EXPECT_EQ(url, "briskopc.asp?function=SENDLONGSMS&to=48601234567&body=" + escaped +
                       "&class=1&unicode=0");
    // The request's URL field holds 2048 bytes with its terminator.
    EXPECT_LT(url.size(), 2048u);
}

} // namespace
