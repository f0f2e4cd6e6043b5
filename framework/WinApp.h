// The application object: one per process, owns the message loop, the main
// window pointer and the per-user profile.
#pragma once

#include "Wnd.h"

#include <string>

class CWinApp {
public:
    explicit CWinApp(const char* appName);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_nExitCode; }
    // Runs the message loop until WM_QUIT; returns ExitInstance's code.
    virtual int Run();
    // The keyboard of the program's modeless dialogs (Enter, Esc, Tab): TRUE
    // when the message was taken by the dialog it is meant for.
    static BOOL PreTranslateMessage(MSG* pMsg);
    // Commands that no window handled come here; TRUE when handled.
    virtual BOOL OnCmdMsg(UINT /*id*/) { return FALSE; }

    // Profile entries live in %APPDATA%\<app>\<app>.ini, one section per caller;
    // the path is UTF-8 (see Text.h).
    std::string GetProfileString(const char* section, const char* entry,
                                 const char* defaultValue = "") const;
    int GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    // A null value deletes the entry.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    const std::string& ProfilePath() const { return m_strProfilePath; }
    // Tests point the profile at a file of their own.
    void SetProfilePath(const std::string& path) { m_strProfilePath = path; }
    // The per-user folder of the program's files, made when missing; a path
    // in UTF-8 (see Text.h).
    static std::string DataFolder(const char* appName);

    std::string m_strAppName;
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;

protected:
    int m_nExitCode = 0;

private:
    std::string m_strProfilePath;
};

CWinApp* AfxGetApp();

// The local time as the service writes its times: "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText();
HINSTANCE AfxGetInstanceHandle();
// A text of the program's string table; empty when there is none.
std::string AfxLoadString(UINT nID);
