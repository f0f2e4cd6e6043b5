// The service's contact list, the answer to GETCONTACTS.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ContactEntry {
    std::string strName;
    std::string strNumber;
    int nUserId = 0;
    int nPresence = 0;
};

// The entries of an answer whose keyword line the caller has checked: after the
// first "\n", four fields per contact, each ended by ";": name, number, user id,
// presence. An empty name or number ends the list. When a ";" is missing the
// reading ends: an entry whose name and number are whole is kept, its cut user
// id or presence read from the rest of the text.
std::vector<ContactEntry> ParseContactList(std::string_view response);
