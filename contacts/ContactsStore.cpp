// The copy of the contact list on disk, for the logins that find no service.
#include "BriskoPCDlg.h"

#include "ContactsFile.h"
#include "Credentials.h"
#include "DataFile.h"

void CBriskoPCDlg::WriteContactsFile() {
    std::string name;
    if (!LoginFileName(m_strLogin, ".cts", &name))
        return;
    std::vector<ContactEntry> entries;
    m_contacts.ForEach([&entries](const Contact& c) {
        entries.push_back({c.strName, c.strNumber, c.nUserId, c.nPresence});
    });
    WriteDataFile(name, EncodeContactsFile(entries));
}

void CBriskoPCDlg::ReadContactsFile() {
    std::string name, bytes;
    if (!LoginFileName(m_strLogin, ".cts", &name) || !ReadDataFile(name, &bytes))
        return;
    AddContacts(DecodeContactsFile(bytes).entries);
}
