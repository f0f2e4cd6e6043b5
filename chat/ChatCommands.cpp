// The main window's side of the chat windows: opening one from the tree,
// clearing a contact's history, and ending his unread highlight once his
// conversation is looked at.
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "MessageBox.h"
#include "resource.h"

void CBriskoPCDlg::OnOpenChat() {
    Contact* c = SelectedContact();
    if (!c)
        return;
    CChatDlg* chat = OpenChatWindow(c);
    if (!chat) {
        AfxMessageBox("Error creating Dialog");
        return;
    }
    chat->BringToFront();
}

void CBriskoPCDlg::OnClearHistory() {
    Contact* c = SelectedContact();
    if (!c)
        return;
    std::string number = c->strNumber;
    if (AfxMessageBox("Czy na pewno usunąć całą historię rozmowy z " + c->strName + "?",
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!m_chatHistory.Clear(number)) {
        AfxMessageBox("Nie udało się usunąć historii rozmowy.");
        return;
    }
    // While the question was open, the contact may have gone.
    if (Contact* still = m_contacts.FindByNumber(number); still && still->pChatDlg)
        still->pChatDlg->ClearConversation();
}

BOOL CBriskoPCDlg::ShowChatOfHighlighted(int nTreeId) {
    Contact* c = m_contacts.FindByTreeId(nTreeId);
    if (!c || c->nHighlightMode == 0 || !c->pChatDlg)
        return FALSE;
    c->nHighlightMode = 0;
    m_contacts.RefreshContactItem(c);
    c->pChatDlg->ShowWindow(SW_SHOWNORMAL);
    ::PostMessageW(c->pChatDlg->m_hWnd, WM_CHAT_TO_FRONT, 0, 0);
    return TRUE;
}

LRESULT CBriskoPCDlg::OnChatActivated(WPARAM, LPARAM lParam) {
    Contact* c = m_contacts.FindByUserId(static_cast<int>(lParam));
    if (c && c->pChatDlg && ::IsWindowVisible(c->pChatDlg->m_hWnd)) {
        c->nHighlightMode = 0;
        m_contacts.RefreshContactItem(c);
    }
    return 0;
}
