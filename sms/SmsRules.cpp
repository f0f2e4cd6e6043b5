#include "SmsRules.h"

#include "ContactRules.h"
#include "Encoding.h"

namespace {

constexpr int kSingleSmsLength = 160;
constexpr int kLinkedPartLength = 153;
constexpr size_t kNumberDigits = 9;
constexpr char kCountryPrefix[] = "+48";

} // namespace

int SmsLength(const std::string& text) {
    return static_cast<int>(text.size());
}

int SmsParts(int nLength, bool bPolish) {
    if (bPolish || nLength <= kSingleSmsLength) {
        return 1;
    }
    return (nLength + kLinkedPartLength - 1) / kLinkedPartLength;
}

SmsInput CheckSmsInput(const std::string& number, const std::string& text, bool bPolish) {
    const int nLength = SmsLength(text);
    if (!bPolish && nLength > kMaxPlainLength) {
        return SmsInput::TooLongPlain;
    }
    if (bPolish && nLength > kMaxPolishLength) {
        return SmsInput::TooLongPolish;
    }
    if (!IsMobileNumber(number)) {
        return SmsInput::BadNumber;
    }
    return SmsInput::Ok;
}

const char* SmsInputMessage(SmsInput input) {
    switch (input) {
    case SmsInput::TooLongPlain:
        return "Za d\263uga tre\234\346 smsa. Maks. 459 znak\363w w 3 SMSach.";
    case SmsInput::TooLongPolish:
        return "Za d\263uga tre\234\346 smsa. Maks. 70 znak\363w.";
    case SmsInput::BadNumber:
        return ContactInputMessage(ContactInput::BadNumber);
    case SmsInput::Ok:
        break;
    }
    return nullptr;
}

std::string RecipientDigits(const std::string& storedNumber) {
    const std::string prefix = kCountryPrefix;
    if (storedNumber.compare(0, prefix.size(), prefix) != 0) {
        return "";
    }
    std::string digits = storedNumber.substr(prefix.size());
    return CheckSmsInput(digits, "", false) == SmsInput::Ok ? digits : "";
}

std::string SmsCounterText(int nLength, int nParts) {
    return "Liczba znak\363w: " + std::to_string(nLength) + ", SMSy: " + std::to_string(nParts);
}

std::string SmsPriceText(int nPrice) {
    return "Cena: " + std::to_string(nPrice) + " BPS";
}

std::string SendSmsUrl(const std::string& number, const std::string& text, bool bClass0,
                       bool bUnicode) {
    const size_t start = number.size() > kNumberDigits ? number.size() - kNumberDigits : 0;
    std::string body = text;
    EncodeParam(body);
    return "briskopc.asp?function=SENDLONGSMS&to=48" + number.substr(start) + "&body=" + body +
           "&class=" + (bClass0 ? "0" : "1") + "&unicode=" + (bUnicode ? "1" : "0");
}
