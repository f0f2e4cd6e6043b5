#include "ContactList.h"

#include "ContactRules.h"

const char kPseudoContactNumber[] = "Brisko";

namespace {
const int kFirstTreeId = 100;
// Highlight modes.
enum { SEEN_MESSAGE = 2, REPORT = 3, LOGGED_IN = 4 };
} // namespace

void CContactList::Attach(CTreeCtrl* pTree, CMessageList* pMessages, HTREEITEM hContactsItem,
                          HTREEITEM hServiceItem) {
    m_pTree = pTree;
    m_pMessages = pMessages;
    m_hContactsItem = hContactsItem;
    m_hServiceItem = hServiceItem;
}

template <class Match> Contact* CContactList::Find(Match match) const {
    for (const auto& c : m_contacts)
        if (match(*c))
            return c.get();
    return nullptr;
}

Contact* CContactList::FindByTreeId(int nTreeId) const {
    return Find([nTreeId](const Contact& c) { return c.nTreeId == nTreeId; });
}

Contact* CContactList::FindByNumber(const std::string& number) const {
    return Find([&number](const Contact& c) { return c.strNumber == number; });
}

Contact* CContactList::FindByUserId(int nUserId) const {
    return Find([nUserId](const Contact& c) { return c.nUserId == nUserId; });
}

BOOL CContactList::AddOrUpdate(Contact* c) {
    if (Contact* existing = FindByNumber(c->strNumber)) {
        existing->nPresence = c->nPresence;
        if (existing->hItem)
            m_pTree->SetItemImage(existing->hItem, PresenceImage(c->nPresence));
        return FALSE;
    }
    m_contacts.emplace_back(c);
    bool pseudo = c->strNumber == kPseudoContactNumber;
    int id = pseudo ? kPseudoContactTreeId : NextTreeId();
    c->hItem = m_pTree->InsertItem(c->strName, PresenceImage(c->nPresence),
                                   pseudo ? m_hServiceItem : m_hContactsItem, TVI_SORT, id);
    c->nTreeId = id;
    return TRUE;
}

int CContactList::NextTreeId() const {
    int largest = kFirstTreeId - 1;
    for (const auto& c : m_contacts)
        if (c->nTreeId > largest && c->nTreeId < kPseudoContactTreeId)
            largest = c->nTreeId;
    return largest + 1;
}

void CContactList::DeleteItem(const Contact& c) {
    if (!c.hItem)
        return;
    // The sent SMS under the contact go with its item: their records must not
    // name it any more, or a later delivery report would touch a vanished item.
    m_pMessages->ForgetItemsUnder(c.hItem);
    m_pTree->DeleteItem(c.hItem);
}

BOOL CContactList::RemoveContact(Contact* p) {
    for (auto it = m_contacts.begin(); it != m_contacts.end(); ++it) {
        if (it->get() != p)
            continue;
        DeleteItem(*p);
        m_contacts.erase(it);
        return TRUE;
    }
    return FALSE;
}

void CContactList::RemoveAllContacts() {
    m_pTree->SetRedraw(FALSE);
    for (const auto& c : m_contacts)
        DeleteItem(*c);
    m_pTree->SetRedraw(TRUE);
    m_contacts.clear();
}

void CContactList::ResetPresence() {
    for (const auto& c : m_contacts)
        if (c->nPresence > 0)
            c->nPresence = 0;
}

BOOL CContactList::HasHighlight() const {
    return Find([](const Contact& c) { return c.nHighlightMode != 0; }) != nullptr;
}

BOOL CContactList::ShowSentSms(MessageRecord* m) {
    Contact* target = FindByNumber(m->strNumber);
    bool pseudo = !target;
    if (pseudo)
        target = FindByNumber(kPseudoContactNumber);
    if (!target || !target->hItem)
        return FALSE;
    if (m->hItem)
        m_pTree->DeleteItem(m->hItem);
    m->hItem = m_pTree->InsertItem(SentSmsLabel(m->strText, m->strNumber, pseudo), kImageSentSms,
                                   target->hItem, TVI_FIRST, m->nListId);
    return TRUE;
}

void CContactList::MarkSmsReport(int nSmsId) {
    MessageRecord* m = m_pMessages->FindBySmsId(nSmsId);
    if (!m)
        return;
    if (Contact* c = FindByNumber(m->strNumber)) {
        c->nHighlightMode = REPORT;
        c->nHighlightTicks = 0;
    }
    if (m->hItem)
        m_pTree->SetItemImage(m->hItem, kImageSmsReport);
}

void CContactList::RefreshContactItem(Contact* c) {
    if (c->hItem)
        m_pTree->SetItemImage(c->hItem,
                              ContactImage(c->nHighlightMode, c->nPresence, c->nHighlightTicks));
}

BOOL CContactList::TickHighlights() {
    BOOL loginShown = FALSE;
    for (const auto& p : m_contacts) {
        Contact* c = p.get();
        if (c->nHighlightMode == 0)
            continue;
        ++c->nHighlightTicks;
        RefreshContactItem(c);
        bool over = c->nHighlightTicks > 3;
        if (c->nHighlightMode == SEEN_MESSAGE && over)
            c->nHighlightMode = 0;
        // A report blinks until the user has opened the contact to see its SMS.
        if (c->nHighlightMode == REPORT && over && c->hItem && m_pTree->IsExpanded(c->hItem)) {
            c->nHighlightMode = 0;
            RefreshContactItem(c);
        }
        if (c->nHighlightMode == LOGGED_IN && c->nHighlightTicks > 5) {
            c->nHighlightMode = 0;
            RefreshContactItem(c);
        }
        if (c->nHighlightMode == LOGGED_IN)
            loginShown = TRUE;
    }
    return loginShown;
}
