#include "PriceList.h"

#include "Response.h"

namespace {

constexpr std::string_view kKeyword = "COSTSOK";

// Takes the next ";"-ended field off the front of the text; false, taking
// nothing, when no ";" is left.
bool TakeField(std::string_view& rest, int& value) {
    const size_t end = rest.find(';');
    if (end == std::string_view::npos) {
        return false;
    }
    value = ParseInt(rest.substr(0, end));
    rest.remove_prefix(end + 1);
    return true;
}

} // namespace

bool ApplyPriceList(std::string_view response, PriceTable& table) {
    if (response.substr(0, kKeyword.size()) != kKeyword) {
        return false;
    }
    const size_t lineEnd = response.find('\n');
    if (lineEnd == std::string_view::npos) {
        return true;
    }
    std::string_view rest = response.substr(lineEnd + 1);
    int type = 0;
    int tariff = 0;
    int price = 0;
    while (TakeField(rest, type) && type != 0 && TakeField(rest, tariff) &&
           TakeField(rest, price)) {
        if (type >= 1 && type < kPriceTypes && tariff >= 0 && tariff < kPriceClasses) {
            table.anPrices[type][tariff] = price;
        }
    }
    return true;
}
