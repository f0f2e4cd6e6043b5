// The contacts file on any bytes: no entry without a number or name, none
// longer than the reading takes, and what was read writes and reads back the same.
#include "FuzzCheck.h"
#include "contacts/ContactsFile.h"

#include <cstdint>
#include <string_view>

namespace {

bool SameEntries(const std::vector<ContactEntry>& a, const std::vector<ContactEntry>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].strName != b[i].strName || a[i].strNumber != b[i].strNumber ||
            a[i].nUserId != b[i].nUserId || a[i].nPresence != b[i].nPresence) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view stored(reinterpret_cast<const char*>(data), size);
    const ContactsFileContent content = DecodeContactsFile(stored);
    for (const ContactEntry& entry : content.entries) {
        Check(!entry.strNumber.empty() && entry.strNumber.size() <= kMaxStoredNumber);
        Check(!entry.strName.empty() && entry.strName.size() <= kMaxStoredName);
        Check(entry.nPresence <= 0);
    }
    const std::string written = EncodeContactsFile(content.entries);
    const ContactsFileContent again = DecodeContactsFile(written);
    Check(!again.bBroken);
    Check(SameEntries(again.entries, content.entries));
    Check(EncodeContactsFile(again.entries) == written);
    return 0;
}
