// Rules of an SMS that need no window: counting its characters and parts, the
// checks of the compose dialog, its counter and price lines and the query that
// sends it.
#pragma once

#include <string>

// The longest texts the service takes: three linked plain SMS, or one SMS with
// Polish characters.
constexpr int kMaxPlainLength = 459;
constexpr int kMaxPolishLength = 70;

// Characters as the service counts them: the text's bytes (cp1250), a line
// break typed as CR LF counts 2 (the edit control already gives CR LF, so this
// is just the byte length).
int SmsLength(const std::string& text);

// The SMS a text of nLength characters takes: plain, one up to 160 characters,
// else one per 153 begun; with Polish characters always one.
int SmsParts(int nLength, bool bPolish);

enum class SmsInput { Ok, TooLongPlain, TooLongPolish, BadNumber };

// Checks the compose dialog's text against the limit of its mode, then the
// number (the 9 digits after "+48", of a mobile network). An empty text passes.
SmsInput CheckSmsInput(const std::string& number, const std::string& text, bool bPolish);

// The text telling the user what is wrong (cp1250); nullptr for Ok.
const char* SmsInputMessage(SmsInput input);

// The 9 digits of a contact's stored number ("+48" and 9 digits) as the
// compose dialog takes them; empty when it would refuse them.
std::string RecipientDigits(const std::string& storedNumber);

// The counter line: characters and SMS, "Liczba znak\363w: %d, SMSy: %d" (cp1250).
std::string SmsCounterText(int nLength, int nParts);

// "Cena: %d BPS".
std::string SmsPriceText(int nPrice);

// The SENDSMS query: the number's last 9 characters (all of a shorter one)
// after "48", the escaped text, the class ("0" for class 0, else "1") and
// whether the text goes as Unicode.
std::string SendSmsUrl(const std::string& number, const std::string& text, bool bClass0,
                       bool bUnicode);
