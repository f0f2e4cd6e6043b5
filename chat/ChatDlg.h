// One contact's chat window: the conversation so far and a field to write in.
// Made on first need and hidden rather than closed; it goes with its contact.
#pragma once

#include "ChatHistoryCtrl.h"
#include "Dialog.h"
#include "HistoryFile.h"

#include <string>
#include <vector>

class CBriskoPCDlg;

// Posted to a chat window to come to the front once the click that asked for
// it is over (the tree takes the focus back when its click ends).
#define WM_CHAT_TO_FRONT (WM_APP + 1)

class CChatDlg : public CDialog {
public:
    explicit CChatDlg(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;
    // Sends what the field holds.
    void OnOK() override;

    // A partner's message, with the time text the service gave.
    void AppendMessage(std::string time, std::string text);
    // The user's own message, once the service took it: the field is emptied.
    void AppendOwnMessage(std::string time, std::string text);
    // Messages of earlier conversations, in a muted colour above the new ones.
    void ShowEarlier(const std::vector<HistoryEntry>& entries);
    // The history was cleared: the window shows nothing of it any more.
    void ClearConversation();
    // The field may be written in again.
    void EnableInput();
    // Shown in front, the field ready to be written in.
    void BringToFront();
    // The contact was renamed (a temporary one kept for good).
    void SetPartnerName(const std::string& name);

    std::string m_strPartnerNumber;
    std::string m_strPartnerName;
    int m_nPartnerUserId = 0;
    CBriskoPCDlg* m_pOwner = nullptr;
    CChatHistoryCtrl m_history;

protected:
    void OnCancel() override;

private:
    void OnHide();
    LRESULT OnToFront(WPARAM wParam, LPARAM lParam);
    BOOL OnActivate(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL OnSize(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    void OnLink(NMHDR* pNMHDR, LRESULT* pResult);

    HCURSOR m_hLinkCursor;

    DECLARE_MESSAGE_MAP()
};
