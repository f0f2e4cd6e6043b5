#include "BriskoPCDlg.h"

#include "BPCSocks.h"
#include "DataFile.h"
#include "HandleCounts.h"
#include "HttpSession.h"
#include "MessageBox.h"
#include "Messages.h"
#include "RegistryKey.h"
#include "Tarnix.h"
#include "WinApp.h"
#include "resource.h"

#include <objbase.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <initializer_list>

namespace {
// The notification area knows the program's icon by this id.
const UINT kTrayIconId = 103;
const UINT kTimerTick = 1;    // 600 ms: duties, blinking, connection lines
const UINT kTimerRelogin = 2; // 30 s: re-login and push keep-alive

// Where the service lives unless the profile says otherwise.
const char kDefaultServiceHost[] = "www.brisko.example";
const int kDefaultServicePort = INTERNET_DEFAULT_HTTPS_PORT;

// The shell tells every top-level window when its taskbar has (re)started.
const UINT g_uTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
} // namespace

// clang-format off
BEGIN_MESSAGE_MAP(CBriskoPCDlg, CDialog)
    ON_MESSAGE_VOID(WM_CLOSE, OnHide)
    ON_MESSAGE_VOID(WM_DESTROY, OnDestroy)
    ON_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession)
    ON_MESSAGE(WM_ENDSESSION, OnEndSession)
    ON_MESSAGE(WM_WTSSESSION_CHANGE, OnSessionChange)
    ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
    ON_REGISTERED_MESSAGE(g_uTaskbarCreated, OnTaskbarCreated)
    ON_MESSAGE(WM_REQUEST_STARTED, OnRequestStarted)
    ON_MESSAGE(WM_REQUEST_DONE, OnRequestDone)
    ON_MESSAGE(WM_TIMER, OnTimerMessage)
    ON_MESSAGE_OR_DEFAULT(WM_SIZE, OnSize)
    ON_MESSAGE(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    ON_MESSAGE(WM_PAINT, OnPaint)
    ON_MESSAGE_OR_DEFAULT(WM_SETCURSOR, OnSetCursor)
    ON_COMMAND(ID_TRAY_OPEN, OnOpen)
    ON_COMMAND(ID_EXIT, OnClose)
    ON_COMMAND(ID_TRAY_EXIT, OnClose)
    ON_COMMAND(IDC_HOME, OnHomePage)
    ON_COMMAND(ID_HOME_PAGE, OnHomePage)
    ON_COMMAND(ID_CHANGE_LOGIN, OnChangeLogin)
    ON_COMMAND(ID_LOGOFF, OnLogoff)
    ON_NOTIFY(NM_CLICK, IDC_TREE, OnTreeClick)
    ON_NOTIFY(NM_RCLICK, IDC_TREE, OnTreeRightClick)
    // A right press that moves is told as the start of a drag, not as a click;
    // a Unicode tree tells it by the wide code.
    ON_NOTIFY(TVN_BEGINRDRAGW, IDC_TREE, OnTreeRightClick)
    ON_COMMAND(ID_CONTACT_NEW, OnAddNewContact)
    ON_COMMAND(ID_CONTACT_ADD, OnAddNewContact)
    ON_COMMAND(ID_CONTACT_EDIT, OnEditContact)
    ON_COMMAND(ID_CONTACT_DELETE, OnDeleteContact)
    ON_COMMAND(ID_CONTACT_KEEP, OnAddToContacts)
    ON_MESSAGE(WM_SEND_SMS, OnSendSms)
    ON_COMMAND(ID_SEND_SMS, OnSendSmsPlain)
    ON_COMMAND(ID_SEND_SMS_PL, OnSendSmsPolish)
    ON_COMMAND(ID_MENU_SEND_SMS, OnMenuSendSmsPlain)
    ON_COMMAND(ID_MENU_SEND_SMS_PL, OnMenuSendSmsPolish)
    ON_COMMAND(ID_OUTBOX_SEND, ProcessOutbox)
    ON_COMMAND(ID_OUTBOX_DELETE, DeleteMessageItem)
    ON_COMMAND(ID_OUTBOX_EDIT, EditOutboxItem)
    ON_COMMAND(ID_SMS_STATUS, OnSmsStatus)
    ON_COMMAND(ID_SMS_ARCHIVE, OnSmsArchive)
    ON_COMMAND(ID_OPEN_CHAT, OnOpenChat)
    ON_COMMAND(ID_CLEAR_HISTORY, OnClearHistory)
    ON_COMMAND(ID_STATUS_UNAVAILABLE, OnStatusUnavailable)
    ON_COMMAND(ID_STATUS_BUSY, OnStatusBusy)
    ON_COMMAND(ID_STATUS_INVISIBLE, OnStatusInvisible)
    ON_COMMAND(ID_STATUS_AVAILABLE, OnStatusAvailable)
    ON_COMMAND(ID_LOCK, OnLock)
    ON_COMMAND(ID_UNLOCK, OnUnlock)
    ON_MESSAGE(WM_CHAT_ACTIVATED, OnChatActivated)
    ON_COMMAND(ID_SETTINGS, OnSettings)
    ON_COMMAND(ID_HELP_CONTENTS, OnHelpContents)
    ON_MESSAGE(WM_BPC_CONNECT, OnBPCConnect)
    ON_MESSAGE(WM_BPC_SESSION, OnBPCSession)
    ON_MESSAGE(WM_BPC_ALIVE, OnBPCAlive)
    ON_MESSAGE(WM_BPC_DISCONNECT, OnBPCDisconnect)
    ON_MESSAGE(WM_PUSH_MSG, OnReceivedMsg)
    ON_MESSAGE(WM_PUSH_SYSTEM, OnReceivedSystem)
    ON_MESSAGE(WM_PUSH_LOGIN, OnReceivedLogin)
    ON_MESSAGE(WM_PUSH_LOGOFF, OnReceivedLogoff)
    ON_MESSAGE(WM_PUSH_AWAY, OnReceivedAway)
    ON_MESSAGE(WM_PUSH_BUSY, OnReceivedBusy)
    ON_MESSAGE(WM_PUSH_SMSREPORT, OnReceivedSmsReport)
END_MESSAGE_MAP()
// clang-format on

CBriskoPCDlg::CBriskoPCDlg(CWnd* pParent)
    : CDialog(IDD_BRISKOPC_DIALOG, pParent),
      m_hIcon(::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_MAINFRAME))),
      m_bmp156(fw::Opened(fw::kGdiObjects, ::LoadBitmapW(AfxGetInstanceHandle(),
                                                         MAKEINTRESOURCEW(IDB_CHAT_UNCHECKED)))),
      m_bmp157(fw::Opened(fw::kGdiObjects, ::LoadBitmapW(AfxGetInstanceHandle(),
                                                         MAKEINTRESOURCEW(IDB_CHAT_CHECKED)))) {
    m_btnHome.LoadBitmaps(IDB_HOME_UP, IDB_HOME_DOWN, IDB_HOME_FOCUS);
}

CBriskoPCDlg::~CBriskoPCDlg() {
    if (m_imageList) {
        ImageList_Destroy(m_imageList);
        fw::Closed(fw::kGdiObjects);
    }
    if (m_menu)
        ::DestroyMenu(m_menu);
    for (HBITMAP bitmap : {m_bmp157, m_bmp156})
        if (bitmap) {
            ::DeleteObject(bitmap);
            fw::Closed(fw::kGdiObjects);
        }
}

BOOL CBriskoPCDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    // At an early autostart the shell may not take the icon yet: it comes
    // with the shell's TaskbarCreated, and the client starts all the same.
    if (m_trayIcon.Create(m_hWnd, WM_TRAY_NOTIFY, "BriskoPC menu", nullptr, kTrayIconId))
        m_trayIcon.SetIcon(IDI_TRAY_START);

    if (!ReplaceMenu(IDR_MENU_LOGGEDOUT))
        return 0;

    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    BuildTree();
    ::CoInitialize(nullptr);

    m_btnHome.SubclassDlgItem(IDC_HOME, this);
    m_btnHome.SizeToContent();

    m_pRequests = std::make_shared<CRequestChannel>(m_hWnd);
    if (!m_pRequests->Semaphore())
        AfxMessageBox("Error in CreateSemaphore");
    if (!m_pRequests->StopEvent())
        AfxMessageBox("Error in CreateEvent");

    if (!TarnixInit())
        AfxMessageBox("IdleTrackerInit failed");
    // Without the lock's news the client goes away on idleness alone.
    ::WTSRegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION);

    ReadInstallPath();
    OpenHttpSession();
    m_nSessionState = 0;
    StartSocketThread();
    m_nSocksState = 0;

    ::SetTimer(m_hWnd, kTimerTick, 600, nullptr);
    ::SetTimer(m_hWnd, kTimerRelogin, 30000, nullptr);
    StartLogin(FALSE);
    return TRUE;
}

// The service's web host and HTTPS port come from the profile, so that the
// client can be pointed at another service (a test one among them).
void CBriskoPCDlg::OpenHttpSession() {
    CWinApp* app = AfxGetApp();
    m_strServiceHost = app->GetProfileString("BriskoPC", "ServiceHost", kDefaultServiceHost);
    m_nServicePort = app->GetProfileInt("BriskoPC", "ServicePort", kDefaultServicePort);
    if (m_nServicePort <= 0 || m_nServicePort > 65535)
        m_nServicePort = kDefaultServicePort;
    g_session.Open(m_strServiceHost, static_cast<INTERNET_PORT>(m_nServicePort), TRUE);
}

// The home page lies on the service's web host, beside the service script.
std::string CBriskoPCDlg::HomePageUrl() const {
    return ServiceUrl("/");
}

std::string CBriskoPCDlg::ServiceUrl(const std::string& path) const {
    std::string url = "https://" + m_strServiceHost;
    if (m_nServicePort != INTERNET_DEFAULT_HTTPS_PORT)
        url += ":" + std::to_string(m_nServicePort);
    return url + path;
}

// The help file lies in the installation folder: our 64-bit installer's,
// another maker's 32-bit one, or a per-user installation; without any, the
// current folder. The local machine's key is only read: a user may not write it.
void CBriskoPCDlg::ReadInstallPath() {
    const struct {
        HKEY hRoot;
        REGSAM view;
    } places[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                  {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
                  {HKEY_CURRENT_USER, 0}};
    for (const auto& place : places) {
        CRegistryKey key;
        if (key.Open(place.hRoot, "Software\\Velmora\\BriskoPC", KEY_QUERY_VALUE | place.view) &&
            key.QueryString("InstallPath", m_strInstallPath) && !m_strInstallPath.empty())
            return;
    }
    wchar_t current[1024];
    DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(std::size(current)), current);
    m_strInstallPath = fw::PathText(std::wstring_view(current, n < std::size(current) ? n : 0));
}

// The close box and Esc only hide the window: the program lives on in the tray.
void CBriskoPCDlg::OnHide() {
    ShowWindow(SW_HIDE);
}

void CBriskoPCDlg::OnCancel() {
    OnHide();
}

// Enter in the tree must not end the main window.
void CBriskoPCDlg::OnOK() {}

void CBriskoPCDlg::OnOpen() {
    ShowWindow(SW_RESTORE);
}

void CBriskoPCDlg::OnClose() {
    if (m_contacts.HasHighlight() &&
        MessageBoxFor(m_hWnd,
                      "Masz nieprzeczytane wiadomości, które po zamknięciu programu przepadną. "
                      "Czy kontynuować?",
                      "Uwaga", MB_YESNO) != IDYES)
        return;
    DestroyWindow();
}

// Windows ends the process after these without destroying the window.
LRESULT CBriskoPCDlg::OnQueryEndSession(WPARAM, LPARAM) {
    SaveDataFiles();
    return TRUE;
}

LRESULT CBriskoPCDlg::OnEndSession(WPARAM wParam, LPARAM) {
    if (wParam)
        SaveDataFiles();
    return 0;
}

void CBriskoPCDlg::SaveDataFiles() {
    // Only a list that came from the service in this run replaces the copy on disk.
    if (!m_contacts.IsEmpty() && m_nContactsSource == 2)
        WriteContactsFile();
    WriteOutboxFile();
    // The last chance of the SMS of logins left while their file could not be written.
    for (const auto& [name, entries] : m_unsavedOutboxes)
        WriteDataFile(name, EncodeOutboxFile(entries));
    CatchUpPendingMessages();
}

void CBriskoPCDlg::OnDestroy() {
    // Release every request worker still waiting, then let a running one finish.
    if (m_pRequests->StopEvent())
        ::SetEvent(m_pRequests->StopEvent());
    if (m_pRequests->Semaphore() &&
        ::WaitForSingleObject(m_pRequests->Semaphore(), 5000) == WAIT_TIMEOUT)
        AfxMessageBox("Semaphore timeout occurred in OnDestroy");
    TakeLastSmsAnswers();
    SaveDataFiles();

    ::SetMenu(m_hWnd, nullptr);
    if (m_menu)
        ::DestroyMenu(m_menu);
    m_menu = nullptr;

    // A worker still in its exchange keeps the handles until it ends, and
    // reports to nobody.
    m_pRequests->Close();
    m_pRequests.reset();

    StopSocketThread();
    ::WTSUnRegisterSessionNotification(m_hWnd);
    TarnixTerm();
    ::KillTimer(m_hWnd, kTimerTick);
    m_contacts.RemoveAllContacts();
    m_messages.RemoveAllMessages();
    m_trayIcon.HideIcon();
}

LRESULT CBriskoPCDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
    // While a dialog or message box of the window is open, its commands must
    // wait ("Zakończ" would destroy the window under the open box): a click
    // brings the open one to the front instead.
    if (!::IsWindowEnabled(m_hWnd)) {
        UINT mouse = LOWORD(lParam);
        if (mouse == WM_RBUTTONUP || mouse == WM_LBUTTONDBLCLK)
            ::SetForegroundWindow(::GetLastActivePopup(m_hWnd));
        return 0;
    }
    return m_trayIcon.OnTrayNotification(wParam, lParam);
}

// A new taskbar knows none of the icons added before it: without ours a
// hidden client could never be reached again.
LRESULT CBriskoPCDlg::OnTaskbarCreated(WPARAM, LPARAM) {
    if (m_trayIcon.AddAgain() && !m_trayIcon.GetIcon())
        m_trayIcon.SetIcon(IDI_TRAY_START);
    return 0;
}

// The tree takes the window; the status text and the home button share the
// bottom 12 dialog units.
BOOL CBriskoPCDlg::OnSize(WPARAM, LPARAM lParam, LRESULT*) {
    int w, h;
    if (!ClientSizeInDialogUnits(lParam, &w, &h))
        return FALSE;
    MoveItem(IDC_TREE, 0, 0, w, h - 12);
    MoveItem(IDC_HOME, w - 57, h - 12, w, h);
    MoveItem(IDC_STATUS, 0, h - 12, w - 57, h);
    return FALSE;
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
        ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (r.right - cx + 1) / 2, (r.bottom - cy + 1) / 2, m_hIcon);
    }
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

// While requests run in a session, the cursor says the client is busy.
BOOL CBriskoPCDlg::OnSetCursor(WPARAM, LPARAM, LRESULT* pResult) {
    if (m_nThreads < 1 || m_nSessionState < 1)
        return FALSE;
    ::SetCursor(::LoadCursorA(nullptr, IDC_APPSTARTING));
    *pResult = TRUE;
    return TRUE;
}

void CBriskoPCDlg::OnHomePage() {
    fw::ShellOpen(m_hWnd, fw::Wide(HomePageUrl()));
}

LRESULT CBriskoPCDlg::OnTimerMessage(WPARAM wParam, LPARAM) {
    OnTimer(static_cast<UINT>(wParam));
    return 0;
}

// Menus are replaced whole: logged in, logged out, locked.
BOOL CBriskoPCDlg::ReplaceMenu(UINT nIDResource) {
    HMENU menu = ::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIDResource));
    if (!menu)
        return FALSE;
    ::SetMenu(m_hWnd, menu);
    if (m_menu)
        ::DestroyMenu(m_menu);
    m_menu = menu;
    // A menu of another height moves the bottom line, which is not always
    // drawn again where it lands.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return TRUE;
}
