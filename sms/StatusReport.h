// The service's report on the SMS sent from the account, the answer to STATUSSMS.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The report's columns: ordinal, description, sender, recipient, cost, created,
// sent, status.
constexpr size_t kStatusColumns = 8;

using StatusRow = std::array<std::string, kStatusColumns>;

// The rows of an answer, in its order; none unless it begins "STATUSOK". The
// keyword line is skipped (all of the text is read when it has no line feed).
// Each record is eight fields, each ended by ";"; every CR LF inside a field
// goes (the line break between records lands in the next one's first field),
// a lone CR or LF stays. A last record cut short (a report cut at the service's
// size limit) still shows as a row when its first field is whole: its whole
// fields are kept, the cut one and those after it are empty. Text after the
// last ";" is ignored.
std::vector<StatusRow> ParseStatusReport(std::string_view response);

// The STATUSSMS query: for every SMS of the account, or for those to one
// number (its last 9 characters, as the service takes it).
std::string StatusSmsUrl(const std::string& number = std::string());

// Whether the report lists an SMS to the number ("+48" and 9 digits) created
// at or after sentAt ("YYYY-MM-DD HH:MM:SS", as the report writes times). A
// creation time of any other form shows nothing: a garbled report must not
// pass an SMS off as delivered.
bool ReportShowsSms(const std::vector<StatusRow>& rows, const std::string& number,
                    const std::string& sentAt);
