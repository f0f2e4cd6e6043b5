// The dialog that asks for the account's number and password.
#pragma once

#include "Dialog.h"

#include <string>

class CLoginDialog : public CDialog {
public:
    explicit CLoginDialog(CWnd* pParent = nullptr);

    std::string m_strLogin;
    std::string m_strPassword;
    BOOL m_bRemember = FALSE;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Closes only on a login of the right form.
    void OnOK() override;
};
