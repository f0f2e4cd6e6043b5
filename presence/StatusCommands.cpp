// The user's own status as his contacts see it: the four status commands,
// and the away status the client sets by itself while he is idle.
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

// Away after the idle limit, back at the first input; never over the user's
// own "Niedostępny". Coming back is always "available": what he had chosen
// before stays on the menu's marks.
void CBriskoPCDlg::CheckAutoAway(DWORD now, DWORD lastInput) {
    long long idle = IdleSeconds(now, lastInput);
    long long limit = static_cast<long long>(m_nCheckAwayTime) * 60;
    if (idle > limit && m_nAutoAway == 0 && m_bCheckAway) {
        m_nAutoAway = 1;
        SetStatus(STATUS_AWAY);
    }
    if (idle < limit && m_nAutoAway == 1) {
        m_nAutoAway = 0;
        SetStatus(STATUS_AVAILABLE);
    }
}
