// The user's own status as his contacts see it: the four status commands,
// and the away status the client sets by itself while he is idle or, if he
// wants, while the computer is locked or its screen saver runs.
#include "BriskoPCDlg.h"

#include "StatusText.h"
#include "Tarnix.h"
#include "resource.h"

#include <string>

namespace {
const UINT kStatusCommands[] = {ID_STATUS_UNAVAILABLE, ID_STATUS_BUSY, ID_STATUS_INVISIBLE,
                                ID_STATUS_AVAILABLE};
// Codes as the service shows them: 0 logged off, 1 available, 2 busy, 3 away.
enum { STATUS_INVISIBLE = 0, STATUS_AVAILABLE = 1, STATUS_BUSY = 2, STATUS_AWAY = 3 };
} // namespace

// Choosing a status again sends it again: the service may have lost it.
void CBriskoPCDlg::ChooseStatus(int nCode, UINT nCommand) {
    m_nAutoAway = nCommand == ID_STATUS_UNAVAILABLE ? 2 : 0;
    m_trayIcon.m_nStatus = nCode;
    for (UINT id : kStatusCommands)
        ::CheckMenuItem(m_menu, id, MF_BYCOMMAND | (id == nCommand ? MF_CHECKED : MF_UNCHECKED));
    SetStatus(nCode);
}

void CBriskoPCDlg::OnStatusUnavailable() {
    ChooseStatus(STATUS_AWAY, ID_STATUS_UNAVAILABLE);
}

void CBriskoPCDlg::OnStatusBusy() {
    ChooseStatus(STATUS_BUSY, ID_STATUS_BUSY);
}

void CBriskoPCDlg::OnStatusInvisible() {
    ChooseStatus(STATUS_INVISIBLE, ID_STATUS_INVISIBLE);
}

void CBriskoPCDlg::OnStatusAvailable() {
    ChooseStatus(STATUS_AVAILABLE, ID_STATUS_AVAILABLE);
}

// Not logged in: the choice is shown but the service never learns of it.
// One status at a time is on its way: two at once could arrive the other way
// round and leave the user shown as he no longer is. A choice made meanwhile
// goes when the first is answered; only the last one counts.
void CBriskoPCDlg::SetStatus(int nCode) {
    if (!IsSessionUp())
        return;
    if (m_bStatusOnItsWay) {
        m_nNextStatus = nCode;
        return;
    }
    m_bStatusOnItsWay = TRUE;
    QueueRequest("SETSTATUS", "briskopc.asp?function=SETSTATUS&status=" + std::to_string(nCode));
}

// Nothing to say of the answer, whatever it is: a status the service did not
// take is not worth a message, and the next choice sends it again.
void CBriskoPCDlg::OnSetStatusResponse(HttpRequest&) {
    m_bStatusOnItsWay = FALSE;
    if (m_nNextStatus < 0)
        return;
    int next = m_nNextStatus;
    m_nNextStatus = -1;
    SetStatus(next);
}

void CBriskoPCDlg::CheckAutoAway() {
    CheckAutoAway(::GetTickCount(), TarnixGetLastInputTime());
}

// Away after the idle limit, or at once while the computer is locked or its
// screen saver runs; back at the first input once the computer is his again.
// Never over the user's own "Niedostępny". Coming back is always "available":
// what he had chosen before stays on the menu's marks.
void CBriskoPCDlg::CheckAutoAway(DWORD now, DWORD lastInput) {
    long long idle = IdleSeconds(now, lastInput);
    long long limit = static_cast<long long>(m_nCheckAwayTime) * 60;
    bool absent = m_bAwayWhenLocked && (m_bWorkstationLocked || m_fnScreenSaverRunning());
    if (m_nAutoAway == 0 && (absent || (idle > limit && m_bCheckAway))) {
        m_nAutoAway = 1;
        SetStatus(STATUS_AWAY);
    }
    if (m_nAutoAway == 1 && !absent && idle < limit) {
        m_nAutoAway = 0;
        SetStatus(STATUS_AVAILABLE);
    }
}

BOOL CBriskoPCDlg::ScreenSaverRunning() {
    BOOL running = FALSE;
    return ::SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
}

// The lock is told as it comes; the screen saver is asked at each check.
LRESULT CBriskoPCDlg::OnSessionChange(WPARAM wParam, LPARAM) {
    if (wParam != WTS_SESSION_LOCK && wParam != WTS_SESSION_UNLOCK)
        return 0;
    m_bWorkstationLocked = wParam == WTS_SESSION_LOCK;
    if (m_nSessionState == 2)
        CheckAutoAway();
    return 0;
}
