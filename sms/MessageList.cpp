#include "MessageList.h"

namespace {
const int kSystemItemData = 501;
const size_t kSystemLabelLength = 30;

std::string OutboxLabel(const MessageRecord& r) {
    return r.bUncertain ? r.strNumber + " (?)" : r.strNumber;
}
} // namespace

void CMessageList::Init(CTreeCtrl* pTree, HTREEITEM hServiceItem, HTREEITEM hOutboxItem) {
    m_pTree = pTree;
    m_hOutboxItem = hOutboxItem;
    m_hSystemItem = m_pTree->InsertItem("Komunikaty systemowe", IMAGE_SYSTEM, hServiceItem,
                                        TVI_SORT, kSystemItemData);
}

BOOL CMessageList::AddMessage(MessageRecord* r) {
    m_records.emplace_back(r);
    int id = NextListId();
    if (r->strNumber == "System") {
        r->hItem = m_pTree->InsertItem(r->strText.substr(0, kSystemLabelLength), IMAGE_MESSAGE,
                                       m_hSystemItem, TVI_SORT, id);
    } else {
        r->hItem = m_pTree->InsertItem(OutboxLabel(*r), IMAGE_MESSAGE, m_hOutboxItem, TVI_SORT, id);
        m_pTree->SetItemImage(m_hOutboxItem, IMAGE_OUTBOX_FULL);
        r->bInOutbox = TRUE;
    }
    r->nListId = id;
    return TRUE;
}

void CMessageList::AddSentSms(MessageRecord* r) {
    m_records.emplace_back(r);
    r->nListId = NextListId();
}

BOOL CMessageList::RemoveMessage(MessageRecord* r) {
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->get() != r)
            continue;
        if (r->hItem)
            m_pTree->DeleteItem(r->hItem);
        m_records.erase(it);
        CountOutboxSms();
        return TRUE;
    }
    return FALSE;
}

void CMessageList::RemoveAllMessages() {
    for (const auto& r : m_records)
        if (r->hItem)
            m_pTree->DeleteItem(r->hItem);
    m_records.clear();
}

template <class Match> MessageRecord* CMessageList::Find(Match match) const {
    for (const auto& r : m_records)
        if (match(*r))
            return r.get();
    return nullptr;
}

MessageRecord* CMessageList::FindByListId(int nListId) const {
    return Find([nListId](const MessageRecord& r) { return r.nListId == nListId; });
}

MessageRecord* CMessageList::FindBySmsId(int nSmsId) const {
    if (nSmsId == 0)
        return nullptr;
    // The list holds them oldest first.
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it)
        if ((*it)->nSmsId == nSmsId && IsSentSms(**it))
            return it->get();
    return nullptr;
}

MessageRecord* CMessageList::FindBySendSerial(int nSendSerial) const {
    return Find([nSendSerial](const MessageRecord& r) { return r.nSendSerial == nSendSerial; });
}

void CMessageList::SetUncertain(MessageRecord* r, BOOL bUncertain) {
    r->bUncertain = bUncertain;
    if (r->hItem && r->bInOutbox)
        m_pTree->SetItemText(r->hItem, OutboxLabel(*r));
}

MessageRecord* CMessageList::FirstOutboxSms() const {
    return Find([](const MessageRecord& r) { return r.bInOutbox; });
}

int CMessageList::CountOutboxSms() {
    int count = 0;
    for (const auto& r : m_records)
        count += r->bInOutbox ? 1 : 0;
    if (count == 0)
        m_pTree->SetItemImage(m_hOutboxItem, IMAGE_OUTBOX_EMPTY);
    return count;
}

int CMessageList::NextListId() const {
    int largest = kFirstListId - 1;
    for (const auto& r : m_records)
        if (r->nListId > largest)
            largest = r->nListId;
    return largest + 1;
}

void CMessageList::ForgetItemsUnder(HTREEITEM hParent) {
    for (const auto& r : m_records)
        if (r->hItem && m_pTree->GetParentItem(r->hItem) == hParent)
            r->hItem = nullptr;
}

template <class Match> void CMessageList::RemoveWhere(Match match) {
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (match(**it)) {
            if ((*it)->hItem)
                m_pTree->DeleteItem((*it)->hItem);
            it = m_records.erase(it);
        } else {
            ++it;
        }
    }
}

void CMessageList::RemoveOutboxSms() {
    RemoveWhere([](const MessageRecord& r) { return r.bInOutbox; });
    CountOutboxSms();
}

void CMessageList::RemoveSentSms() {
    RemoveWhere(IsSentSms);
}
