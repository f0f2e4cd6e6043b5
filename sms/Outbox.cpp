// The outbox: every SMS waits here until the service has taken it, and in the
// outbox file while the program is not running.
#include "BriskoPCDlg.h"

#include "Credentials.h"
#include "DataFile.h"
#include "MessageBox.h"
#include "Messages.h"
#include "OutboxFile.h"
#include "SmsDlg.h"
#include "SystemMsgDlg.h"
#include "resource.h"

namespace {
// Price rows of the price table: a plain SMS, one with Polish characters.
const int kPlainRow = 1;
const int kPolishRow = 14;

} // namespace

int CBriskoPCDlg::SmsPrice(BOOL bPolish) const {
    int column = m_nClass >= 0 && m_nClass <= 2 ? m_nClass : 0;
    return m_anPrices.anPrices[bPolish ? kPolishRow : kPlainRow][column];
}

void CBriskoPCDlg::ShowMessageText(std::string text) {
    CSystemMsgDlg dlg;
    dlg.m_strText = std::move(text);
    dlg.DoModal();
}

void CBriskoPCDlg::ProcessOutbox() {
    WriteOutboxFile();
    if (m_nSessionState != 2) {
        // The state is set before the notice: timers and answers go on while it is open.
        bool first = m_nOutboxState == 0;
        if (m_messages.CountOutboxSms() > 0)
            m_nOutboxState = 1;
        if (first)
            ShowMessageText("Z powodu braku połączenia z Briskiem, ten SMS i nastepne zostaną "
                            "umieszczone w Skrzynce Nadawczej.");
        return;
    }
    // One SMS on its way at a time: a new one joins the queue behind it, and
    // the answer sends the next.
    if (SmsOnItsWay()) {
        m_nOutboxState = 2;
        return;
    }
    if (m_messages.CountOutboxSms() > 0) {
        ::PostMessageA(m_hWnd, WM_SEND_SMS, 0, 0);
        m_nOutboxState = 2;
    } else {
        AfxMessageBox(IDS_OUTBOX_SENT);
        m_nOutboxState = 0;
    }
}

void CBriskoPCDlg::SendSmsCommand(int nMode, int nTreeId) {
    HTREEITEM selected = m_wndTree.GetSelectedItem();
    if (!selected && nTreeId <= 0)
        return;
    bool polish = nMode == 1 || nMode == 3;
    CSmsDlg dlg;
    if (nMode == 0 || nMode == 1) {
        const Contact* c = nullptr;
        if (nTreeId > 0)
            c = nTreeId < kPseudoContactTreeId ? m_contacts.FindByTreeId(nTreeId) : nullptr;
        else if (LPARAM d = m_wndTree.GetItemData(selected); d >= 100 && d <= 499)
            c = m_contacts.FindByTreeId(static_cast<int>(d));
        if (c)
            dlg.m_strNumber = NationalNumber(c->strNumber);
    }
    dlg.SetPolish(polish);
    dlg.m_nPrice = SmsPrice(polish);
    OfferRecipients(dlg);
    if (dlg.DoModal() != IDOK)
        return;
    auto* r = new MessageRecord;
    r->strText = dlg.m_strText;
    r->strNumber = "+48" + dlg.m_strNumber;
    r->bClass0 = dlg.m_bClass0;
    r->bUnicode = polish;
    m_messages.AddMessage(r);
    ProcessOutbox();
}

// The contacts under "Kontakty" as the tree shows them, for the dialog to offer.
void CBriskoPCDlg::OfferRecipients(CSmsDlg& dlg) const {
    for (HTREEITEM item = m_wndTree.GetChildItem(m_contacts.m_hContactsItem); item;
         item = m_wndTree.GetNextSiblingItem(item))
        if (const Contact* c =
                m_contacts.FindByTreeId(static_cast<int>(m_wndTree.GetItemData(item))))
            dlg.m_recipients.push_back({c->strName, c->strNumber});
}

// The record of the selected item, when it is a message.
MessageRecord* CBriskoPCDlg::SelectedMessage() const {
    HTREEITEM item = m_wndTree.GetSelectedItem();
    LPARAM d = item ? m_wndTree.GetItemData(item) : 0;
    return IsMessageListId(d) ? m_messages.FindByListId(static_cast<int>(d)) : nullptr;
}

void CBriskoPCDlg::DeleteMessageItem() {
    if (MessageRecord* r = SelectedMessage()) {
        bool waiting = r->bInOutbox;
        // A deleted sent SMS must not come back from its log after a restart.
        if (IsSentSms(*r))
            m_sentLog.LogDeleted(*r);
        m_messages.RemoveMessage(r);
        // A deleted SMS must not come back from the file and be sent after all.
        if (waiting)
            WriteOutboxFile();
    }
}

void CBriskoPCDlg::EditOutboxItem() {
    EditOutboxSms(SelectedMessage());
}

void CBriskoPCDlg::EditOutboxSms(MessageRecord* r) {
    if (!r || !r->bInOutbox)
        return;
    int id = r->nListId;
    CSmsDlg dlg;
    dlg.m_strNumber = r->strNumber.substr(r->strNumber.size() > 9 ? r->strNumber.size() - 9 : 0);
    dlg.m_strText = r->strText;
    dlg.m_bClass0 = r->bClass0;
    dlg.SetPolish(r->bUnicode);
    dlg.m_nPrice = SmsPrice(r->bUnicode);
    OfferRecipients(dlg);
    if (dlg.DoModal() != IDOK)
        return;
    // While the dialog was open the SMS may have gone on its way, or its record away.
    r = m_messages.FindByListId(id);
    if (!r || !r->bInOutbox || IsOnItsWay(*r)) {
        AfxMessageBox("Tego SMSa nie można już zmienić: jest wysyłany albo został wysłany.");
        return;
    }
    r->strText = dlg.m_strText;
    r->strNumber = "+48" + dlg.m_strNumber;
    r->bClass0 = dlg.m_bClass0;
    // After a restart the edited text must go out, not the old one.
    WriteOutboxFile();
}

std::vector<OutboxEntry> CBriskoPCDlg::OutboxEntries() const {
    std::vector<OutboxEntry> entries;
    // The SMS on its way is stored as uncertain: should the program end before
    // its answer comes, the next start does not send it again by itself.
    m_messages.ForEachOutboxSms([this, &entries](const MessageRecord& r) {
        entries.push_back({r.strNumber, r.strText, r.bClass0 != 0, r.bUnicode != 0,
                           r.bUncertain || IsOnItsWay(r), r.strSentAt});
    });
    return entries;
}

bool CBriskoPCDlg::WriteOutboxFile() {
    std::string name;
    if (!LoginFileName(m_strLogin, ".obx", &name))
        return false;
    // The file's SMS join the list first, or writing would lose them.
    ReadOutboxFile();
    return WriteDataFile(name, EncodeOutboxFile(OutboxEntries()));
}

void CBriskoPCDlg::ReadOutboxFile() {
    if (m_bOutboxLoaded)
        return;
    m_bOutboxLoaded = TRUE;
    std::string name, bytes;
    if (!LoginFileName(m_strLogin, ".obx", &name))
        return;
    // SMS that never reached the file are newer than it.
    std::vector<OutboxEntry> entries;
    if (auto unsaved = m_unsavedOutboxes.find(name); unsaved != m_unsavedOutboxes.end()) {
        entries = std::move(unsaved->second);
        m_unsavedOutboxes.erase(unsaved);
    } else if (ReadDataFile(name, &bytes)) {
        entries = DecodeOutboxFile(bytes).entries;
    }
    for (const OutboxEntry& entry : entries) {
        auto* r = new MessageRecord;
        r->strNumber = entry.strNumber;
        r->strText = entry.strText;
        r->bClass0 = entry.bClass0;
        r->bUnicode = entry.bUnicode;
        r->bUncertain = entry.bUncertain;
        r->strSentAt = entry.strSentAt;
        m_messages.AddMessage(r);
    }
    // SMS of an earlier run wait for the service like any other: the timer sends them.
    if (m_nOutboxState == 0 && m_messages.FirstOutboxSms())
        m_nOutboxState = 1;
}

void CBriskoPCDlg::LeaveOutbox() {
    // The waiting SMS are in the file; the next login reads its own file, so
    // none is sent twice and none under another account. Those the file could
    // not take wait for their login here.
    std::string name;
    if (!WriteOutboxFile() && LoginFileName(m_strLogin, ".obx", &name) &&
        m_messages.FirstOutboxSms())
        m_unsavedOutboxes[name] = OutboxEntries();
    m_messages.RemoveOutboxSms();
    m_bOutboxLoaded = FALSE;
    m_nOutboxState = 0;
    // The answer of an SMS still on its way is the old login's: it stays
    // uncertain in that login's file, and the new login sends at once.
    m_pSmsOnItsWay.reset();
}

bool CBriskoPCDlg::IsOnItsWay(const MessageRecord& r) const {
    std::shared_ptr<int> serial = m_pSmsOnItsWay.lock();
    return serial && *serial == r.nSendSerial;
}
