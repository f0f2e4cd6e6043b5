#include "StatusReport.h"

namespace {

constexpr std::string_view kKeyword = "STATUSOK";
constexpr std::string_view kLineBreak = "\r\n";

// The field without its line breaks.
std::string WithoutLineBreaks(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (size_t pos = 0;;) {
        const size_t found = field.find(kLineBreak, pos);
        text.append(field.substr(pos, found - pos));
        if (found == std::string_view::npos) {
            return text;
        }
        pos = found + kLineBreak.size();
    }
}

} // namespace

std::vector<StatusRow> ParseStatusReport(std::string_view response) {
    std::vector<StatusRow> rows;
    if (response.substr(0, kKeyword.size()) != kKeyword) {
        return rows;
    }
    std::string_view rest = response;
    const size_t lineEnd = rest.find('\n');
    if (lineEnd != std::string_view::npos) {
        rest.remove_prefix(lineEnd + 1);
    }
    // A row begins only where a ";" is left, and every field read moves past
    // its ";": the reading ends at the first field without one.
    while (rest.find(';') != std::string_view::npos) {
        StatusRow& row = rows.emplace_back();
        for (std::string& cell : row) {
            const size_t end = rest.find(';');
            if (end == std::string_view::npos) {
                return rows;
            }
            cell = WithoutLineBreaks(rest.substr(0, end));
            rest.remove_prefix(end + 1);
        }
    }
    return rows;
}

std::string StatusSmsUrl(const std::string& number) {
    std::string url = "briskopc.asp?function=STATUSSMS";
    if (!number.empty())
        url += "&number=" + number.substr(number.size() > 9 ? number.size() - 9 : 0);
    return url;
}

namespace {

bool IsReportTime(std::string_view time) {
    constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
    if (time.size() != kShape.size())
        return false;
    for (size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == 'd' ? time[i] < '0' || time[i] > '9' : time[i] != kShape[i])
            return false;
    return true;
}

} // namespace

bool ReportShowsSms(const std::vector<StatusRow>& rows, const std::string& number,
                    const std::string& sentAt) {
    constexpr size_t kRecipient = 3;
    constexpr size_t kCreated = 5;
    if (!IsReportTime(sentAt))
        return false;
    // Times of this one form order as their texts do.
    for (const StatusRow& row : rows)
        if (row[kRecipient] == number && IsReportTime(row[kCreated]) && row[kCreated] >= sentAt)
            return true;
    return false;
}
