// The seed file: the small text file the simulator's world starts from.
//
// UTF-8 text, one entry a line; blank lines and comments (from a "#" that
// starts a word to the end of the line) are ignored, a CR before the line end
// is allowed. Words are separated by spaces or tabs; a word in double quotes
// may hold spaces and "#", with \" and \\ as its only escapes. Entries:
//
//   account LOGIN PASSWORD NAME CREDITS DAYS CLASS
//     LOGIN     "+" and 1 to 15 digits (the account number, e.g. +48600100200)
//     PASSWORD  text (quote it when it holds spaces or is empty)
//     NAME      the display name, text
//     CREDITS, DAYS, CLASS  whole numbers (32-bit signed)
//
//   contact OWNER NAME NUMBER
//     OWNER     the login of an account on an earlier line
//     NAME      the contact's name, text, not empty and without ";"
//     NUMBER    "+48" and 9 digits, once per owner
//
//   autoreply LOGIN MS
//     LOGIN     the login of an account on an earlier line, once
//     MS        0 to 600000: the account answers every text it receives
//               after MS milliseconds (0: it does not)
//
// Text is converted to cp1250; a character cp1250 lacks is an error. Later
// issues add entry kinds (prices, ...) here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Account {
    std::string login;        // "+48600100200"
    std::string password;     // cp1250
    std::string display_name; // cp1250
    int32_t credits = 0;
    int32_t days = 0;
    int32_t account_class = 0;
};

bool operator==(const Account& a, const Account& b);

// One entry of an account's contact list.
struct Contact {
    std::string name;   // cp1250, not empty, without ";"
    std::string number; // "+48" and 9 digits
};

struct SeedContact {
    std::string owner; // the login of the account whose list holds it
    Contact contact;
};

bool operator==(const SeedContact& a, const SeedContact& b);

// A scripted user: the account answers each text sent to it after `ms`.
struct SeedAutoReply {
    std::string login;
    int32_t ms = 0;
};

bool operator==(const SeedAutoReply& a, const SeedAutoReply& b);

inline constexpr int32_t kMaxAutoReplyMs = 10 * 60 * 1000;

struct Seed {
    std::vector<Account> accounts;
    std::vector<SeedContact> contacts;       // in file order
    std::vector<SeedAutoReply> auto_replies; // in file order
};

struct SeedError {
    int line; // 1-based
    std::string message;
};

struct SeedParse {
    Seed seed;                     // the entries of every line that had no error
    std::vector<SeedError> errors; // in line order
    bool ok() const { return errors.empty(); }
};

// Parses seed text. Never throws on content and accepts any bytes: whatever
// is wrong comes back as errors with line numbers.
SeedParse parse_seed(std::string_view text);

// Writes a seed as text that parse_seed reads back as the same seed.
std::string format_seed(const Seed& seed);

// True for "+48" followed by 9 digits, the form in which numbers are kept.
bool is_full_number(std::string_view number);

// True for a contact name the contact list can carry: not empty, no ";"
// (the separator of the list's fields).
bool is_contact_name(std::string_view name);

// The built-in seed that --demo loads: the demo account first, the accounts
// among its contacts, their contact lists, and one of them who answers texts.
std::string_view demo_seed_text();

} // namespace sim
