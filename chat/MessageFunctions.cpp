// The service's message functions: sending a message, fetching one the push
// connection announced, and asking who an unknown sender is. A message stays
// announced, in memory and on disk, until it is in its chat window and its
// history: a fetch or a question about the sender that gets no answer, or a
// program that ends on the way, brings it again.
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "ChatText.h"
#include "Encoding.h"
#include "MessageBox.h"
#include "Response.h"
#include "WinApp.h"
#include "resource.h"

namespace {
// How many messages one duty of the timer asks for again.
const size_t kFetchesPerDuty = 50;
// How many messages of earlier conversations a new chat window shows.
const size_t kEarlierShown = 100;

int MessageIdOf(const HttpRequest& request) {
    return *static_cast<const int*>(request.dwContext);
}
} // namespace

void CBriskoPCDlg::SendText(const std::string& digits, std::shared_ptr<MessageRecord> r) {
    if (!IsSessionUp()) {
        EnableChatInput(r->nUserId);
        AfxMessageBox(IDS_TEXT_NOT_SENT);
        return;
    }
    std::string body = r->strText;
    EncodeParam(body);
    MessageRecord* context = r.get();
    QueueRequest("SENDTEXT",
                 "briskopc.asp?function=SENDTEXT&Receiver=48" + digits + "&body=" + body, context,
                 std::move(r));
}

void CBriskoPCDlg::OnSendTextResponse(HttpRequest& request) {
    const MessageRecord& r = *static_cast<const MessageRecord*>(request.dwContext);
    const char* response = request.pszResponse.get();
    if (StartsWith(response, "SENDTEXTOK")) {
        if (Contact* c = m_contacts.FindByUserId(r.nUserId); c && c->pChatDlg) {
            // Stamped as the service stamps the messages it brings.
            std::string time = LocalTimeText();
            KeepInHistory(*c, {0, time, true, r.strText});
            c->pChatDlg->AppendOwnMessage(time, r.strText);
        }
        return;
    }
    EnableChatInput(r.nUserId);
    if (Equals(response, "SENDTEXTNOUSER")) {
        AfxMessageBox(IDS_NOT_A_USER);
        return;
    }
    if (StartsWith(response, "NOSESSION"))
        m_nDbState = 0;
    AfxMessageBox(IDS_TEXT_NOT_SENT);
}

// No answer (unreachable, a failed re-login, no turn for the worker): the
// text is still in the field, to be sent again. Nothing is said at shutdown.
void CBriskoPCDlg::OnSendTextLost(HttpRequest& request) {
    EnableChatInput(static_cast<const MessageRecord*>(request.dwContext)->nUserId);
    if (request.nResult != REQUEST_STOPPED)
        AfxMessageBox(IDS_TEXT_NOT_SENT);
}

void CBriskoPCDlg::EnableChatInput(int nUserId) {
    if (Contact* c = m_contacts.FindByUserId(nUserId); c && c->pChatDlg)
        c->pChatDlg->EnableInput();
}

// An announcement is kept until the message is fetched: a fetch that gets no
// answer is tried again at the next duties.
void CBriskoPCDlg::ReceiveMsg(int nMsgId) {
    if (!m_pendingMessages.Announce(nMsgId))
        return;
    WritePendingMessages();
    FetchPendingMessages();
}

// Announced before the program last ended and not shown then: pending again
// before any new announcement rewrites the file, and fetched once the
// contacts are known, so that their senders are found among them.
void CBriskoPCDlg::ResumePendingMessages() {
    for (int id : m_chatHistory.ReadPendingMessages())
        m_pendingMessages.Announce(id);
}

// Written at once when the set grows: an announced message must survive a
// crash. One shown or given up is struck at the next duty or at the end: left
// in the file meanwhile it costs one fetch more after a crash, and the history
// keeps it from being shown twice.
void CBriskoPCDlg::WritePendingMessages() {
    m_chatHistory.WritePendingMessages(m_pendingMessages.Ids());
    m_bPendingFileBehind = FALSE;
}

void CBriskoPCDlg::CatchUpPendingMessages() {
    if (m_bPendingFileBehind)
        WritePendingMessages();
}

void CBriskoPCDlg::FetchPendingMessages() {
    if (!IsSessionUp())
        return;
    for (int id : m_pendingMessages.TakeForFetch(kFetchesPerDuty)) {
        auto owned = std::make_shared<int>(id);
        int* context = owned.get();
        QueueRequest("RECEIVEMSG", "briskopc.asp?function=RECEIVEMSG&MsgId=" + std::to_string(id),
                     context, std::move(owned));
    }
}

void CBriskoPCDlg::OnReceiveMsgLost(HttpRequest& request) {
    MessageFetchFailed(MessageIdOf(request));
}

void CBriskoPCDlg::MessageFetchFailed(int nMsgId) {
    if (!m_pendingMessages.FetchFailed(nMsgId))
        return;
    m_bPendingFileBehind = TRUE;
    AfxMessageBox(IDS_RECEIVE_FAILED);
}

void CBriskoPCDlg::OnReceiveMsgResponse(HttpRequest& request) {
    const char* response = request.pszResponse.get();
    const int id = MessageIdOf(request);
    ReceivedMessage m;
    if (!ParseReceivedMessage(response, m)) {
        if (StartsWith(response, "RECEIVEMSGFAILED")) {
            m_pendingMessages.Refused(id);
            m_bPendingFileBehind = TRUE;
            AfxMessageBox(IDS_RECEIVE_FAILED);
            return;
        }
        // The LOGINPC session is gone: a new one comes with the next duty,
        // and the message is fetched again after it.
        if (StartsWith(response, "NOSESSION"))
            m_nDbState = 0;
        OnReceiveMsgLost(request);
        return;
    }
    Contact* sender = m.strKind == "1" ? m_contacts.FindByUserId(m.nUserId) : nullptr;
    if (m.strKind == "1" && !sender) {
        if (!m_pendingMessages.WasShown(id))
            AskSender(id, m);
        return;
    }
    if (!m_pendingMessages.Fetched(id))
        return;
    if (sender)
        ShowInChat(sender, id, m.strTime, m.strText);
    else if (m.strKind == "101" || m.strKind == "102")
        SetPresenceOf(m.strText, m.strKind == "101" ? 1 : 0);
    m_bPendingFileBehind = TRUE;
    // Last: its question waits in a modal loop, while more answers come.
    if (m.strKind == "100")
        ShowSystemMessage(m.strText);
}

void CBriskoPCDlg::ShowSystemMessage(const std::string& text) {
    auto* r = new MessageRecord;
    r->strText = text;
    r->strNumber = "System";
    m_messages.AddMessage(r);
    // One question at a time: a message that comes while one is asked waits
    // unread in the tree.
    if (m_bAskingSystemMessage)
        return;
    m_bAskingSystemMessage = TRUE;
    if (AfxMessageBox("Pojawiła się nowa wiadomość systemowa. Czy chcesz ja odczytać?", MB_YESNO) ==
        IDYES)
        ShowMessageText(text);
    m_bAskingSystemMessage = FALSE;
}

void CBriskoPCDlg::SetPresenceOf(const std::string& number, int nPresence) {
    if (Contact* c = m_contacts.FindByNumber(number)) {
        c->nPresence = nPresence;
        m_contacts.RefreshContactItem(c);
    }
}

// Shown once: a message fetched again after a restart is in the history already.
void CBriskoPCDlg::ShowInChat(Contact* c, int nMsgId, const std::string& time,
                              const std::string& text) {
    if (m_chatHistory.Holds(c->strNumber, static_cast<uint64_t>(nMsgId)))
        return;
    CChatDlg* chat = OpenChatWindow(c);
    if (!chat)
        return;
    KeepInHistory(*c, {static_cast<uint64_t>(nMsgId), time, false, text});
    chat->AppendMessage(time, text);
    ::MessageBeep(0);
    HighlightUnread(c);
}

void CBriskoPCDlg::KeepInHistory(const Contact& c, const HistoryEntry& entry) {
    if (m_bSaveHistory)
        m_chatHistory.Keep(c.strNumber, entry, static_cast<size_t>(m_nHistoryLimitKb) * 1024);
}

// The contact blinks until the user looks; not while its chat is in front.
void CBriskoPCDlg::HighlightUnread(Contact* c) {
    HWND chat = c->pChatDlg->m_hWnd;
    BOOL visible = ::IsWindowVisible(chat);
    if (visible)
        ::FlashWindow(chat, FALSE);
    c->nHighlightMode = visible && ::GetActiveWindow() == chat ? 2 : 1;
    c->nHighlightTicks = 0;
    if (!::IsWindowVisible(m_hWnd))
        m_trayIcon.ShowBalloon("Nowa wiadomość", "Od: " + c->strName);
}

// The message waits, still announced and being fetched, until its sender is known.
void CBriskoPCDlg::AskSender(int nMsgId, const ReceivedMessage& m) {
    if (!IsSessionUp()) {
        MessageFetchFailed(nMsgId);
        return;
    }
    auto r = std::make_shared<MessageRecord>();
    r->strText = m.strText;
    r->strExtra = m.strTime;
    r->nMsgId = nMsgId;
    MessageRecord* context = r.get();
    QueueRequest("GETUSERINFO",
                 "briskopc.asp?function=GETUSERINFO&UserId=" + std::to_string(m.nUserId), context,
                 std::move(r));
}

// No word on the sender: the message is fetched again at the next duties.
void CBriskoPCDlg::OnGetUserInfoLost(HttpRequest& request) {
    MessageFetchFailed(static_cast<const MessageRecord*>(request.dwContext)->nMsgId);
}

void CBriskoPCDlg::ResponseGetUserInfo(HttpRequest& request) {
    const MessageRecord& r = *static_cast<const MessageRecord*>(request.dwContext);
    UserInfo user;
    const char* response = request.pszResponse.get();
    if (!ParseUserInfo(response, user)) {
        // A sender the service does not know: the message goes without a word.
        if (StartsWith(response, "USERFAILED")) {
            m_pendingMessages.Refused(r.nMsgId);
            m_bPendingFileBehind = TRUE;
        } else {
            OnGetUserInfoLost(request);
        }
        return;
    }
    if (!m_pendingMessages.Fetched(r.nMsgId))
        return;
    Contact* c = m_contacts.FindByUserId(user.nUserId);
    if (!c) {
        auto added = std::make_unique<Contact>();
        added->strName = "* " + user.strName;
        added->nUserId = user.nUserId;
        added->strNumber = user.strNumber;
        added->nTreeId = m_contacts.NextTreeId();
        added->nPresence = 1;
        added->bTemporary = TRUE;
        if (m_contacts.AddOrUpdate(added.get()))
            c = added.release();
        else
            // A contact with that number the service did not name by this
            // user id: the message is his all the same.
            c = m_contacts.FindByNumber(user.strNumber);
        m_wndTree.Expand(m_contacts.m_hContactsItem, TVE_EXPAND);
    }
    if (c)
        ShowInChat(c, r.nMsgId, r.strExtra, r.strText);
    m_bPendingFileBehind = TRUE;
}

CChatDlg* CBriskoPCDlg::OpenChatWindow(Contact* c) {
    if (c->pChatDlg)
        return c->pChatDlg.get();
    c->pChatDlg.reset(NewChatWindow(*c));
    HWND focus = ::GetFocus();
    if (!c->pChatDlg->Create(IDD_CHAT, this)) {
        c->pChatDlg.reset();
        return nullptr;
    }
    if (focus)
        ::SetFocus(focus);
    c->pChatDlg->ShowEarlier(m_chatHistory.Last(c->strNumber, kEarlierShown));
    return c->pChatDlg.get();
}

CChatDlg* CBriskoPCDlg::NewChatWindow(const Contact& c) {
    auto* chat = new CChatDlg;
    chat->m_strPartnerNumber = c.strNumber;
    chat->m_strPartnerName = c.strName;
    chat->m_nPartnerUserId = c.nUserId;
    chat->m_pOwner = this;
    return chat;
}
