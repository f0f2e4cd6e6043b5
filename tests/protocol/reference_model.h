// The escaping tables written out row by row and applied literally, one
// whole-string replacement after another: what the fast one-pass code must
// match byte for byte. Shared by the unit tests and the fuzz target.
#pragma once

#include <string>
#include <string_view>

namespace reference {

struct Row {
    std::string_view character;
    std::string_view replacement;
};

// Rows in the order they are applied; rows 1 to 18 are the Polish letters.
inline constexpr Row kEncodeRows[] = {
    {"%", "%25"},    {"\xB9", "%B9"}, {"\xE6", "%E6"}, {"\xEA", "%EA"}, {"\x9C", "%9C"},
    {"\xBF", "%BF"}, {"\x9F", "%9F"}, {"\xB3", "%B3"}, {"\xF3", "%F3"}, {"\xF1", "%F1"},
    {"\xA5", "%A5"}, {"\xC6", "%C6"}, {"\xCA", "%CA"}, {"\xA3", "%A3"}, {"\xD1", "%D1"},
    {"\xD3", "%D3"}, {"\x8C", "%8C"}, {"\xAF", "%AF"}, {"\x8F", "%8F"}, {"!", "%21"},
    {"#", "%23"},    {"$", "%24"},    {"^", "%5E"},    {"&", "%26"},    {")", "%29"},
    {"(", "%28"},    {"+", "%2B"},    {"\"", "%22"},   {"'", "%27"},    {"?", "%3F"},
    {"/", "%2F"},    {"\\", "%5C"},   {" ", "+"},      {"\r", "%0D"},   {"\n", "%0A"},
    {":", "%3A"},
};
inline constexpr int kFirstPolishRow = 1;
inline constexpr int kLastPolishRow = 18;

// Replaces every occurrence, left to right, without overlaps.
inline std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string result;
    size_t done = 0;
    for (size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, done)) {
        result.append(text, done, hit - done);
        result.append(to);
        done = hit + from.size();
    }
    result.append(text, done);
    return result;
}

inline std::string Encode(std::string text) {
    for (const Row& row : kEncodeRows) {
        text = ReplaceAll(text, row.character, row.replacement);
    }
    return text;
}

inline std::string Decode(std::string text) {
    for (int i = kFirstPolishRow; i <= kLastPolishRow; ++i) {
        text = ReplaceAll(text, kEncodeRows[i].replacement, kEncodeRows[i].character);
    }
    return text;
}

} // namespace reference
