#include "SettingsDlg.h"

#include "DataExchange.h"
#include "MessageBox.h"
#include "RegistryKey.h"
#include "WinApp.h"
#include "resource.h"

#include <string>
#include <vector>

namespace {
// The key and value by which Windows starts the program at logon.
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "BriskoPC";

// The command line that starts this very program: its own path, quoted;
// empty when the path cannot be had.
std::string AutostartCommand() {
    // A path may be longer than MAX_PATH; the call tells so by filling the buffer.
    std::vector<wchar_t> path(MAX_PATH);
    DWORD n;
    while ((n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
               path.size() &&
           path.size() < 32768)
        path.resize(path.size() * 2);
    if (n == 0 || n == path.size())
        return "";
    return "\"" + fw::PathText(std::wstring_view(path.data(), n)) + "\"";
}
} // namespace

CSettingsDlg::CSettingsDlg() : CDialog(IDD_SETTINGS) {}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_AUTOSTART, m_bAutostart);
    DDX_Check(pDX, IDC_CHECK_AWAY, m_settings.bCheckAway);
    DDX_Text(pDX, IDC_CHECK_AWAY_TIME, m_settings.nCheckAwayTime);
    DDX_Check(pDX, IDC_AWAY_WHEN_LOCKED, m_settings.bAwayWhenLocked);
    DDX_Check(pDX, IDC_SAVE_HISTORY, m_settings.bSaveHistory);
    DDX_Text(pDX, IDC_HISTORY_LIMIT, m_settings.nHistoryLimitKb);
    DDV_MinMaxInt(pDX, IDC_HISTORY_LIMIT, m_settings.nHistoryLimitKb, kMinHistoryLimitKb,
                  kMaxHistoryLimitKb);
}

BOOL CSettingsDlg::OnInitDialog() {
    CRegistryKey key;
    std::string command;
    m_bAutostart = key.Open(HKEY_CURRENT_USER, kRunKey, KEY_QUERY_VALUE) &&
                   key.QueryString(kRunValue, command);
    key.Close();
    m_settings = ReadUserSettings(*AfxGetApp());
    return CDialog::OnInitDialog();
}

void CSettingsDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    CRegistryKey key;
    if (m_bAutostart) {
        std::string command = AutostartCommand();
        // A fresh user profile may have no Run key yet.
        if (command.empty() || !key.Create(HKEY_CURRENT_USER, kRunKey) ||
            !key.SetString(kRunValue, command))
            AfxMessageBox("Registry operation error!", MB_OK | MB_ICONEXCLAMATION);
    } else if (key.Open(HKEY_CURRENT_USER, kRunKey)) {
        key.DeleteValue(kRunValue);
    }
    key.Close();
    WriteUserSettings(*AfxGetApp(), m_settings);
    EndDialog(IDOK);
}
