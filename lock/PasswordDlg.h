// The dialog that asks for the account's password to unlock the client.
#pragma once

#include "Dialog.h"

#include <string>

class CPasswordDlg : public CDialog {
public:
    explicit CPasswordDlg(CWnd* pParent = nullptr);

    std::string m_strPassword;
    // After wrong passwords OK waits this long before it can be pressed.
    DWORD m_dwWaitMs = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter while OK still waits does nothing.
    void OnOK() override;
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};
