// The settings: start with Windows, going away after idle minutes or while the
// computer is locked, and the chat history kept.
#pragma once

#include "Dialog.h"
#include "UserSettings.h"

class CSettingsDlg : public CDialog {
public:
    CSettingsDlg();

    BOOL m_bAutostart = FALSE;
    UserSettings m_settings;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Writes the Run value and the profile; stays open on a number it refuses.
    void OnOK() override;
};
