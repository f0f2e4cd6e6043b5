// The price list on any text: only an answer with the keyword changes the
// table, never a row or class out of range, and the reading always ends.
#include "FuzzCheck.h"
#include "sms/PriceList.h"

#include <cstdint>
#include <string_view>

namespace {

constexpr int kUntouched = -7;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view response(reinterpret_cast<const char*>(data), size);
    PriceTable table;
    for (auto& row : table.anPrices) {
        for (int& price : row) {
            price = kUntouched;
        }
    }
    const bool bApplied = ApplyPriceList(response, table);
    Check(bApplied == (response.substr(0, 7) == "COSTSOK"));
    for (int type = 0; type < kPriceTypes; ++type) {
        for (int tariff = 0; tariff < kPriceClasses; ++tariff) {
            Check(table.anPrices[type][tariff] == kUntouched || (bApplied && type != 0));
        }
    }
    return 0;
}
