// The simulator's request parsing on any bytes: a request target taken apart
// into parameters, a cookie picked from a Cookie header and a download's
// offset from a Range header. Input: the header, a line feed, then the target.
#include "sim/call.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lf = input.find('\n');
    const std::string_view cookies = input.substr(0, lf);
    const std::string_view target = lf == std::string_view::npos ? "" : input.substr(lf + 1);

    const sim::Call call = sim::parse_call(target, "1");
    // Decoding never makes text longer, and "function" is one of the parameters.
    for (const auto& [name, value] : call.params) {
        if (name.size() + value.size() > target.size()) {
            std::abort();
        }
    }
    const std::string* function = call.param("function");
    if (function ? *function != call.function : !call.function.empty()) {
        std::abort();
    }

    // A cookie value is one trimmed piece of one item of the header.
    const std::string value = sim::cookie_value(cookies, "ASPSESSIONID");
    if (value.find(';') != std::string::npos || value.size() > cookies.size() ||
        (!value.empty() && (value.front() == ' ' || value.back() == '\t' || value.back() == ' ' ||
                            value.front() == '\t'))) {
        std::abort();
    }

    // Only "bytes=", the offset's digits and "-" give an offset.
    size_t offset = 0;
    if (sim::resume_offset(cookies, offset)) {
        const std::string_view digits = cookies.substr(6, cookies.size() - 7);
        const size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
        if (cookies.substr(0, 6) != "bytes=" || cookies.back() != '-' || digits.empty() ||
            digits.substr(first) != std::to_string(offset)) {
            std::abort();
        }
    }
    return 0;
}
