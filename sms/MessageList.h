// The SMS waiting in the outbox, the SMS the service took (of this login,
// those of earlier runs read back from its log) and the service's system
// messages: one list, each record with its tree item.
#pragma once

#include "TreeCtrl.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

struct MessageRecord {
    std::string strText;
    // The sending time and the service's id of an incoming instant message on
    // its way to its handler.
    std::string strExtra;
    int nMsgId = 0;
    // "+48" and 9 digits, or "System" for a system message.
    std::string strNumber;
    // 1000 and up; the record's tree item data.
    int nListId = 0;
    // The service's id of a sent SMS.
    int nSmsId = 0;
    int nUserId = 0;
    BOOL bUnicode = FALSE;
    BOOL bClass0 = FALSE;
    BOOL bInOutbox = FALSE;
    // Which SENDSMS carries the record; 0 before the first.
    int nSendSerial = 0;
    // Sent, but no answer came back: it may have reached the service, so it is
    // not sent again without a check.
    BOOL bUncertain = FALSE;
    // When it was last sent, "YYYY-MM-DD HH:MM:SS" local time.
    std::string strSentAt;
    // A sent SMS's number in the login's log of sent SMS; 0 when not in it.
    uint64_t nLogKey = 0;
    // A sent SMS whose delivery report came.
    BOOL bReported = FALSE;
    // Null when the record has no item (any more).
    HTREEITEM hItem = nullptr;
};

// A record the service took: neither waiting nor a system message.
inline bool IsSentSms(const MessageRecord& r) {
    return !r.bInOutbox && r.strNumber != "System";
}

// List ids, the records' tree item data, are this and up.
constexpr int kFirstListId = 1000;

inline bool IsMessageListId(LPARAM d) {
    return d >= kFirstListId;
}

class CMessageList {
public:
    // Keeps the tree and the outbox item; adds "Komunikaty systemowe" under the service item.
    void Init(CTreeCtrl* pTree, HTREEITEM hServiceItem, HTREEITEM hOutboxItem);
    // Takes the record over and shows it: under the outbox, or with the system messages.
    BOOL AddMessage(MessageRecord* r);
    // Takes over a sent SMS read back from the log, without an item: it is
    // shown once its contact is.
    void AddSentSms(MessageRecord* r);
    BOOL RemoveMessage(MessageRecord* r);
    void RemoveAllMessages();
    MessageRecord* FindByListId(int nListId) const;
    // The newest sent SMS with the service's id; none for 0, the id of none.
    MessageRecord* FindBySmsId(int nSmsId) const;
    MessageRecord* FindBySendSerial(int nSendSerial) const;
    // Marks an outbox SMS whose last sending may or may not have reached the
    // service, in its label too.
    void SetUncertain(MessageRecord* r, BOOL bUncertain);
    MessageRecord* FirstOutboxSms() const;
    // The waiting SMS; with none, the outbox item shows itself empty.
    int CountOutboxSms();
    int NextListId() const;
    // Items under a parent go with it: the records forget them.
    void ForgetItemsUnder(HTREEITEM hParent);
    void RemoveOutboxSms();
    void RemoveSentSms();
    template <class Visit> void ForEachOutboxSms(Visit visit) const {
        for (const auto& r : m_records)
            if (r->bInOutbox)
                visit(*r);
    }
    template <class Visit> void ForEachSentSms(Visit visit) const {
        for (const auto& r : m_records)
            if (IsSentSms(*r))
                visit(*r);
    }

    HTREEITEM m_hOutboxItem = nullptr;
    HTREEITEM m_hSystemItem = nullptr;

private:
    template <class Match> MessageRecord* Find(Match match) const;
    template <class Match> void RemoveWhere(Match match);

    CTreeCtrl* m_pTree = nullptr;
    std::list<std::unique_ptr<MessageRecord>> m_records;
};

// The tree's images of messages.
enum MessageImage {
    IMAGE_MESSAGE = 8,
    IMAGE_OUTBOX_FULL = 9,
    IMAGE_OUTBOX_EMPTY = 15,
    IMAGE_SYSTEM = 16
};
