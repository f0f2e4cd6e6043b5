#include "ChatDlg.h"

#include "BriskoPCDlg.h"
#include "ChatText.h"
#include "MessageBox.h"
#include "Messages.h"
#include "WinApp.h"
#include "resource.h"

#include <shellapi.h>

// clang-format off
BEGIN_MESSAGE_MAP(CChatDlg, CDialog)
    ON_COMMAND(IDC_CHAT_HIDE, OnHide)
    ON_MESSAGE_OR_DEFAULT(WM_ACTIVATE, OnActivate)
    ON_MESSAGE_OR_DEFAULT(WM_SIZE, OnSize)
    ON_MESSAGE_OR_DEFAULT(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    ON_NOTIFY(EN_LINK, IDC_CHAT_HISTORY, OnLink)
    ON_MESSAGE_VOID(WM_CLOSE, OnHide)
    ON_MESSAGE(WM_CHAT_TO_FRONT, OnToFront)
END_MESSAGE_MAP()
// clang-format on

// The system's hand serves as the pointer over links.
CChatDlg::CChatDlg(CWnd* pParent)
    : CDialog(IDD_CHAT, pParent), m_hLinkCursor(::LoadCursorA(nullptr, IDC_HAND)) {}

void ChatDlgDeleter::operator()(CChatDlg* p) const {
    delete p;
}

BOOL CChatDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetPartnerName(m_strPartnerName);
    m_history.SubclassDlgItem(IDC_CHAT_HISTORY, m_hWnd);
    m_history.SetDefaultFormat();
    m_history.DetectLinks();
    return TRUE;
}

void CChatDlg::OnOK() {
    HWND input = GetDlgItem(IDC_CHAT_INPUT);
    // The last text is still on its way: "Wyślij" again would send it twice.
    if (!::IsWindowEnabled(input))
        return;
    std::string text = fw::GetText(input);
    if (text.size() > kMaxChatText) {
        // Nothing of this window may be touched after the box: while it was
        // open the contact, and this window with it, may have gone.
        MessageBoxFor(m_hWnd, "Za długa wiadomość. Maks. 900 znaków.", AfxGetApp()->m_strAppName,
                      MB_OK);
        return;
    }
    if (text.empty())
        return;
    auto record = std::make_shared<MessageRecord>();
    record->strText = text;
    record->nUserId = m_nPartnerUserId;
    ::EnableWindow(input, FALSE);
    m_pOwner->SendText(NationalNumber(m_strPartnerNumber), std::move(record));
}

void CChatDlg::AppendMessage(std::string time, std::string text) {
    m_history.Append(MessageHeader(time, m_strPartnerName), CChatHistoryCtrl::PARTNER_HEADER);
    m_history.Append(text + "\r\n", CChatHistoryCtrl::PARTNER_TEXT);
}

void CChatDlg::AppendOwnMessage(std::string time, std::string text) {
    m_history.Append(MessageHeader(time, m_pOwner->GetOwnName()), CChatHistoryCtrl::OWN_HEADER);
    m_history.Append(text + "\r\n", CChatHistoryCtrl::OWN_TEXT);
    fw::SetControlText(m_hWnd, IDC_CHAT_INPUT, "");
    EnableInput();
}

void CChatDlg::ShowEarlier(const std::vector<HistoryEntry>& entries) {
    if (entries.empty())
        return;
    std::vector<RichPiece> pieces;
    for (const HistoryEntry& e : entries) {
        const std::string& name = e.bOwn ? m_pOwner->GetOwnName() : m_strPartnerName;
        pieces.push_back({MessageHeader(e.strTime, name), true});
        pieces.push_back({e.strText + "\r\n", false});
    }
    m_history.AppendRichText(RichTextOf(pieces, 0x80, 0x80, 0x80));
}

void CChatDlg::ClearConversation() {
    m_history.Clear();
}

void CChatDlg::EnableInput() {
    HWND input = GetDlgItem(IDC_CHAT_INPUT);
    ::EnableWindow(input, TRUE);
    ::SetFocus(input);
}

void CChatDlg::BringToFront() {
    ShowWindow(SW_SHOWNORMAL);
    ::SetForegroundWindow(m_hWnd);
    EnableInput();
}

LRESULT CChatDlg::OnToFront(WPARAM, LPARAM) {
    BringToFront();
    return 0;
}

void CChatDlg::SetPartnerName(const std::string& name) {
    m_strPartnerName = name;
    if (m_hWnd)
        SetWindowText("BriskoPC - " + name);
}

// Esc, "Ukryj" and the close box only hide it: the conversation stays.
void CChatDlg::OnCancel() {
    OnHide();
}

void CChatDlg::OnHide() {
    ShowWindow(SW_HIDE);
}

// Activated or not, the main window looks whether the unread highlight is over.
// The dialog's own handling (the focus back to its control) follows.
BOOL CChatDlg::OnActivate(WPARAM, LPARAM, LRESULT*) {
    ::PostMessageW(m_pOwner->m_hWnd, WM_CHAT_ACTIVATED, 0, m_nPartnerUserId);
    return FALSE;
}

BOOL CChatDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam, LRESULT*) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize = {300, 200};
    return FALSE;
}

BOOL CChatDlg::OnSize(WPARAM, LPARAM lParam, LRESULT*) {
    int w, h;
    if (ClientSizeInDialogUnits(lParam, &w, &h)) {
        MoveItem(IDC_CHAT_FRAME, 5, 5, w - 5, h - 5);
        MoveItem(IDC_CHAT_HISTORY, 12, 18, w - 12, h - 80);
        MoveItem(IDC_CHAT_INPUT, 12, h - 68, w - 12, h - 28);
        MoveItem(IDC_CHAT_LABEL, 12, h - 78, w - 12, h - 70);
        MoveItem(IDC_CHAT_HIDE, w - 118, h - 25, w - 68, h - 11);
        MoveItem(IDOK, w - 62, h - 25, w - 12, h - 11);
    }
    return FALSE;
}

void CChatDlg::OnLink(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* link = reinterpret_cast<ENLINK*>(pNMHDR);
    switch (link->msg) {
    case WM_SETCURSOR:
        if (m_hLinkCursor) {
            ::SetCursor(m_hLinkCursor);
            *pResult = 1;
        }
        return;
    case WM_LBUTTONDOWN:
        // The address is read by its range: the user's selection stays.
        m_history.OnLinkPressed();
        fw::ShellOpen(m_hWnd, fw::Wide(m_history.TextRange(link->chrg)));
        *pResult = 1;
        return;
    case WM_LBUTTONUP:
        *pResult = 1;
        return;
    default:
        return;
    }
}
