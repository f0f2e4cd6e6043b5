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
// Text is converted to cp1250; a character cp1250 lacks is an error. Later
// issues add entry kinds (contacts, prices, ...) here.
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

struct Seed {
    std::vector<Account> accounts;
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

// The built-in seed that --demo loads: one demo account.
std::string_view demo_seed_text();

} // namespace sim
