// The main window's commands of the settings and the help file.
#include "BriskoPCDlg.h"
#include "SettingsDlg.h"
#include "UserSettings.h"

#include <memory>

namespace {
const UINT kDisplayTopic = 0; // HH_DISPLAY_TOPIC
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The HTML Help viewer, where the system has one. Its window needs the
// library loaded while it is open, so once loaded it stays.
HtmlHelpFn HtmlHelpViewer() {
    static HMODULE library = ::LoadLibraryW(L"hhctrl.ocx");
    static auto viewer = library ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(
                                       ::GetProcAddress(library, "HtmlHelpW")))
                                 : nullptr;
    return viewer;
}
} // namespace

void CBriskoPCDlg::OnSettings() {
    auto dlg = std::make_unique<CSettingsDlg>();
    if (dlg->DoModal() == IDOK)
        ApplySettings(dlg->m_settings);
}

// They hold from the away rule's next check on; the history reads them as it goes.
void CBriskoPCDlg::ApplySettings(const UserSettings& settings) {
    m_bCheckAway = settings.bCheckAway;
    m_nCheckAwayTime = settings.nCheckAwayTime;
    m_bAwayWhenLocked = settings.bAwayWhenLocked;
    m_bSaveHistory = settings.bSaveHistory;
    m_nHistoryLimitKb = settings.nHistoryLimitKb;
}

std::string CBriskoPCDlg::HelpFilePath() const {
    return m_strInstallPath + "\\bpc.chm";
}

void CBriskoPCDlg::OnHelpContents() {
    if (HtmlHelpFn viewer = HtmlHelpViewer())
        viewer(m_hWnd, fw::PathW(HelpFilePath()).c_str(), kDisplayTopic, 0);
}
