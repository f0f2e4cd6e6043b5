// The service's side of the contacts: fetching the list after login, and
// adding, changing and removing a contact, each applied only once confirmed.
#include "BriskoPCDlg.h"
#include "ChatDlg.h"

#include "ContactListParser.h"
#include "Encoding.h"
#include "MessageBox.h"
#include "Response.h"
#include "resource.h"

namespace {
const char kPseudoContactName[] = "SMSy wysłane poza Kontaktami";
// "Kontakty" carries 1 once the service's list is in: the add command is offered on it.
const LPARAM kContactsReceived = 1;
} // namespace

void CBriskoPCDlg::SendGetContacts() {
    if (IsSessionUp())
        QueueRequest("GETCONTACTS", "briskopc.asp?function=GETCONTACTS");
}

// Adds a contact the list does not have yet; one with the same number only
// takes the presence.
void CBriskoPCDlg::AddContact(const std::string& name, const std::string& number, int nUserId,
                              int nPresence) {
    auto c = std::make_unique<Contact>();
    c->strName = name;
    c->strNumber = number;
    c->nUserId = nUserId;
    c->nPresence = nPresence;
    if (m_contacts.AddOrUpdate(c.get()))
        c.release();
}

void CBriskoPCDlg::AddContacts(const std::vector<ContactEntry>& entries) {
    m_wndTree.SetRedraw(FALSE);
    m_contacts.BeginList();
    for (const ContactEntry& entry : entries)
        AddContact(entry.strName, entry.strNumber, entry.nUserId, entry.nPresence);
    m_contacts.EndList();
    // Sent SMS waiting for their contact, or the pseudo-contact, to be shown.
    m_contacts.HangSentSms();
    m_wndTree.SetRedraw(TRUE);
}

void CBriskoPCDlg::OnGetContacts(HttpRequest& request) {
    const char* response = request.pszResponse.get();
    if (!StartsWith(response, "CONTACTSOK"))
        return;
    AddContact(kPseudoContactName, kPseudoContactNumber, 0, 1);
    m_wndTree.SetItemData(m_contacts.m_hContactsItem, kContactsReceived);
    AddContacts(ParseContactList(response));
    m_wndTree.Expand(m_contacts.m_hContactsItem, TVE_EXPAND);
    RefreshConnectionItems();
    m_nContactsSource = 2;
    // Kept on disk at once: the program may end without "Zakończ".
    WriteContactsFile();
    FetchPendingMessages();
}

void CBriskoPCDlg::SendContactRequest(const std::string& op, std::unique_ptr<Contact> r) {
    if (!IsSessionUp())
        return;
    std::string name = r->strName;
    std::string number = r->strNumber;
    if (op == "ADDCONTACT") {
        // The service knows neither the temporary mark nor the country prefix.
        name = name.substr(name.size() < 2 ? name.size() : 2);
        number = NationalNumber(number);
    }
    EncodeParam(name);
    std::string function = op == "EDIT"     ? "EDITCONTACT"
                           : op == "DELETE" ? "DELETECONTACT"
                                            : "ADDNEWCONTACT";
    std::string url = "briskopc.asp?function=" + function + "&name=" + name + "&number=" + number;
    if (op == "EDIT")
        url += "&newnumber=" + r->strNewNumber;
    const char* routing = op == "ADDCONTACT" ? "ADDCONTACT" : function.c_str();
    std::shared_ptr<Contact> record(r.release());
    QueueRequest(routing, url, record.get(), record);
}

void CBriskoPCDlg::OnContactResponse(HttpRequest& request) {
    const Contact& r = *static_cast<const Contact*>(request.dwContext);
    const char* response = request.pszResponse.get();
    const std::string& function = request.szFunction;
    bool confirmed = StartsWith(response, "CONTACTOK");
    bool refused = Equals(response, "CONTACTFAILED");

    if (function == "ADDCONTACT") {
        // Found again by its tree id: the contact may have gone meanwhile.
        Contact* c = m_contacts.FindByTreeId(r.nTreeId);
        if (confirmed && c && c->bTemporary) {
            for (size_t mark; (mark = c->strName.find("* ")) != std::string::npos;)
                c->strName.erase(mark, 2);
            c->bTemporary = FALSE;
            if (c->pChatDlg)
                c->pChatDlg->SetPartnerName(c->strName);
            if (c->hItem) {
                m_wndTree.SetItemText(c->hItem, c->strName);
                m_wndTree.SortChildren(m_wndTree.GetParentItem(c->hItem));
            }
        }
    } else if (function == "ADDNEWCONTACT") {
        if (confirmed) {
            ResponseReader fields(response);
            int presence = fields.NextInt();
            AddContact(r.strName, "+48" + r.strNumber, ParseInt(fields.Rest()), presence);
        }
        if (refused)
            AfxMessageBox(IDS_ADD_FAILED);
    } else if (function == "EDITCONTACT") {
        Contact* c = m_contacts.FindByTreeId(r.nTreeId);
        if (confirmed && c) {
            ResponseReader fields(response);
            c->nPresence = fields.NextInt();
            c->nUserId = ParseInt(fields.Rest());
            c->strName = r.strName;
            c->strNumber = "+48" + r.strNewNumber;
            if (c->hItem)
                m_wndTree.SetItemText(c->hItem, c->strName);
            m_contacts.RefreshContactItem(c);
        }
        if (refused)
            AfxMessageBox(IDS_EDIT_FAILED);
    } else if (function == "DELETECONTACT") {
        if (Equals(response, "CONTACTOK"))
            if (Contact* c = m_contacts.FindByTreeId(r.nTreeId))
                m_contacts.RemoveContact(c);
        if (refused)
            AfxMessageBox(IDS_DELETE_FAILED);
    }
    // Kept on disk at once: the program may end without "Zakończ".
    if (confirmed && m_nContactsSource == 2)
        WriteContactsFile();
}
