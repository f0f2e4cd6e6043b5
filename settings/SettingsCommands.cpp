// The main window's commands of the settings and the help file.
#include "BriskoPCDlg.h"
#include "SettingsDlg.h"

#include <memory>

namespace {
const UINT kDisplayTopic = 0; // HH_DISPLAY_TOPIC
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// The HTML Help viewer, where the system has one. Its window needs the
// library loaded while it is open, so once loaded it stays.
HtmlHelpFn HtmlHelpViewer() {
    static HMODULE library = ::LoadLibraryA("hhctrl.ocx");
    static auto viewer = library ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(
                                       ::GetProcAddress(library, "HtmlHelpA")))
                                 : nullptr;
    return viewer;
}
} // namespace

void CBriskoPCDlg::OnSettings() {
    auto dlg = std::make_unique<CSettingsDlg>();
    if (dlg->DoModal() != IDOK)
        return;
    m_bCheckAway = dlg->m_bCheckAway;
    m_nCheckAwayTime = dlg->m_nCheckAwayTime;
}

std::string CBriskoPCDlg::HelpFilePath() const {
    return m_strInstallPath + "\\bpc.chm";
}

void CBriskoPCDlg::OnHelpContents() {
    if (HtmlHelpFn viewer = HtmlHelpViewer())
        viewer(m_hWnd, HelpFilePath().c_str(), kDisplayTopic, 0);
}
