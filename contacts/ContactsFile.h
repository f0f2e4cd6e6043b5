// The contacts file: a copy of the contact list for logins without the service.
// "BPCC", the count n, then n entries (length and bytes of the number, length
// and bytes of the name, presence, user id), stored as a text-mode stream.
#pragma once

#include "ContactListParser.h"

#include <string>
#include <string_view>
#include <vector>

// The longest number and name the reading takes.
constexpr size_t kMaxStoredNumber = 20;
constexpr size_t kMaxStoredName = 511;

// The file's bytes as stored. A number or name longer than the reading takes
// is cut to that length, so the entries after it still read back.
std::string EncodeContactsFile(const std::vector<ContactEntry>& contacts);

struct ContactsFileContent {
    std::vector<ContactEntry> entries;
    bool bBroken = false; // the file ended early or held a length it cannot have
};

// The entries of a stored file, in file order. Another magic gives nothing (not
// our file). A negative length, a length over its limit, or an end before the n
// entries breaks the reading off; the entries read before stay. An entry with
// an empty number or name is skipped; a presence above 0 reads as logged off.
ContactsFileContent DecodeContactsFile(std::string_view stored);
