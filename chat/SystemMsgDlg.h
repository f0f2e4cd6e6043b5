// The notice dialog: one text to read, and "Zamknij".
#pragma once

#include "Dialog.h"

#include <string>

class CSystemMsgDlg : public CDialog {
public:
    CSystemMsgDlg();
    std::string m_strText;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
