// The service's message functions: fetching a message the push connection announced.
#include "BriskoPCDlg.h"

void CBriskoPCDlg::ReceiveMsg(int nMsgId) {
    if (IsSessionUp())
        QueueRequest("RECEIVEMSG",
                     "briskopc.asp?function=RECEIVEMSG&MsgId=" + std::to_string(nMsgId));
}
