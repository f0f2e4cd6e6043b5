#include "BriskoPCDlg.h"

#include "MessageBox.h"
#include "Messages.h"
#include "RegistryKey.h"
#include "Tarnix.h"
#include "WinApp.h"
#include "resource.h"

#include <objbase.h>

namespace {
// The notification area knows the program's icon by this id.
const UINT kTrayIconId = 103;
const UINT kTimerTick = 1;     // 600 ms: duties, blinking, connection lines
const UINT kTimerRelogin = 2;  // 30 s: re-login and push keep-alive
} // namespace

BEGIN_MESSAGE_MAP(CBriskoPCDlg, CDialog)
    ON_MESSAGE_VOID(WM_CLOSE, OnHide)
    ON_MESSAGE_VOID(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
    ON_MESSAGE(WM_SIZE, OnSize)
    ON_MESSAGE(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_COMMAND(ID_TRAY_OPEN, OnOpen)
    ON_COMMAND(ID_EXIT, OnClose)
    ON_COMMAND(ID_TRAY_EXIT, OnClose)
END_MESSAGE_MAP()

CBriskoPCDlg::CBriskoPCDlg(CWnd* pParent)
    : CDialog(IDD_BRISKOPC_DIALOG, pParent),
      m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_MAINFRAME))),
      m_bmp156(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_CHAT_UNCHECKED))),
      m_bmp157(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_CHAT_CHECKED))) {
    m_btnHome.LoadBitmaps(IDB_HOME_UP, IDB_HOME_DOWN, IDB_HOME_FOCUS);
}

CBriskoPCDlg::~CBriskoPCDlg() {
    if (m_menu)
        ::DestroyMenu(m_menu);
    ::DeleteObject(m_bmp157);
    ::DeleteObject(m_bmp156);
}

BOOL CBriskoPCDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (!m_trayIcon.Create(m_hWnd, WM_TRAY_NOTIFY, "BriskoPC menu", nullptr, kTrayIconId))
        return -1;
    m_trayIcon.SetIcon(IDI_TRAY_START);

    m_menu = ::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MENU_LOGGEDOUT));
    if (!m_menu)
        return 0;
    ::SetMenu(m_hWnd, m_menu);

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    ::CoInitialize(nullptr);

    m_btnHome.SubclassDlgItem(IDC_HOME, this);
    m_btnHome.SizeToContent();

    m_hSemaphore = ::CreateSemaphoreA(nullptr, 1, 1, nullptr);
    if (!m_hSemaphore)
        AfxMessageBox("Error in CreateSemaphore");
    m_hStopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStopEvent)
        AfxMessageBox("Error in CreateEvent");

    if (!TarnixInit())
        AfxMessageBox("IdleTrackerInit failed");

    ReadInstallPath();

    m_nSessionState = 0;
    m_nSocksState = 0;

    ::SetTimer(m_hWnd, kTimerTick, 600, nullptr);
    ::SetTimer(m_hWnd, kTimerRelogin, 30000, nullptr);
    return TRUE;
}

// The help file lies in the installation folder; without one, in the current folder.
void CBriskoPCDlg::ReadInstallPath() {
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "Software\\Velmora\\BriskoPC") &&
        key.ReadString("InstallPath", m_strInstallPath, 255))
        return;
    char current[1024];
    DWORD n = ::GetCurrentDirectoryA(sizeof current, current);
    m_strInstallPath.assign(current, n < sizeof current ? n : 0);
}

// The close box and Esc only hide the window: the program lives on in the tray.
void CBriskoPCDlg::OnHide() { ShowWindow(SW_HIDE); }

void CBriskoPCDlg::OnCancel() { OnHide(); }

// Enter in the tree must not end the main window.
void CBriskoPCDlg::OnOK() {}

void CBriskoPCDlg::OnOpen() { ShowWindow(SW_RESTORE); }

void CBriskoPCDlg::OnClose() { DestroyWindow(); }

void CBriskoPCDlg::OnDestroy() {
    // Release every request worker still waiting, then let a running one finish.
    if (m_hStopEvent)
        ::SetEvent(m_hStopEvent);
    if (m_hSemaphore && ::WaitForSingleObject(m_hSemaphore, 5000) == WAIT_TIMEOUT)
        AfxMessageBox("Semaphore timeout occurred in OnDestroy");

    ::SetMenu(m_hWnd, nullptr);
    if (m_menu)
        ::DestroyMenu(m_menu);
    m_menu = nullptr;

    if (m_hSemaphore)
        ::CloseHandle(m_hSemaphore);
    if (m_hStopEvent)
        ::CloseHandle(m_hStopEvent);
    m_hSemaphore = m_hStopEvent = nullptr;

    TarnixTerm();
    ::KillTimer(m_hWnd, kTimerTick);
    m_trayIcon.HideIcon();
}

LRESULT CBriskoPCDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
    return m_trayIcon.OnTrayNotification(wParam, lParam);
}

// Places a control by its rectangle in dialog units.
void CBriskoPCDlg::MoveItem(int nID, int left, int top, int right, int bottom) {
    HWND item = GetDlgItem(nID);
    if (!item)
        return;
    RECT r = {left, top, right, bottom};
    ::MapDialogRect(m_hWnd, &r);
    ::MoveWindow(item, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// The tree takes the window; the status text and the home button share the
// bottom 12 dialog units.
LRESULT CBriskoPCDlg::OnSize(WPARAM, LPARAM lParam) {
    RECT unit = {0, 0, 4, 8};
    ::MapDialogRect(m_hWnd, &unit);
    if (unit.right <= 0 || unit.bottom <= 0)
        return 0;
    int w = LOWORD(lParam) * 4 / unit.right;
    int h = HIWORD(lParam) * 8 / unit.bottom;
    MoveItem(IDC_TREE, 0, 0, w, h - 12);
    MoveItem(IDC_HOME, w - 57, h - 12, w, h);
    MoveItem(IDC_STATUS, 0, h - 12, w - 57, h);
    return 0;
}

LRESULT CBriskoPCDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize = {200, 300};
    return 0;
}

// Minimised, the window shows the program's icon.
LRESULT CBriskoPCDlg::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (::IsIconic(m_hWnd)) {
        ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (r.right - cx + 1) / 2, (r.bottom - cy + 1) / 2, m_hIcon);
    }
    ::EndPaint(m_hWnd, &ps);
    return 0;
}
