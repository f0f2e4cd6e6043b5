// The dialog that takes a contact's name and number.
#pragma once

#include "Dialog.h"

#include <string>

class CContactDlg : public CDialog {
public:
    CContactDlg();

    std::string m_strName;
    // The 9 digits, without "+48".
    std::string m_strNumber;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Closes only on a name and a Polish mobile number the service takes.
    void OnOK() override;
};
