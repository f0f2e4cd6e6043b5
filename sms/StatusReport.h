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
