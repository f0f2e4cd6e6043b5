// The main window: it holds the whole client, its state and its handlers.
#pragma once

#include "BitmapButton.h"
#include "Dialog.h"
#include "TrayIcon.h"

#include <string>

class CBriskoPCDlg : public CDialog {
public:
    explicit CBriskoPCDlg(CWnd* pParent);
    ~CBriskoPCDlg() override;

    BOOL OnInitDialog() override;

    // Ends the program (the "Zakończ" commands).
    void OnClose();

    // The client's version, compared by the version check.
    std::string m_strVersion = "0.22";
    std::string m_strLogin;
    std::string m_strPassword;
    std::string m_strOwnName;
    std::string m_strSessionId;
    std::string m_strPushHost;
    std::string m_strInstallPath;

    // Connection states, shown in words in the tree.
    int m_nSessionState = -1;
    int m_nDbState = 0;
    int m_nSocksState = -1;
    int m_nOutboxState = 0;
    // 0 no contacts, 1 from the contacts file, 2 from the service in this run.
    int m_nContactsSource = 0;
    BOOL m_bOutboxLoaded = FALSE;
    BOOL m_bPushLost = FALSE;
    int m_nPushPort = 0;
    int m_nReloginCountdown = 0;
    int m_nThreads = 0;
    int m_nCredits = 0;
    int m_nClass = 0;
    int m_nDays = 0;
    BOOL m_bTrayToggle = FALSE;
    BOOL m_bRememberPassword = FALSE;
    int m_nAutoAway = 0;
    BOOL m_bCheckAway = FALSE;
    int m_nCheckAwayTime = 0;

    CTrayIcon m_trayIcon;
    HMENU m_menu = nullptr;
    CBitmapButton m_btnHome;
    HANDLE m_hSemaphore = nullptr;
    HANDLE m_hStopEvent = nullptr;
    HICON m_hIcon;
    HBITMAP m_bmp156;
    HBITMAP m_bmp157;

protected:
    void OnOK() override;
    void OnCancel() override;

private:
    void OnHide();
    void OnOpen();
    void OnDestroy();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    void MoveItem(int nID, int left, int top, int right, int bottom);
    void ReadInstallPath();

    DECLARE_MESSAGE_MAP()
};
