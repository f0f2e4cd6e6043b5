// The user's contacts, each with its item in the main window's tree.
#pragma once

#include "MessageList.h"
#include "TreeCtrl.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

class CChatDlg;
// Chat windows are destroyed where their class is known.
struct ChatDlgDeleter {
    void operator()(CChatDlg* p) const;
};

struct Contact {
    std::string strName;
    // "+48" and 9 digits; "Brisko" for the pseudo-contact. The contact's key.
    std::string strNumber;
    // Only in a record that carries an edit to the service: the new 9 digits.
    std::string strNewNumber;
    // The tree item data: 100 to 499, 500 for the pseudo-contact, 0 until added.
    int nTreeId = 0;
    // -1 not a service user, 0 logged off, 1 available, 2 busy, 3 away.
    int nPresence = 0;
    int nUserId = 0;
    // Added by the client for a message from a user outside the contacts.
    BOOL bTemporary = FALSE;
    HTREEITEM hItem = nullptr;
    int nHighlightTicks = 0;
    // 0 none, 1 unread message, 2 message seen in an active chat, 3 delivery
    // report, 4 just logged in.
    int nHighlightMode = 0;
    // The contact's chat window, made on first need; it goes with the contact.
    std::unique_ptr<CChatDlg, ChatDlgDeleter> pChatDlg;
};

// A stored number without its "+48", as the service takes it.
inline std::string NationalNumber(const std::string& number) {
    return number.substr(number.size() < 3 ? number.size() : 3);
}

// The number of the pseudo-contact that collects SMS sent outside the contacts.
extern const char kPseudoContactNumber[];
const int kPseudoContactTreeId = 500;

class CContactList {
public:
    void Attach(CTreeCtrl* pTree, CMessageList* pMessages, HTREEITEM hContactsItem,
                HTREEITEM hServiceItem);

    Contact* FindByTreeId(int nTreeId) const;
    Contact* FindByNumber(const std::string& number) const;
    Contact* FindByUserId(int nUserId) const;
    // TRUE when the list took the record over; FALSE when a contact with its
    // number exists (only that one's presence is updated) or when no tree id
    // is left for it (the user is told), and the caller keeps it.
    BOOL AddOrUpdate(Contact* c);
    // The tree id of the next ordinary contact; 0 when all are taken.
    int NextTreeId() const;
    // Around the adding of a whole list: the tree's order is read once, new
    // items find their place in it, and a full tree is told of only once.
    void BeginList();
    void EndList();
    BOOL RemoveContact(Contact* p);
    void RemoveAllContacts();
    // Every contact shown logged off, until the service says otherwise.
    void ResetPresence();
    BOOL HasHighlight() const;
    // When the client is locked: the conversations go out of sight, not away.
    void HideChatWindows();
    // Hangs a sent SMS first under its contact, or else the pseudo-contact.
    BOOL ShowSentSms(MessageRecord* m);
    // Shows each sent SMS that hangs under no contact yet (read back from the
    // log, or sent while its contact was not shown).
    void HangSentSms();
    // The SMS the report marked; null when no sent SMS has the id.
    MessageRecord* MarkSmsReport(int nSmsId);
    // The user has looked at the contact: its report highlight is over, also
    // for a report whose SMS has no item under it to be expanded.
    void EndReportHighlight(Contact* c);
    // The contact's image from its presence and highlight.
    void RefreshContactItem(Contact* c);
    // One timer tick of the highlights; TRUE while a contact shows its login.
    BOOL TickHighlights();
    bool IsEmpty() const { return m_contacts.empty(); }
    template <class Visit> void ForEach(Visit visit) const {
        for (const auto& c : m_contacts)
            visit(*c);
    }

    HTREEITEM m_hContactsItem = nullptr;
    HTREEITEM m_hServiceItem = nullptr;

private:
    template <class Match> Contact* Find(Match match) const;
    HTREEITEM InsertContactItem(const Contact& c, int id);
    void TellTreeFull();
    // Takes the contact's item and its sent SMS out of the tree.
    void DeleteItem(const Contact& c);

    CTreeCtrl* m_pTree = nullptr;
    CMessageList* m_pMessages = nullptr;
    std::list<std::unique_ptr<Contact>> m_contacts;

    // While a list is added: the items under "Kontakty" in the tree's order,
    // with their labels as the tree compares them.
    struct SortedItem {
        std::wstring label;
        HTREEITEM hItem;
    };
    std::vector<SortedItem> m_sorted;
    bool m_bInList = false;
    // The items were in order when the list began: m_sorted can be used.
    bool m_bOrderKnown = false;
    bool m_bToldFull = false;
};
