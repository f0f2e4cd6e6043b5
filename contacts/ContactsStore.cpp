// The copy of the contact list on disk, for the logins that find no service.
#include "BriskoPCDlg.h"

#include "ContactsFile.h"
#include "Credentials.h"
#include "DataFile.h"

namespace {
// Only a login of the right form names a file: a profile could hold anything.
bool ContactsFileName(const std::string& login, std::string* name) {
    if (!IsValidLogin(login))
        return false;
    *name = login + ".cts";
    return true;
}
} // namespace

void CBriskoPCDlg::WriteContactsFile() {
    std::string name;
    if (!ContactsFileName(m_strLogin, &name))
        return;
    std::vector<ContactEntry> entries;
    m_contacts.ForEach([&entries](const Contact& c) {
        entries.push_back({c.strName, c.strNumber, c.nUserId, c.nPresence});
    });
    WriteDataFile(name, EncodeContactsFile(entries));
}

void CBriskoPCDlg::ReadContactsFile() {
    std::string name, bytes;
    if (!ContactsFileName(m_strLogin, &name) || !ReadDataFile(name, &bytes))
        return;
    AddContacts(DecodeContactsFile(bytes).entries);
}
