// The main window's side of the push connection: the socket thread's answers
// to its requests, and the events the service announces on it.
#include "BriskoPCDlg.h"

#include "BPCSocks.h"

// The socket thread is asked again by the timers' duties whenever a step failed.
LRESULT CBriskoPCDlg::OnBPCConnect(WPARAM wParam, LPARAM) {
    if (wParam == 1) {
        m_nSocksState = 1;
        // The next tick's duties open the session at once.
        m_nReloginCountdown = 0;
    } else {
        m_nSocksState = 0;
    }
    return 0;
}

LRESULT CBriskoPCDlg::OnBPCSession(WPARAM wParam, LPARAM) {
    if (wParam != 1) {
        m_nSocksState = 1;
        // A new session id, then a new session.
        m_nDbState = 0;
        return 0;
    }
    m_nSocksState = 2;
    if (m_bPushLost) {
        // What changed while the connection was down is learnt anew.
        m_bPushLost = FALSE;
        m_contacts.ResetPresence();
        CheckStatuses();
    }
    return 0;
}

LRESULT CBriskoPCDlg::OnBPCAlive(WPARAM wParam, LPARAM) {
    if (wParam == 0) {
        m_nSocksState = 0;
        m_nDbState = 0;
    }
    return 0;
}

LRESULT CBriskoPCDlg::OnBPCDisconnect(WPARAM, LPARAM) {
    m_nSocksState = 0;
    m_nDbState = 0;
    m_bPushLost = TRUE;
    return 0;
}

// The push connection's steps in the timers' periodic duties.
void CBriskoPCDlg::DrivePushConnection() {
    if (!m_pSocketThread)
        return;
    if (m_nSocksState == 0) {
        m_pSocketThread->PostConnect(m_strPushHost, static_cast<UINT>(m_nPushPort));
        m_nSocksState = 3;
    }
    if (m_nDbState == 1 && m_nSocksState == 1)
        m_pSocketThread->PostSession(m_strSessionId);
}

void CBriskoPCDlg::KeepPushAlive() {
    if (m_nSocksState == 2 && m_pSocketThread)
        m_pSocketThread->PostAlive();
}

void CBriskoPCDlg::StartSocketThread() {
    auto* thread = new CBPCSocks(m_hWnd);
    if (!thread->CreateThread(CREATE_SUSPENDED)) {
        delete thread;
        return;
    }
    thread->ResumeThread();
    m_pSocketThread = thread;
}

// The thread closes its socket and ends by itself; nobody waits for it.
void CBriskoPCDlg::StopSocketThread() {
    if (m_pSocketThread)
        m_pSocketThread->PostStop();
    m_pSocketThread = nullptr;
}

LRESULT CBriskoPCDlg::OnReceivedMsg(WPARAM wParam, LPARAM) {
    ReceiveMsg(static_cast<int>(wParam));
    return 0;
}

// The answer tells a system message from a user's.
LRESULT CBriskoPCDlg::OnReceivedSystem(WPARAM wParam, LPARAM) {
    ReceiveMsg(static_cast<int>(wParam));
    return 0;
}

void CBriskoPCDlg::SetPresence(WPARAM nUserId, int nPresence) {
    Contact* c = m_contacts.FindByUserId(static_cast<int>(nUserId));
    if (!c)
        return;
    c->nPresence = nPresence;
    if (nPresence == 1) {
        c->nHighlightMode = 4;
        c->nHighlightTicks = 0;
    }
    m_contacts.RefreshContactItem(c);
}

LRESULT CBriskoPCDlg::OnReceivedLogin(WPARAM wParam, LPARAM) {
    SetPresence(wParam, 1);
    return 0;
}

LRESULT CBriskoPCDlg::OnReceivedBusy(WPARAM wParam, LPARAM) {
    SetPresence(wParam, 2);
    return 0;
}

LRESULT CBriskoPCDlg::OnReceivedAway(WPARAM wParam, LPARAM) {
    SetPresence(wParam, 3);
    return 0;
}

LRESULT CBriskoPCDlg::OnReceivedLogoff(WPARAM wParam, LPARAM) {
    SetPresence(wParam, 0);
    return 0;
}

LRESULT CBriskoPCDlg::OnReceivedSmsReport(WPARAM wParam, LPARAM) {
    // Kept, so that the SMS shows its report after a restart too.
    if (const MessageRecord* r = m_contacts.MarkSmsReport(static_cast<int>(wParam)))
        m_sentLog.LogReported(*r);
    ::MessageBeep(0);
    return 0;
}
