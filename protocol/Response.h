// Reading the service's answers: a keyword line, then one field per line, each
// line ending in "\r\n". Keywords that stand alone make up the whole body.
#pragma once

#include <string>
#include <string_view>

// True when the response begins with the keyword; a null response is empty.
bool StartsWith(const char* response, std::string_view keyword);

// True when the whole response is the keyword; a null response is empty.
bool Equals(const char* response, std::string_view keyword);

// A decimal number as atoi reads it (leading white space, a sign, the digits
// up to the first other character; 0 when there are none), except that a
// number out of range gives INT_MIN or INT_MAX instead of undefined behaviour.
int ParseInt(std::string_view text);

// Takes the fields of one answer in order. The reader stands at the start of a
// line, first the keyword line; each field is the line after it.
class ResponseReader {
public:
    explicit ResponseReader(std::string_view response) : m_text(response) {}
    // A null response reads as empty.
    explicit ResponseReader(const char* response) : m_text(response ? response : "") {}

    // Moves to the next line and returns it without its "\r". A line that has
    // no "\n" after it (the last one of a body without a line end) is empty,
    // and so is every field once the lines run out.
    std::string NextField();
    // The next field as a number (ParseInt).
    int NextInt() { return ParseInt(NextField()); }
    // Everything after the current line, line breaks included; empty when the
    // current line has no "\n".
    std::string Rest() const;

private:
    std::string_view m_text; // from the start of the current line to the end
};
