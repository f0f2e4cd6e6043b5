#include "SystemMsgDlg.h"

#include "DataExchange.h"
#include "resource.h"

CSystemMsgDlg::CSystemMsgDlg() : CDialog(IDD_SYSTEM_MESSAGE) {}

void CSystemMsgDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_MESSAGE_TEXT, m_strText);
}
