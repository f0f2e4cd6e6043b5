#include "ContactListParser.h"

#include "Response.h"

namespace {

// Walks the ";"-ended fields. Once a field lacks its ";" the cursor stays at
// the end, where every further field is empty: the reading ends there and
// never starts over.
class CFieldCursor {
public:
    explicit CFieldCursor(std::string_view text) : m_rest(text) {}

    // The next field without its ";"; false (and the rest of the text as the
    // field) when no ";" follows.
    bool Next(std::string_view& field) {
        const size_t end = m_rest.find(';');
        if (end == std::string_view::npos) {
            field = m_rest;
            m_rest = {};
            return false;
        }
        field = m_rest.substr(0, end);
        m_rest.remove_prefix(end + 1);
        return true;
    }

private:
    std::string_view m_rest;
};

} // namespace

std::vector<ContactEntry> ParseContactList(std::string_view response) {
    std::vector<ContactEntry> entries;
    const size_t lineEnd = response.find('\n');
    if (lineEnd == std::string_view::npos) {
        return entries;
    }
    CFieldCursor cursor(response.substr(lineEnd + 1));
    for (;;) {
        std::string_view name, number, userId, presence;
        if (!cursor.Next(name) || name.empty() || !cursor.Next(number) || number.empty()) {
            return entries;
        }
        // A user id or presence cut short is read from the rest of the text.
        cursor.Next(userId);
        cursor.Next(presence);
        ContactEntry& entry = entries.emplace_back();
        entry.strName = name;
        entry.strNumber = number;
        entry.nUserId = ParseInt(userId);
        entry.nPresence = ParseInt(presence);
    }
}
