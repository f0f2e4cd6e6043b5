// The main window's side of the chat windows: opening one from the tree, and
// ending a contact's unread highlight once its conversation is looked at.
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

BOOL CBriskoPCDlg::ShowChatOfHighlighted(int nTreeId) {
    Contact* c = m_contacts.FindByTreeId(nTreeId);
    if (!c || c->nHighlightMode == 0 || !c->pChatDlg)
        return FALSE;
    c->nHighlightMode = 0;
    m_contacts.RefreshContactItem(c);
    c->pChatDlg->ShowWindow(SW_SHOWNORMAL);
    ::PostMessageA(c->pChatDlg->m_hWnd, WM_CHAT_TO_FRONT, 0, 0);
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
