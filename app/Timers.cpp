// The two timers that keep the client's connections alive and its display
// fresh, and the timer that shows the busy tray image.
#include "BriskoPCDlg.h"

#include "resource.h"

namespace {
enum { TIMER_TICK = 1, TIMER_RELOGIN = 2, TIMER_BUSY = 3 };
// Ticks of 600 ms between the periodic duties.
const int kDutyTicks = 30;
// Requests answered sooner never show the busy image: changing the image
// twice would cost more than most requests take.
const DWORD kBusyDelay = 150;
} // namespace

void CBriskoPCDlg::OnTimer(UINT nIDEvent) {
    if (nIDEvent == TIMER_RELOGIN) {
        if (m_nSessionState == 0 && !m_strPassword.empty())
            Login(m_strLogin, m_strPassword);
        KeepPushAlive();
        return;
    }
    if (nIDEvent == TIMER_BUSY) {
        ShowBusyIcon();
        return;
    }
    if (nIDEvent != TIMER_TICK)
        return;

    if (m_nSessionState == 2)
        CheckAutoAway();
    if (m_nReloginCountdown != 0)
        --m_nReloginCountdown;
    if (m_nReloginCountdown == 0) {
        m_nReloginCountdown = kDutyTicks;
        if (m_nSessionState == 1 && !m_strPassword.empty())
            QuickLogin(nullptr);
        if (m_nOutboxState == 1)
            ProcessOutbox();
        CatchUpPendingMessages();
        if (m_nSessionState == 2) {
            if (m_nDbState == 0)
                LoginPc(m_strLogin, m_strPassword);
            DrivePushConnection();
            FetchPendingMessages();
        }
    }
    TickTrayIcon();
    RefreshConnectionItems();
}

// While contacts are highlighted, they blink and the tray icon with them.
void CBriskoPCDlg::TickTrayIcon() {
    if (!m_contacts.HasHighlight()) {
        m_trayIcon.SetIcon(m_bBusyShown ? IDI_TRAY_BUSY : IDI_TRAY_QUIET);
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

// The first of the running requests: the busy image waits until they prove
// slow. Over fast requests the timer keeps running: setting and killing it
// for each one would cost a good part of the request.
void CBriskoPCDlg::StartBusyDelay() {
    m_dwBusySince = ::GetTickCount();
    if (!m_bBusyTimer)
        m_bBusyTimer = ::SetTimer(m_hWnd, TIMER_BUSY, kBusyDelay, nullptr) != 0;
}

void CBriskoPCDlg::ShowBusyIcon() {
    DWORD running = ::GetTickCount() - m_dwBusySince;
    if (m_nThreads > 0 && running < kBusyDelay) {
        // Requests that started after the timer did: they get their own delay.
        ::SetTimer(m_hWnd, TIMER_BUSY, kBusyDelay - running, nullptr);
        return;
    }
    ::KillTimer(m_hWnd, TIMER_BUSY);
    m_bBusyTimer = FALSE;
    if (m_nThreads > 0) {
        m_bBusyShown = TRUE;
        m_trayIcon.SetIcon(IDI_TRAY_BUSY);
    }
}

// The last running request has ended.
void CBriskoPCDlg::EndBusyIcon() {
    if (m_bBusyShown)
        m_trayIcon.SetIcon(IDI_TRAY_QUIET);
    m_bBusyShown = FALSE;
}
