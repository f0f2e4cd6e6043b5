// The main window: it holds the whole client, its state and its handlers.
// Its operations live beside the subsystem they belong to: the tree and status
// line, login and timers here in app/, the service calls in protocol/.
#pragma once

#include "BitmapButton.h"
#include "ContactList.h"
#include "ChatHistory.h"
#include "ChatText.h"
#include "ContactListParser.h"
#include "Dialog.h"
#include "HttpRequest.h"
#include "MessageList.h"
#include "OutboxFile.h"
#include "PriceList.h"
#include "resource.h"
#include "SentLogStore.h"
#include "TrayIcon.h"
#include "TreeCtrl.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>

class CBPCSocks;
class CChatDlg;
class CSmsDlg;
struct UserSettings;

class CBriskoPCDlg : public CDialog {
public:
    explicit CBriskoPCDlg(CWnd* pParent);
    ~CBriskoPCDlg() override;

    BOOL OnInitDialog() override;

    // Ends the program (the "Zakończ" commands).
    void OnClose();

    // Tree groups and status line
    void BuildTree();
    void RefreshConnectionItems();
    void UpdateStatusLine();
    // Logged in, or a login under way.
    BOOL IsSessionUp() const { return m_nSessionState > 1; }
    std::string GetOwnName() const { return m_strOwnName; }
    // What the home page button and command open.
    std::string HomePageUrl() const;
    // A URL on the service's web host, over HTTPS as the service script.
    std::string ServiceUrl(const std::string& path) const;

    // Login and log-off; TRUE asks for the credentials.
    void StartLogin(BOOL bAsk);
    void OnChangeLogin();
    void OnLogoff();

    // The timers' work, one tick at a time.
    void OnTimer(UINT nIDEvent);

    // Contacts: the service's list, the changes the user asks for, the copy on disk.
    void SendGetContacts();
    void SendContactRequest(const std::string& op, std::unique_ptr<Contact> r);
    void OnGetContacts(HttpRequest& request);
    void OnContactResponse(HttpRequest& request);
    void WriteContactsFile();
    void ReadContactsFile();
    void OnTreeClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTreeRightClick(NMHDR* pNMHDR, LRESULT* pResult);
    BOOL ShowTreeMenu(LPARAM d, int kind);
    void OnAddNewContact();
    void OnEditContact();
    void OnDeleteContact();
    void OnAddToContacts();

    // SMS: the outbox, sending it, the prices, the status report.
    void ShowMessageText(std::string text);
    void ProcessOutbox();
    void SendSmsCommand(int nMode, int nTreeId);
    void DeleteMessageItem();
    void EditOutboxItem();
    void EditOutboxSms(MessageRecord* r);
    void ReadOutboxFile();
    // False when the file could not be written; the SMS stay in the outbox.
    bool WriteOutboxFile();
    std::vector<OutboxEntry> OutboxEntries() const;
    // The login's sent SMS read back, once a login, and hung under their contacts.
    void ReadSentLog();
    void SendGetCosts();
    void OnSendSmsResponse(HttpRequest& request);
    void OnSmsCheckResponse(HttpRequest& request);
    void OnSendSmsLost(HttpRequest& request);
    void OnGetCosts(HttpRequest& request);
    void RequestSmsStatus(const Contact* c);
    void OnSmsStatusResponse(HttpRequest& request);
    // The price of one SMS for the account's class.
    int SmsPrice(BOOL bPolish) const;

    // Service calls: the request builders and the answers' handlers.
    void QueueRequest(const char* function, std::string url, void* context = nullptr,
                      std::shared_ptr<void> owned = nullptr);
    void Login(std::string login, std::string password);
    void QuickLogin(std::unique_ptr<HttpRequest> pending);
    void LoginPc(std::string login, std::string password);
    void Logoff();
    void CheckStatuses();
    void OnLoginResponse(HttpRequest& request);
    void OnQuickLoginResponse(HttpRequest& request);
    void OnLoginPcResponse(HttpRequest& request);
    void OnLogoffResponse(HttpRequest& request);
    void OnCheckStatusesResponse(HttpRequest& request);
    void OnLoginLost(HttpRequest& request);
    void OnLoginPcLost(HttpRequest& request);

    // The push connection: the socket thread's answers, the timers' steps,
    // the events the service announces.
    LRESULT OnBPCConnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnBPCSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnBPCAlive(WPARAM wParam, LPARAM lParam);
    LRESULT OnBPCDisconnect(WPARAM wParam, LPARAM lParam);
    void DrivePushConnection();
    void KeepPushAlive();
    LRESULT OnReceivedMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnReceivedSystem(WPARAM wParam, LPARAM lParam);
    LRESULT OnReceivedLogin(WPARAM wParam, LPARAM lParam);
    LRESULT OnReceivedLogoff(WPARAM wParam, LPARAM lParam);
    LRESULT OnReceivedAway(WPARAM wParam, LPARAM lParam);
    LRESULT OnReceivedBusy(WPARAM wParam, LPARAM lParam);
    LRESULT OnReceivedSmsReport(WPARAM wParam, LPARAM lParam);

    // Instant messages: sending one, fetching those the push connection
    // announced, asking who an unknown sender is; the chat windows.
    void SendText(const std::string& digits, std::shared_ptr<MessageRecord> r);
    void ReceiveMsg(int nMsgId);
    void AskSender(int nMsgId, const ReceivedMessage& m);
    void OnSendTextResponse(HttpRequest& request);
    void OnReceiveMsgResponse(HttpRequest& request);
    void ResponseGetUserInfo(HttpRequest& request);
    void OnSendTextLost(HttpRequest& request);
    void OnReceiveMsgLost(HttpRequest& request);
    void OnGetUserInfoLost(HttpRequest& request);
    // The contact's chat window, made hidden if he has none; null when it
    // could not be made.
    CChatDlg* OpenChatWindow(Contact* c);
    void OnOpenChat();
    void OnClearHistory();
    BOOL ShowChatOfHighlighted(int nTreeId);
    LRESULT OnChatActivated(WPARAM wParam, LPARAM lParam);

    // Own status: chosen by the user, or away while he is idle.
    void OnStatusUnavailable();
    void OnStatusBusy();
    void OnStatusInvisible();
    void OnStatusAvailable();
    void SetStatus(int nCode);
    void OnSetStatusResponse(HttpRequest& request);
    void CheckAutoAway();
    // The rule itself, at the tick count now with the last input at lastInput.
    void CheckAutoAway(DWORD now, DWORD lastInput);
    // Whether the screen saver runs, as the system tells.
    static BOOL ScreenSaverRunning();

    // Lock: the client waits for the account's password.
    void OnLock();
    void OnUnlock();
    // The caption (null: as it is) and menu of the session's state; while
    // locked they wait for the unlock. FALSE when the menu cannot be loaded.
    BOOL ShowSessionState(const char* caption, UINT nMenu);

    // The version check and the update it offers.
    void SendVersion();
    void OnVersionResponse(HttpRequest& request);
    void OfferUpdate();
    std::string DownloadUpdate();

    // Settings and help.
    void OnSettings();
    // The settings as they were read or chosen: they hold from now on.
    void ApplySettings(const UserSettings& settings);
    void OnHelpContents();
    // The help file in the installation folder.
    std::string HelpFilePath() const;

    // The client's version, compared by the version check.
    std::string m_strVersion = BRISKOPC_VERSION;
    std::string m_strLogin;
    std::string m_strPassword;
    std::string m_strOwnName;
    std::string m_strSessionId;
    std::string m_strPushHost;
    std::string m_strInstallPath;
    // The service's web host and HTTPS port, from the profile.
    std::string m_strServiceHost;
    int m_nServicePort = 0;

    // Connection states, shown in words in the tree.
    int m_nSessionState = -1;
    int m_nDbState = 0;
    int m_nSocksState = -1;
    int m_nOutboxState = 0;
    // 0 no contacts, 1 from the contacts file, 2 from the service in this run.
    int m_nContactsSource = 0;
    BOOL m_bOutboxLoaded = FALSE;
    // The waiting SMS of logins left while their file could not be written,
    // by file name: they come back with their login, or go to the file at the end.
    std::map<std::string, std::vector<OutboxEntry>> m_unsavedOutboxes;
    BOOL m_bPushLost = FALSE;
    int m_nPushPort = 0;
    int m_nReloginCountdown = 0;
    int m_nThreads = 0;
    // Counts the logins left behind; each request carries the one it was made for.
    int m_nLoginSerial = 0;
    int m_nCredits = 0;
    int m_nClass = 0;
    int m_nDays = 0;
    BOOL m_bTrayToggle = FALSE;
    // The busy image is up: requests have been running for a moment.
    BOOL m_bBusyShown = FALSE;
    // The busy timer runs; since when the requests now running have been.
    BOOL m_bBusyTimer = FALSE;
    DWORD m_dwBusySince = 0;
    BOOL m_bRememberPassword = FALSE;
    // 0 not away, 1 away while idle, 2 the user chose "Niedostępny".
    int m_nAutoAway = 0;
    BOOL m_bCheckAway = FALSE;
    int m_nCheckAwayTime = 0;
    // Away also while the computer is locked or its screen saver runs.
    BOOL m_bAwayWhenLocked = FALSE;
    // The workstation is locked, as the system last told.
    BOOL m_bWorkstationLocked = FALSE;
    // Asked at each check of the away rule; tests put their own in its place.
    BOOL (*m_fnScreenSaverRunning)() = &CBriskoPCDlg::ScreenSaverRunning;
    // The chat history: kept across restarts, and at most how many KB of it per contact.
    BOOL m_bSaveHistory = TRUE;
    int m_nHistoryLimitKb = 512;
    // A SETSTATUS is on its way; the status chosen meanwhile, -1 for none.
    BOOL m_bStatusOnItsWay = FALSE;
    int m_nNextStatus = -1;
    BOOL m_bLocked = FALSE;
    // A version other than ours was named and not yet offered; an offer is
    // being answered (its dialogs are open).
    BOOL m_bUpdateOffered = FALSE;
    BOOL m_bOfferingUpdate = FALSE;
    // What the unlock shows again; the password it asks for.
    std::string m_strUnlockedCaption;
    UINT m_nUnlockedMenu = 0;
    std::string m_strLockPassword;
    // Wrong passwords since the lock, and when the last was given.
    int m_nUnlockFailures = 0;
    DWORD m_dwLastUnlockFailure = 0;

    CTrayIcon m_trayIcon;
    CTreeCtrl m_wndTree;
    HIMAGELIST m_imageList = nullptr;
    CContactList m_contacts;
    CMessageList m_messages;
    CSentLogStore m_sentLog;
    // Prices of one SMS by message type and tariff class, from the service.
    PriceTable m_anPrices;
    HTREEITEM m_hConnectionItem = nullptr;
    HMENU m_menu = nullptr;
    CBitmapButton m_btnHome;
    // The request semaphore and stop event, shared with the request workers.
    std::shared_ptr<CRequestChannel> m_pRequests;
    HICON m_hIcon;
    HBITMAP m_bmp156;
    HBITMAP m_bmp157;
    // The push connection's thread; it deletes itself once told to stop.
    CBPCSocks* m_pSocketThread = nullptr;

protected:
    void OnOK() override;
    void OnCancel() override;

private:
    void OnHide();
    void OnOpen();
    // A status command: its mark, the tray's status, and the service told.
    void ChooseStatus(int nCode, UINT nCommand);
    void OnDestroy();
    // The workstation locked or unlocked.
    LRESULT OnSessionChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    // The contacts and outbox files brought up to date.
    void SaveDataFiles();
    void OnHomePage();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    BOOL OnSize(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    BOOL OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    LRESULT OnTimerMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnRequestStarted(WPARAM wParam, LPARAM lParam);
    LRESULT OnRequestDone(WPARAM wParam, LPARAM lParam);
    bool DispatchResponse(std::unique_ptr<HttpRequest>& request);
    void EndRequest(HttpRequest& request, bool handled);
    // A request ended without its handler: what it had under way ends too.
    void OnRequestLost(HttpRequest& request);
    void OnServiceUnreachable(HttpRequest& request);
    // A request of this window, not yet started.
    HttpRequest* NewRequest(const char* function, std::string url);
    void ReadInstallPath();
    void StartSocketThread();
    void StopSocketThread();
    // A presence event: the contact with the service user id, if any, shows it.
    void SetPresence(WPARAM nUserId, int nPresence);
    void OpenHttpSession();
    // Replaces the window's menu; FALSE when the resource cannot be loaded.
    BOOL ReplaceMenu(UINT nIDResource);
    // Empties the contacts, "Kontakty" no longer showing the service's list.
    void ForgetContacts();
    void AddContact(const std::string& name, const std::string& number, int nUserId, int nPresence);
    void AddContacts(const std::vector<ContactEntry>& entries);
    HTREEITEM HitTreeItem();
    // Asks again for the announced messages no request is fetching.
    void FetchPendingMessages();
    void ResumePendingMessages();
    void WritePendingMessages();
    // The file brought up to date with the messages shown or given up since.
    void CatchUpPendingMessages();
    // A fetch, or the question about its sender, ended without the message.
    void MessageFetchFailed(int nMsgId);
    void ShowSystemMessage(const std::string& text);
    // A partner's message, in his chat window and the history.
    void ShowInChat(Contact* c, int nMsgId, const std::string& time, const std::string& text);
    void KeepInHistory(const Contact& c, const HistoryEntry& entry);
    // A presence told in a message: the contact with that number shows it.
    void SetPresenceOf(const std::string& number, int nPresence);
    void HighlightUnread(Contact* c);
    void EnableChatInput(int nUserId);
    CChatDlg* NewChatWindow(const Contact& c);
    Contact* SelectedContact() const;
    void TellNumberTaken(const std::string& number);
    // The tray icon of one timer tick: blinking while contacts are highlighted.
    void TickTrayIcon();
    // The busy image, shown only for requests still running after a moment.
    void StartBusyDelay();
    void ShowBusyIcon();
    void EndBusyIcon();
    LRESULT OnSendSms(WPARAM wParam, LPARAM lParam);
    // The compose dialog offers the contacts to pick the number from.
    void OfferRecipients(CSmsDlg& dlg) const;
    MessageRecord* SelectedMessage() const;
    // Leaves the login's requests, outbox and contacts behind (log-off, change of login).
    void LeaveLogin();
    // Puts the waiting SMS back into their file at log-off.
    void LeaveOutbox();
    // The sent SMS go with the login; its log keeps them.
    void LeaveSentLog();
    // Whether an SMS (or the check of an uncertain one) is on its way to the service.
    bool SmsOnItsWay() const { return !m_pSmsOnItsWay.expired(); }
    bool IsOnItsWay(const MessageRecord& r) const;
    // An outbox SMS the service took, with its id (0 unknown): it hangs under
    // its contact from now on, and in the log of sent SMS.
    void TakeAsSent(MessageRecord* r, int nSmsId);
    void TakeLastSmsAnswers();
    void OnSendSmsPlain() { SendSmsCommand(0, 0); }
    void OnSendSmsPolish() { SendSmsCommand(1, 0); }
    void OnMenuSendSmsPlain() { SendSmsCommand(2, 0); }
    void OnMenuSendSmsPolish() { SendSmsCommand(3, 0); }
    void OnSmsStatus();
    void OnSmsArchive();
    int m_nSendSerial = 0;
    // The stamp of the SMS on its way; it expires with the request that carries it.
    std::weak_ptr<int> m_pSmsOnItsWay;
    CPendingMessages m_pendingMessages;
    // Messages were shown or given up since the pending file was written.
    BOOL m_bPendingFileBehind = FALSE;
    CChatHistory m_chatHistory{m_strLogin};
    // The question about a system message is open.
    BOOL m_bAskingSystemMessage = FALSE;

    DECLARE_MESSAGE_MAP()
};
