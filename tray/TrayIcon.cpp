#include "TrayIcon.h"

#include "WinApp.h"
#include "resource.h"

#include <cstring>
#include <iterator>

namespace {
// The menu item the default action and the double click stand for: "Otwórz".
const int kOpenPosition = 4;

UINT StatusCommand(int status) {
    switch (status) {
    case 0:
        return ID_STATUS_INVISIBLE;
    case 1:
        return ID_STATUS_AVAILABLE;
    case 2:
        return ID_STATUS_BUSY;
    case 3:
        return ID_STATUS_UNAVAILABLE;
    default:
        return 0;
    }
}
} // namespace

CTrayIcon::CTrayIcon() {
    std::memset(&m_nid, 0, sizeof m_nid);
}

CTrayIcon::~CTrayIcon() {
    RemoveIcon();
}

BOOL CTrayIcon::Create(HWND hWnd, UINT uCallbackMessage, const char* szTip, HICON hIcon, UINT uID) {
    // The shells before version 4 have no notification area.
    if (LOBYTE(LOWORD(::GetVersion())) < 4 || !hWnd || !::IsWindow(hWnd)) {
        m_bEnabled = FALSE;
        return FALSE;
    }
    m_nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    m_nid.hWnd = hWnd;
    m_nid.uID = uID;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = uCallbackMessage;
    m_nid.hIcon = hIcon;
    lstrcpynW(m_nid.szTip, fw::Wide(szTip).c_str(), 64);
    m_bEnabled = ::Shell_NotifyIconW(NIM_ADD, &m_nid);
    m_bShown = m_bEnabled && hIcon;
    return m_bEnabled;
}

BOOL CTrayIcon::SetIcon(HICON hIcon) {
    if (!m_bEnabled)
        return FALSE;
    // The timer sets the image every 600 ms, mostly to what it is already;
    // each change is a round trip to the shell.
    if (m_bShown && hIcon == m_nid.hIcon)
        return TRUE;
    m_nid.uFlags = NIF_ICON;
    m_nid.hIcon = hIcon;
    m_bShown = ::Shell_NotifyIconW(NIM_MODIFY, &m_nid);
    return m_bShown;
}

BOOL CTrayIcon::SetIcon(UINT nIDResource) {
    // The notification area shows small icons; shared ones need no clean-up.
    auto icon = static_cast<HICON>(
        ::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIDResource), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return SetIcon(icon);
}

BOOL CTrayIcon::AddAgain() {
    // Never created for a window, or taken away with it.
    if (!m_nid.hWnd || m_bHidden || !::IsWindow(m_nid.hWnd))
        return FALSE;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // A shell that still has it refuses the add and takes the change.
    m_bEnabled = ::Shell_NotifyIconW(NIM_ADD, &m_nid) || ::Shell_NotifyIconW(NIM_MODIFY, &m_nid);
    m_bShown = m_bEnabled && m_nid.hIcon;
    return m_bEnabled;
}

BOOL CTrayIcon::RemoveIcon() {
    if (!m_bEnabled)
        return FALSE;
    m_nid.uFlags = 0;
    BOOL removed = ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
    m_bEnabled = FALSE;
    return removed;
}

// The icon itself is kept in the first shell's record, which every shell
// takes; only the balloon needs the larger one.
BOOL CTrayIcon::ShowBalloon(const std::string& title, const std::string& text) {
    if (!m_bEnabled || m_bHidden)
        return FALSE;
    NOTIFYICONDATAW balloon = {};
    balloon.cbSize = sizeof balloon;
    balloon.hWnd = m_nid.hWnd;
    balloon.uID = m_nid.uID;
    balloon.uFlags = NIF_INFO;
    lstrcpynW(balloon.szInfoTitle, fw::Wide(title).c_str(), std::size(balloon.szInfoTitle));
    lstrcpynW(balloon.szInfo, fw::Wide(text).c_str(), std::size(balloon.szInfo));
    balloon.dwInfoFlags = NIIF_INFO;
    balloon.uTimeout = 10000;
    return ::Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

void CTrayIcon::HideIcon() {
    if (m_bEnabled && !m_bHidden) {
        m_nid.uFlags = NIF_ICON;
        ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
        m_bHidden = TRUE;
    }
}

LRESULT CTrayIcon::OnTrayNotification(WPARAM wParam, LPARAM lParam) {
    if (wParam != m_nid.uID)
        return 0;
    UINT mouse = LOWORD(lParam);
    if (mouse != WM_RBUTTONUP && mouse != WM_LBUTTONDBLCLK)
        return 1;

    HMENU menu = ::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nid.uID));
    HMENU popup = menu ? ::GetSubMenu(menu, 0) : nullptr;
    if (!popup) {
        if (menu)
            ::DestroyMenu(menu);
        return 0;
    }
    if (mouse == WM_RBUTTONUP) {
        ::SetMenuDefaultItem(popup, kOpenPosition, TRUE);
        if (UINT status = StatusCommand(m_nStatus))
            ::CheckMenuItem(popup, status, MF_BYCOMMAND | MF_CHECKED);
        POINT pos;
        ::GetCursorPos(&pos);
        ::SetForegroundWindow(m_nid.hWnd);
        ::TrackPopupMenu(popup, TPM_LEFTALIGN, pos.x, pos.y, 0, m_nid.hWnd, nullptr);
        // Without a message after the menu, it stays open when the user clicks elsewhere.
        ::PostMessageW(m_nid.hWnd, WM_USER, 0, 0);
    } else {
        ::SetForegroundWindow(m_nid.hWnd);
        ::SendMessageW(m_nid.hWnd, WM_COMMAND, ::GetMenuItemID(popup, kOpenPosition), 0);
    }
    ::DestroyMenu(menu);
    return 1;
}
