#include "ContactsFile.h"

#include "TextModeFile.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kMagic = "BPCC";

// False when the entry cannot be read whole.
bool ReadEntry(CByteReader& reader, ContactEntry& entry) {
    int32_t presence = 0;
    int32_t userId = 0;
    if (!reader.ReadText(kMaxStoredNumber, entry.strNumber) ||
        !reader.ReadText(kMaxStoredName, entry.strName) || !reader.ReadInt32(presence) ||
        !reader.ReadInt32(userId)) {
        return false;
    }
    // Whoever was online when the file was written is not known to be now.
    entry.nPresence = std::min(presence, 0);
    entry.nUserId = userId;
    return true;
}

} // namespace

std::string EncodeContactsFile(const std::vector<ContactEntry>& contacts) {
    std::string bytes(kMagic);
    AppendInt32(bytes, static_cast<int32_t>(contacts.size()));
    for (const ContactEntry& contact : contacts) {
        AppendText(bytes, contact.strNumber, kMaxStoredNumber);
        AppendText(bytes, contact.strName, kMaxStoredName);
        AppendInt32(bytes, contact.nPresence);
        AppendInt32(bytes, contact.nUserId);
    }
    return ToTextMode(bytes);
}

ContactsFileContent DecodeContactsFile(std::string_view stored) {
    ContactsFileContent content;
    const std::string bytes = FromTextMode(stored);
    CByteReader reader(bytes);
    std::string magic;
    if (!reader.ReadBytes(kMagic.size(), magic) || magic != kMagic) {
        return content;
    }
    int32_t count = 0;
    if (!reader.ReadInt32(count) || count < 0) {
        content.bBroken = true;
        return content;
    }
    // Each entry takes bytes of the file, so a wrong count ends at the file's end.
    for (int32_t i = 0; i < count; ++i) {
        ContactEntry entry;
        if (!ReadEntry(reader, entry)) {
            content.bBroken = true;
            return content;
        }
        if (!entry.strNumber.empty() && !entry.strName.empty()) {
            content.entries.push_back(std::move(entry));
        }
    }
    return content;
}
