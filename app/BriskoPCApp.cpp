// Sockets first: windows.h must not bring in the old winsock.
#include <winsock2.h>

#include "BriskoPCApp.h"

#include "AboutDlg.h"
#include "BriskoPCDlg.h"
#include "HttpSession.h"
#include "MessageBox.h"
#include "resource.h"

#include <commctrl.h>

const wchar_t kMainWindowClass[] = L"BriskoPCClass";

namespace {
BOOL g_bClassRegistered = FALSE;

// TRUE when no other copy runs; otherwise brings that one forward.
BOOL FindRunningInstance() {
    HWND running = ::FindWindowW(kMainWindowClass, nullptr);
    if (!running)
        return TRUE;
    HWND popup = ::GetLastActivePopup(running);
    if (::IsIconic(running))
        ::ShowWindow(running, SW_RESTORE);
    ::SetForegroundWindow(popup);
    return FALSE;
}

// The main window is a dialog of its own class, so that a second start finds it;
// a Unicode class, as every window of the program is.
BOOL RegisterMainWindowClass(HINSTANCE hInstance) {
    WNDCLASSW wc;
    if (!::GetClassInfoW(hInstance, L"#32770", &wc))
        return FALSE;
    wc.hInstance = hInstance;
    wc.lpszClassName = kMainWindowClass;
    return ::RegisterClassW(&wc) != 0;
}
} // namespace

CBriskoPCApp::CBriskoPCApp() : CWinApp("BriskoPC") {}

BOOL CBriskoPCApp::InitInstance() {
    if (!FindRunningInstance())
        return FALSE;
    if (!RegisterMainWindowClass(m_hInstance))
        return FALSE;
    g_bClassRegistered = TRUE;

    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        AfxMessageBox("Socket's initalization failed");
        return FALSE;
    }
    // Rich edit for the chat and notices; the tree, list, progress and animation controls.
    ::LoadLibraryW(L"riched20.dll");
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                                ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    ::InitCommonControlsEx(&icc);

    m_pMainDlg = new CBriskoPCDlg(nullptr);
    m_pMainWnd = m_pMainDlg;
    m_pMainDlg->Create(IDD_BRISKOPC_DIALOG);
    return TRUE;
}

int CBriskoPCApp::ExitInstance() {
    // A request still on its way fails now rather than outlive the program.
    g_session.Close();
    delete m_pMainDlg;
    m_pMainDlg = nullptr;
    m_pMainWnd = nullptr;
    if (g_bClassRegistered)
        ::UnregisterClassW(kMainWindowClass, m_hInstance);
    g_bClassRegistered = FALSE;
    ::WSACleanup();
    return CWinApp::ExitInstance();
}

BOOL CBriskoPCApp::OnCmdMsg(UINT id) {
    if (id != ID_APP_ABOUT && id != ID_LOCKED_ABOUT)
        return FALSE;
    CAboutDlg().DoModal();
    return TRUE;
}
