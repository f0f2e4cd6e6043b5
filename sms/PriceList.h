// The service's price list, the answer to GETCOSTS.
#pragma once

#include <string_view>

// Message types the table has rows for, and the tariff classes.
constexpr int kPriceTypes = 16;
constexpr int kPriceClasses = 3;
// The rows of a plain SMS and of one with Polish characters.
constexpr int kPricePlainSms = 1;
constexpr int kPricePolishSms = 14;

// The price in credits of one SMS, by message type (row) and tariff class (column).
struct PriceTable {
    int anPrices[kPriceTypes][kPriceClasses] = {};
};

// Applies an answer that begins "COSTSOK"; false (and the table untouched) for
// any other. After the keyword line come three ";"-ended fields per entry: type,
// class, price. Entries with type 1-15 and class 0-2 set their price, others are
// skipped, and the table keeps the prices no entry names. A type 0 (or not a
// number) ends the list, and so does an entry cut before its third ";": a price
// that may have lost digits is not taken.
bool ApplyPriceList(std::string_view response, PriceTable& table);
