#include "ContactList.h"

#include "ChatDlg.h"

#include "ContactRules.h"
#include "MessageBox.h"
#include "Text.h"

#include <algorithm>

const char kPseudoContactNumber[] = "Brisko";

namespace {
const int kFirstTreeId = 100;
// Highlight modes.
enum { SEEN_MESSAGE = 2, REPORT = 3, LOGGED_IN = 4 };

// A label as the tree's sorted insertion compares it: in wide characters, by
// lstrcmpW, as the tree holds it.
std::wstring TreeLabel(const std::string& text) {
    return fw::Wide(text);
}

bool LabelBefore(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpW(a.c_str(), b.c_str()) < 0;
}
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
    bool pseudo = c->strNumber == kPseudoContactNumber;
    int id = pseudo ? kPseudoContactTreeId : NextTreeId();
    if (!id) {
        TellTreeFull();
        return FALSE;
    }
    m_contacts.emplace_back(c);
    c->hItem = pseudo ? m_pTree->InsertItem(c->strName, PresenceImage(c->nPresence), m_hServiceItem,
                                            TVI_SORT, id)
                      : InsertContactItem(*c, id);
    c->nTreeId = id;
    return TRUE;
}

// Sorted by label. Within a list the place is found among the labels read at
// its start: the tree's own sorted insertion compares with every item before
// it, which makes a list of hundreds slow to show.
HTREEITEM CContactList::InsertContactItem(const Contact& c, int id) {
    int image = PresenceImage(c.nPresence);
    if (!m_bOrderKnown)
        return m_pTree->InsertItem(c.strName, image, m_hContactsItem, TVI_SORT, id);
    // Where the tree would put it: before the first larger label, after the
    // first equal one.
    std::wstring label = TreeLabel(c.strName);
    auto at = std::lower_bound(
        m_sorted.begin(), m_sorted.end(), label,
        [](const SortedItem& item, const std::wstring& l) { return LabelBefore(item.label, l); });
    HTREEITEM after = TVI_FIRST;
    if (at != m_sorted.end() && !LabelBefore(label, at->label))
        after = (at++)->hItem;
    else if (at != m_sorted.begin())
        after = std::prev(at)->hItem;
    HTREEITEM item = m_pTree->InsertItem(c.strName, image, m_hContactsItem, after, id);
    if (item)
        m_sorted.insert(at, {std::move(label), item});
    return item;
}

void CContactList::BeginList() {
    m_bInList = m_bOrderKnown = true;
    m_bToldFull = false;
    m_sorted.clear();
    for (HTREEITEM item = m_pTree->GetChildItem(m_hContactsItem); item;
         item = m_pTree->GetNextSiblingItem(item))
        m_sorted.push_back({TreeLabel(m_pTree->GetItemText(item)), item});
    // A contact renamed in place may stand out of order: then only the tree
    // itself knows where a new one goes.
    for (size_t i = 1; i < m_sorted.size() && m_bOrderKnown; ++i)
        m_bOrderKnown = !LabelBefore(m_sorted[i].label, m_sorted[i - 1].label);
}

void CContactList::EndList() {
    m_bInList = m_bOrderKnown = false;
    m_sorted.clear();
}

// Within a list once; a single contact each time.
void CContactList::TellTreeFull() {
    if (m_bInList && m_bToldFull)
        return;
    m_bToldFull = true;
    AfxMessageBox("Nie można pokazać więcej niż 400 kontaktów.");
}

// One more than the largest id in use while that is below the pseudo-contact's;
// then the lowest free one.
int CContactList::NextTreeId() const {
    std::vector<bool> used(kPseudoContactTreeId - kFirstTreeId);
    int largest = kFirstTreeId - 1;
    for (const auto& c : m_contacts)
        if (c->nTreeId >= kFirstTreeId && c->nTreeId < kPseudoContactTreeId) {
            used[c->nTreeId - kFirstTreeId] = true;
            largest = std::max(largest, c->nTreeId);
        }
    if (largest + 1 < kPseudoContactTreeId)
        return largest + 1;
    auto free = std::find(used.begin(), used.end(), false);
    return free == used.end() ? 0 : kFirstTreeId + static_cast<int>(free - used.begin());
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

void CContactList::HideChatWindows() {
    for (const auto& c : m_contacts)
        if (c->pChatDlg)
            c->pChatDlg->ShowWindow(SW_HIDE);
}

void CContactList::ResetPresence() {
    for (const auto& c : m_contacts)
        if (c->nPresence > 0) {
            c->nPresence = 0;
            RefreshContactItem(c.get());
        }
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
    m->hItem = m_pTree->InsertItem(SentSmsLabel(m->strText, m->strNumber, pseudo),
                                   m->bReported ? kImageSmsReport : kImageSentSms, target->hItem,
                                   TVI_FIRST, m->nListId);
    return TRUE;
}

void CContactList::HangSentSms() {
    // Oldest first, each on top: the newest ends first.
    m_pMessages->ForEachSentSms([this](MessageRecord& m) {
        if (!m.hItem || m_pTree->GetParentItem(m.hItem) == m_pMessages->m_hOutboxItem)
            ShowSentSms(&m);
    });
}

MessageRecord* CContactList::MarkSmsReport(int nSmsId) {
    MessageRecord* m = m_pMessages->FindBySmsId(nSmsId);
    if (!m)
        return nullptr;
    m->bReported = TRUE;
    if (Contact* c = FindByNumber(m->strNumber)) {
        c->nHighlightMode = REPORT;
        c->nHighlightTicks = 0;
    }
    if (m->hItem)
        m_pTree->SetItemImage(m->hItem, kImageSmsReport);
    return m;
}

void CContactList::EndReportHighlight(Contact* c) {
    if (c->nHighlightMode != REPORT)
        return;
    c->nHighlightMode = 0;
    RefreshContactItem(c);
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
