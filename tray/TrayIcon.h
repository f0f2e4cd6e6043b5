// The program's icon in the notification area, its image and its menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
public:
    CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;
    virtual ~CTrayIcon();

    BOOL Create(HWND hWnd, UINT uCallbackMessage, const char* szTip, HICON hIcon, UINT uID);
    BOOL SetIcon(HICON hIcon);
    BOOL SetIcon(UINT nIDResource);
    BOOL RemoveIcon();
    // Adds the icon again, with its last image, when the shell has lost it
    // (it restarted) or never took it (it was not up yet).
    BOOL AddAgain();
    // A passing notice over the icon (a message came while the window is hidden).
    BOOL ShowBalloon(const std::string& title, const std::string& text);
    // Takes the icon away once, when the window goes.
    void HideIcon();
    virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

    BOOL IsEnabled() const { return m_bEnabled; }
    // The image last given to the shell.
    HICON GetIcon() const { return m_nid.hIcon; }

    // The user's own chosen status: 0 invisible, 1 available, 2 busy, 3 unavailable.
    int m_nStatus = 1;

private:
    BOOL m_bEnabled = FALSE;
    BOOL m_bHidden = FALSE;
    // The shell shows the image in the notification data.
    BOOL m_bShown = FALSE;
    NOTIFYICONDATAW m_nid;
};
