// The service's contact list on any bytes: the reading ends, every entry has a
// name and a number, and each comes from the text in order.
#include "FuzzCheck.h"
#include "contacts/ContactListParser.h"

#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const std::vector<ContactEntry> entries = ParseContactList(answer);
    // Each entry takes at least four bytes ("a;b;"), after the keyword line.
    Check(entries.size() <= size / 4);
    size_t from = answer.find('\n');
    for (const ContactEntry& entry : entries) {
        Check(from < size);
        Check(!entry.strName.empty() && !entry.strNumber.empty());
        Check(entry.strName.find(';') == std::string::npos);
        Check(entry.strNumber.find(';') == std::string::npos);
        // Name and number stand in the text in this order, each ended by ";".
        const std::string head = entry.strName + ";" + entry.strNumber + ";";
        Check(answer.compare(from + 1, head.size(), head) == 0);
        // Past the user id's and the presence's ";", or at the end when one is missing.
        const size_t userIdEnd = answer.find(';', from + 1 + head.size());
        from = userIdEnd == std::string_view::npos ? size : answer.find(';', userIdEnd + 1);
        if (from == std::string_view::npos) {
            from = size;
        }
    }
    return 0;
}
