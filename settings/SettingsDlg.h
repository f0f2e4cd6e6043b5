// The settings: start with Windows, and going away after idle minutes.
#pragma once

#include "Dialog.h"

class CSettingsDlg : public CDialog {
public:
    CSettingsDlg();

    BOOL m_bAutostart = FALSE;
    BOOL m_bCheckAway = FALSE;
    int m_nCheckAwayTime = 0;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Writes the Run value and the profile; stays open on minutes that are no integer.
    void OnOK() override;
};
