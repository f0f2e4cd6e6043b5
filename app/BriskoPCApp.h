// The application object: one running copy per desktop, the window class by which
// a second start finds it, and the main window's life.
#pragma once

#include "WinApp.h"

class CBriskoPCDlg;

// The class of the main window; a second start looks for it.
extern const wchar_t kMainWindowClass[];

class CBriskoPCApp : public CWinApp {
public:
    CBriskoPCApp();

    BOOL InitInstance() override;
    int ExitInstance() override;
    // The About box, from whichever window the command came.
    BOOL OnCmdMsg(UINT id) override;

    CBriskoPCDlg* m_pMainDlg = nullptr;
};
