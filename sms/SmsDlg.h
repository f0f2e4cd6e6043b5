// The dialog in which the user writes (or edits) one SMS, counting its
// characters and parts and showing its price as the text grows.
#pragma once

#include "Dialog.h"

#include <string>

class CSmsDlg : public CDialog {
public:
    CSmsDlg();

    void SetPolish(BOOL bPolish) { m_bPolish = bPolish; }

    BOOL m_bPolish = FALSE;
    // The price of one SMS, in the service's currency.
    int m_nPrice = 0;
    // The recipient's 9 digits, without "+48".
    std::string m_strNumber;
    std::string m_strText;
    BOOL m_bClass0 = FALSE;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    void OnTextUpdate();

    DECLARE_MESSAGE_MAP()
};
