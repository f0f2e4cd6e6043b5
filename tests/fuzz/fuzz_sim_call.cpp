// The simulator's request parsing on any bytes: a request target taken apart
// into parameters, and a cookie picked from a Cookie header. Input: the
// Cookie header, a line feed, then the target.
#include "sim/call.hpp"

#include <cstdint>
#include <cstdlib>
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
    return 0;
}
