// The dialog in which the user writes (or edits) one SMS, counting its
// characters and parts and showing its price as the text grows.
#pragma once

#include "Dialog.h"

#include <string>
#include <vector>

// A contact the number can be taken from: the name the tree shows and the
// number as stored ("+48" and 9 digits).
struct SmsRecipient {
    std::string strName;
    std::string strNumber;
};

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
    // The contacts the "..." button offers, in the tree's order; set by the opener.
    std::vector<SmsRecipient> m_recipients;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    void OnTextUpdate();
    void OnPickRecipient();

    // The recipients whose numbers the dialog takes, with their 9 digits.
    std::vector<SmsRecipient> m_offered;

    DECLARE_MESSAGE_MAP()
};
