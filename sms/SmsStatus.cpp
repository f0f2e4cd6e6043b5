// The service's report on the sent SMS: for the account, or for one contact.
#include "BriskoPCDlg.h"

#include "MessageBox.h"
#include "Response.h"
#include "SmsStatusDlg.h"
#include "StatusReport.h"
#include "WinApp.h"
#include "resource.h"

void CBriskoPCDlg::RequestSmsStatus(const Contact* c) {
    if (!IsSessionUp())
        return;
    QueueRequest("STATUSSMS", StatusSmsUrl(c ? c->strNumber : std::string()));
}

void CBriskoPCDlg::OnSmsStatus() {
    RequestSmsStatus(nullptr);
}

void CBriskoPCDlg::OnSmsArchive() {
    if (const Contact* c = SelectedContact())
        RequestSmsStatus(c);
}

void CBriskoPCDlg::OnSmsStatusResponse(HttpRequest& request) {
    const char* response = request.pszResponse.get();
    if (Equals(response, "NOSTATUS")) {
        MessageBoxFor(m_hWnd, AfxLoadString(IDS_NO_STATUS), AfxGetApp()->m_strAppName, MB_OK);
        return;
    }
    CSmsStatusDlg dlg;
    dlg.SetReport(response);
    dlg.DoModal();
}
