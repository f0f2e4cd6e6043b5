// The main window's command of the settings.
#include "BriskoPCDlg.h"
#include "SettingsDlg.h"

#include <memory>

void CBriskoPCDlg::OnSettings() {
    auto dlg = std::make_unique<CSettingsDlg>();
    if (dlg->DoModal() != IDOK)
        return;
    m_bCheckAway = dlg->m_bCheckAway;
    m_nCheckAwayTime = dlg->m_nCheckAwayTime;
}
