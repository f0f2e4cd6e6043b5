// The status report on any text: rows only for an answer with the keyword,
// no cell holding a ";", and no text read twice.
#include "FuzzCheck.h"
#include "sms/StatusReport.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view response(reinterpret_cast<const char*>(data), size);
    const std::vector<StatusRow> rows = ParseStatusReport(response);
    if (response.substr(0, 8) != "STATUSOK") {
        Check(rows.empty());
        return 0;
    }
    // Each row takes at least one ";" of the text, each cell its own text and ";".
    const size_t semicolons =
        static_cast<size_t>(std::count(response.begin(), response.end(), ';'));
    Check(rows.size() <= semicolons);
    size_t taken = 0;
    for (const StatusRow& row : rows) {
        for (const std::string& cell : row) {
            Check(cell.find(';') == std::string::npos);
            taken += cell.size() + 1;
        }
    }
    Check(taken <= response.size() + kStatusColumns);
    return 0;
}
