// Parameter escaping, answer decoding and the field reader on any bytes: each
// must agree with the literal row-by-row tables or a plain line splitter,
// decoding must never lengthen the text nor write past its terminator, and the
// reader must stay inside the answer.
#include "FuzzCheck.h"
#include "protocol/Encoding.h"
#include "protocol/Response.h"
#include "tests/protocol/reference_model.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

void CheckEncode(const std::string& input) {
    std::string encoded = input;
    Check(EncodeParam(encoded) == 0);
    Check(encoded == reference::Encode(input));
    // Of the table's characters only "%" (starting an escape) and "+" (a space) remain.
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        for (const reference::Row& row : reference::kEncodeRows) {
            Check(c != row.character[0] || c == '%' || c == '+');
        }
        if (c == '%') {
            Check(i + 2 < encoded.size() && IsUpperHex(encoded[i + 1]) &&
                  IsUpperHex(encoded[i + 2]));
        }
    }
}

void CheckDecode(const std::string& input) {
    // The buffer ends at its terminator, so writing past it is caught.
    std::vector<char> buffer(input.begin(), input.end());
    buffer.push_back('\0');
    const std::string text(input.c_str());
    Check(DecodeResponse(buffer.data()) == 0);
    const std::string decoded(buffer.data());
    Check(decoded == reference::Decode(text));
    Check(decoded.size() <= text.size());
    Check(std::equal(input.begin() + text.size(), input.end(), buffer.begin() + text.size()));

    std::string whole = input;
    Check(DecodeResponse(whole) == 0);
    Check(whole == reference::Decode(input));
}

int ClampedAtoi(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Reads the answer straight from the fuzzer's buffer, which ends exactly there.
void CheckReader(const uint8_t* data, size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    std::vector<size_t> lineEnds;
    for (size_t i = 0; i < size; ++i) {
        if (answer[i] == '\n') {
            lineEnds.push_back(i);
        }
    }
    ResponseReader reader(answer);
    ResponseReader numbers(answer);
    // Field k is line k, complete only when its own "\n" follows it.
    for (size_t k = 1; k <= lineEnds.size() + 1; ++k) {
        const size_t restFrom = k - 1 < lineEnds.size() ? lineEnds[k - 1] + 1 : size;
        // Rest() copies what is left: checked at every line it would make a
        // long answer quadratic and the fuzzer slow.
        if (k == 1 || k == lineEnds.size() + 1 || k % 64 == 0) {
            Check(reader.Rest() == answer.substr(restFrom));
        }
        std::string expected;
        if (k < lineEnds.size()) {
            expected = std::string(answer.substr(restFrom, lineEnds[k] - restFrom));
            if (!expected.empty() && expected.back() == '\r') {
                expected.pop_back();
            }
        }
        Check(reader.NextField() == expected);
        Check(numbers.NextInt() == ClampedAtoi(expected));
    }
    const std::string keyword(answer.substr(0, std::min<size_t>(size, 12)));
    const std::string body(answer);
    Check(StartsWith(body.c_str(), std::string_view(keyword.c_str())));
    Check(Equals(body.c_str(), keyword.c_str()) ==
          (std::strcmp(body.c_str(), keyword.c_str()) == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckEncode(input);
    CheckDecode(input);
    CheckReader(data, size);
    return 0;
}
