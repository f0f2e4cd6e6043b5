// The two timers that keep the client's connections alive and its display fresh.
#include "BriskoPCDlg.h"

#include "resource.h"

namespace {
enum { TIMER_TICK = 1, TIMER_RELOGIN = 2 };
// Ticks of 600 ms between the periodic duties.
const int kDutyTicks = 30;
} // namespace

void CBriskoPCDlg::OnTimer(UINT nIDEvent) {
    if (nIDEvent == TIMER_RELOGIN) {
        if (m_nSessionState == 0 && !m_strPassword.empty())
            Login(m_strLogin, m_strPassword);
        return;
    }
    if (nIDEvent != TIMER_TICK)
        return;

    if (m_nReloginCountdown != 0)
        --m_nReloginCountdown;
    if (m_nReloginCountdown == 0) {
        m_nReloginCountdown = kDutyTicks;
        if (m_nSessionState == 1 && !m_strPassword.empty())
            QuickLogin(nullptr);
        if (m_nOutboxState == 1)
            ProcessOutbox();
        if (m_nSessionState == 2 && m_nDbState == 0)
            LoginPc(m_strLogin, m_strPassword);
    }
    TickTrayIcon();
    RefreshConnectionItems();
}

// While contacts are highlighted, they blink and the tray icon with them.
void CBriskoPCDlg::TickTrayIcon() {
    if (!m_contacts.HasHighlight()) {
        m_trayIcon.SetIcon(m_nThreads == 0 ? IDI_TRAY_QUIET : IDI_TRAY_BUSY);
        return;
    }
    BOOL loginShown = m_contacts.TickHighlights();
    if (m_bTrayToggle) {
        m_trayIcon.SetIcon(loginShown ? IDI_TRAY_QUIET : IDI_TRAY_BLINK_ON);
        m_bTrayToggle = FALSE;
    } else {
        m_trayIcon.SetIcon(IDI_TRAY_BLINK_OFF);
        m_bTrayToggle = TRUE;
    }
}
