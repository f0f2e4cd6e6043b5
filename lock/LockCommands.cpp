// Locking the client until the account's password is given again. The
// connection stays up meanwhile; the tree, the chat windows and the menus
// that act on the account are out of reach.
#include "BriskoPCDlg.h"

#include "MessageBox.h"
#include "PasswordDlg.h"
#include "StoredPassword.h"
#include "WinApp.h"
#include "resource.h"

#include <algorithm>

namespace {
// Each wrong password makes the next wait a second longer, up to this.
const int kMaxWaitSeconds = 30;
} // namespace

void CBriskoPCDlg::OnLock() {
    m_strUnlockedCaption = GetWindowText();
    m_nUnlockedMenu = IDR_MENU_LOGGEDIN;
    SetWindowText("Zablokowany");
    if (!ReplaceMenu(IDR_MENU_LOCKED)) {
        ::SetMenu(m_hWnd, nullptr);
        return;
    }
    m_bLocked = TRUE;
    m_strLockPassword = m_strPassword;
    m_nUnlockFailures = 0;
    m_wndTree.ShowWindow(SW_HIDE);
    DeleteStoredPassword(*AfxGetApp());
    m_contacts.HideChatWindows();
}

void CBriskoPCDlg::OnUnlock() {
    if (!m_bLocked)
        return;
    CPasswordDlg dlg(this);
    DWORD since = ::GetTickCount() - m_dwLastUnlockFailure;
    DWORD wait = static_cast<DWORD>(std::min(m_nUnlockFailures, kMaxWaitSeconds)) * 1000;
    dlg.m_dwWaitMs = m_nUnlockFailures > 0 && since < wait ? wait - since : 0;
    if (dlg.DoModal() != IDOK)
        return;
    if (dlg.m_strPassword != m_strLockPassword) {
        ++m_nUnlockFailures;
        m_dwLastUnlockFailure = ::GetTickCount();
        MessageBoxFor(m_hWnd, "Błędne hasło.", AfxGetApp()->m_strAppName, MB_OK);
        return;
    }
    m_bLocked = FALSE;
    m_strLockPassword.clear();
    SetWindowText(m_strUnlockedCaption);
    if (!ReplaceMenu(m_nUnlockedMenu))
        return;
    m_wndTree.ShowWindow(SW_SHOW);
    if (m_bRememberPassword && !m_strPassword.empty())
        WriteStoredPassword(*AfxGetApp(), m_strPassword);
    OfferUpdate();
}

BOOL CBriskoPCDlg::ShowSessionState(const char* caption, UINT nMenu) {
    if (m_bLocked) {
        if (caption)
            m_strUnlockedCaption = caption;
        m_nUnlockedMenu = nMenu;
        return TRUE;
    }
    if (caption)
        SetWindowText(caption);
    return ReplaceMenu(nMenu);
}
