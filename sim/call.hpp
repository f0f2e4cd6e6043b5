// One call of the service script, "briskopc.asp?function=NAME&...", taken
// apart without any socket in sight.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

using Params = std::vector<std::pair<std::string, std::string>>;

struct Call {
    std::string target;      // path and query exactly as received
    std::string connection;  // identifies the TCP connection it came on
    Params params;           // decoded, in order, duplicates kept
    std::string function;    // the first "function" parameter ("" when none)
    std::string web_session; // the client's session cookie (see Service)

    // The first value of a parameter, or nullptr when it is absent.
    const std::string* param(std::string_view name) const;
};

// Undoes %XX escapes (malformed ones stay as they are); with `plus_is_space`,
// "+" becomes a space as in a query.
std::string url_decode(std::string_view s, bool plus_is_space);

// Splits "a=1&b=2" into decoded pairs ("a" alone gives the value "").
Params parse_query(std::string_view query);

// Takes a request target ("/briskopc.asp?function=X") apart.
Call parse_call(std::string_view target, std::string_view connection);

// The value of cookie `name` in a Cookie header ("a=1; b=2"), or "" when it
// is not there.
std::string cookie_value(std::string_view header, std::string_view name);

// The N of a Range header "bytes=N-", the one form a resuming download sends.
bool resume_offset(std::string_view range, size_t& offset);

// The path of a request target: everything before "?".
std::string_view target_path(std::string_view target);

} // namespace sim
