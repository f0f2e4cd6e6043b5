// The application object and the main window in this process: start-up,
// hiding, the exit commands and the shutdown's wait for a running request.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "MessageBox.h"
#include "Messages.h"
#include "Tarnix.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

const char kInstallKey[] = "Software\\Velmora\\BriskoPC";

HANDLE Duplicate(HANDLE h) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), h, ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return copy;
}

NOTIFYICONDATAA ShellRecord(HWND hWnd) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = 103;
    return nid;
}

bool ShellHasIcon(HWND hWnd) {
    NOTIFYICONDATAA nid = ShellRecord(hWnd);
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid);
}

// Takes the client's place in the notification area before its dialog
// initialises, so that the shell refuses the client's own add.
HWND g_hBlocked = nullptr;
LRESULT CALLBACK BlockTrayIcon(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    char cls[64] = "";
    if (code == HC_ACTION && msg->message == WM_INITDIALOG &&
        ::GetClassNameA(msg->hwnd, cls, sizeof cls) && std::string(cls) == "BriskoPCClass") {
        NOTIFYICONDATAA nid = ShellRecord(msg->hwnd);
        if (::Shell_NotifyIconA(NIM_ADD, &nid))
            g_hBlocked = msg->hwnd;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool QuitPosted() {
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// The main window's procedure, watched for the tray menu opening.
WNDPROC g_mainProc = nullptr;
bool g_menuOpened = false;
const UINT_PTR kEndMenuTimer = 77;

LRESULT CALLBACK WatchMenus(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITMENUPOPUP)
        g_menuOpened = true;
    if (msg == WM_TIMER && wParam == kEndMenuTimer) {
        ::EndMenu();
        return 0;
    }
    return ::CallWindowProcA(g_mainProc, hWnd, msg, wParam, lParam);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // Nowhere to log in: a service that is not there.
        UseFreshProfile(app, "briskopc-main", "127.0.0.1", 9);
        // With no stored password the start asks; the user declines.
        dialogs.Expect(IDD_LOGIN, [](CDialog& dlg) { fw::Press(dlg, IDCANCEL); });
    }

    void TearDown() override {
        if (dlg() && ::IsWindow(dlg()->m_hWnd))
            dlg()->OnClose();
        QuitPosted();
        app.ExitInstance();
    }

    void Start() {
        ASSERT_TRUE(app.InitInstance());
        ASSERT_NE(dlg(), nullptr);
        ASSERT_TRUE(::IsWindow(dlg()->m_hWnd));
    }

    CBriskoPCDlg* dlg() { return app.m_pMainDlg; }
    void Command(UINT id) { ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, id, 0); }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
};

TEST_F(MainWindow, StartUpBuildsTheLoggedOutWindow) {
    DWORD before = ::GetTickCount();
    Start();
    HWND hWnd = dlg()->m_hWnd;

    char cls[64];
    ::GetClassNameA(hWnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "BriskoPCClass");
    EXPECT_EQ(WindowText(dlg()->m_hWnd), "Nie zalogowany");
    EXPECT_EQ(WindowText(dlg()->GetDlgItem(IDC_STATUS)), "Disconnected");
    EXPECT_TRUE(::IsWindowVisible(hWnd));

    // The logged-out menu 128.
    ASSERT_NE(dlg()->m_menu, nullptr);
    EXPECT_EQ(::GetMenu(hWnd), dlg()->m_menu);
    HMENU first = ::GetSubMenu(dlg()->m_menu, 0);
    EXPECT_EQ(MenuItemText(first, 0), "Zaloguj");
    EXPECT_EQ(::GetMenuItemID(first, 0), static_cast<UINT>(ID_CHANGE_LOGIN));
    EXPECT_EQ(MenuItemText(first, 3), "Zakończ");
    EXPECT_EQ(::GetMenuItemID(first, 3), static_cast<UINT>(ID_EXIT));

    EXPECT_TRUE(dlg()->m_trayIcon.IsEnabled());
    HICON startIcon = static_cast<HICON>(
        ::LoadImageA(app.m_hInstance, MAKEINTRESOURCEA(IDI_TRAY_START), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    EXPECT_EQ(dlg()->m_trayIcon.GetIcon(), startIcon) << "icon 111 right after the icon is added";
    EXPECT_EQ(::SendMessageA(hWnd, WM_GETICON, ICON_BIG, 0),
              reinterpret_cast<LRESULT>(dlg()->m_hIcon));

    // The request semaphore is free, the stop event not set.
    ASSERT_NE(dlg()->m_pRequests, nullptr);
    HANDLE semaphore = dlg()->m_pRequests->Semaphore();
    ASSERT_NE(semaphore, nullptr);
    ASSERT_NE(dlg()->m_pRequests->StopEvent(), nullptr);
    EXPECT_EQ(::WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    ::ReleaseSemaphore(semaphore, 1, nullptr);
    EXPECT_EQ(::WaitForSingleObject(dlg()->m_pRequests->StopEvent(), 0),
              static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_EQ(dlg()->m_nSessionState, 0);
    EXPECT_EQ(dlg()->m_nSocksState, 0);
    EXPECT_EQ(dlg()->m_nDbState, 0);
    EXPECT_EQ(dlg()->m_strVersion, "0.22");
    EXPECT_LE(TarnixGetLastInputTime() - before, ::GetTickCount() - before)
        << "the idle tracker was stamped at start-up";

    char current[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(dlg()->m_strInstallPath, current) << "no InstallPath: the current folder";
    EXPECT_TRUE(boxes.Shown().empty());

    // Timer 1 ticks every 600 ms.
    ::Sleep(700);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, hWnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
}

TEST_F(MainWindow, TheHomePageLiesOnTheServicesWebHost) {
    struct {
        const char* host;
        int port;
        const char* url;
    } cases[] = {{"127.0.0.1", 9, "https://127.0.0.1:9/"},
                 {"sms.brisko.example", 443, "https://sms.brisko.example/"},
                 {nullptr, 0, "https://www.brisko.example/"}};
    for (const auto& c : cases) {
        // The fixture expects the first login dialog.
        if (&c != cases)
            dialogs.Expect(IDD_LOGIN, [](CDialog& d) { fw::Press(d, IDCANCEL); });
        UseFreshProfile(app, "briskopc-main", c.host ? c.host : "", c.port);
        if (!c.host) {
            ::WritePrivateProfileStringA("BriskoPC", "ServiceHost", nullptr,
                                         app.ProfilePath().c_str());
            ::WritePrivateProfileStringA("BriskoPC", "ServicePort", nullptr,
                                         app.ProfilePath().c_str());
        }
        Start();
        EXPECT_EQ(dlg()->HomePageUrl(), c.url);
        dlg()->OnClose();
        app.ExitInstance();
    }
}

TEST_F(MainWindow, TheIconComesBackWithANewTaskbar) {
    Start();
    HWND hWnd = dlg()->m_hWnd;
    const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    // The shell restarted: its new taskbar knows no icon.
    NOTIFYICONDATAA nid = ShellRecord(hWnd);
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ::SendMessageA(hWnd, taskbarCreated, 0, 0);
    EXPECT_TRUE(ShellHasIcon(hWnd));
    EXPECT_TRUE(dlg()->m_trayIcon.IsEnabled());
    EXPECT_EQ(dlg()->m_trayIcon.GetIcon(), TrayImage(IDI_TRAY_START));
}

TEST_F(MainWindow, AFailedFirstTrayIconLeavesAWorkingWindowAndComesLater) {
    HHOOK hook =
        ::SetWindowsHookExA(WH_CALLWNDPROC, BlockTrayIcon, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    Start();
    ::UnhookWindowsHookEx(hook);
    HWND hWnd = dlg()->m_hWnd;
    ASSERT_EQ(g_hBlocked, hWnd) << "the shell did not take the test's icon";
    EXPECT_FALSE(dlg()->m_trayIcon.IsEnabled());

    // Initialised all the same: menu, session, timers, the login asked for.
    EXPECT_EQ(::GetMenu(hWnd), dlg()->m_menu);
    EXPECT_NE(dlg()->m_menu, nullptr);
    EXPECT_EQ(dlg()->m_nSessionState, 0);
    EXPECT_NE(dlg()->m_pRequests, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return dlg()->m_nReloginCountdown != 0; }, 3000))
        << "timer 1 does not tick";

    // The shell comes up: the icon follows its TaskbarCreated.
    NOTIFYICONDATAA nid = ShellRecord(hWnd);
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ::SendMessageA(hWnd, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHasIcon(hWnd));
    EXPECT_TRUE(dlg()->m_trayIcon.IsEnabled());
    EXPECT_EQ(dlg()->m_trayIcon.GetIcon(), TrayImage(IDI_TRAY_START));
}

// Our installer writes the local machine's 64-bit view, another maker's the
// 32-bit view, a per-user installation the current user's key.
TEST_F(MainWindow, InstallPathComesFromTheRegistryInItsOrder) {
    struct Place {
        HKEY hRoot;
        REGSAM view;
        const char* path;
    } places[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "C:\\Program Files\\BriskoPC"},
                  {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "C:\\Program Files (x86)\\BriskoPC"},
                  {HKEY_CURRENT_USER, 0, "C:\\users\\zosia\\BriskoPC"}};
    HKEY keys[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(::RegCreateKeyExA(places[i].hRoot, kInstallKey, 0, nullptr, 0,
                                    KEY_ALL_ACCESS | places[i].view, nullptr, &keys[i], nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(keys[i], "InstallPath", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(places[i].path),
                         static_cast<DWORD>(strlen(places[i].path) + 1));
    }
    char current[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof current, current);
    // Each place in turn loses its value; the next one is read.
    const char* expected[] = {places[0].path, places[1].path, places[2].path, current};
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            dialogs.Expect(IDD_LOGIN, [](CDialog& d) { fw::Press(d, IDCANCEL); });
        Start();
        EXPECT_EQ(dlg()->m_strInstallPath, expected[i]) << "with " << 3 - i << " values left";
        dlg()->OnClose();
        QuitPosted();
        app.ExitInstance();
        if (i < 3)
            ::RegDeleteValueA(keys[i], "InstallPath");
    }
    for (HKEY key : keys)
        ::RegCloseKey(key);
}

TEST_F(MainWindow, CloseBoxAndEscOnlyHideAndOpenShowsAgain) {
    Start();
    HWND hWnd = dlg()->m_hWnd;

    ::SendMessageA(hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_FALSE(::IsWindowVisible(hWnd));
    EXPECT_FALSE(QuitPosted());

    Command(ID_TRAY_OPEN);
    EXPECT_TRUE(::IsWindowVisible(hWnd));

    ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindow(hWnd)) << "Esc must not end the main window";
    EXPECT_FALSE(::IsWindowVisible(hWnd));

    // A double click on the tray icon comes through the main window.
    ::SendMessageA(hWnd, WM_TRAY_NOTIFY, 103, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(::IsWindowVisible(hWnd));
}

class ExitCommand : public MainWindow, public ::testing::WithParamInterface<UINT> {};

TEST_P(ExitCommand, EndsTheProgramInOrder) {
    Start();
    HWND hWnd = dlg()->m_hWnd;
    HANDLE semaphore = Duplicate(dlg()->m_pRequests->Semaphore());
    HANDLE stop = Duplicate(dlg()->m_pRequests->StopEvent());
    std::weak_ptr<CRequestChannel> channel = dlg()->m_pRequests;

    Command(GetParam());

    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(QuitPosted()) << "the message loop ends with the main window";
    EXPECT_EQ(::WaitForSingleObject(stop, 0), WAIT_OBJECT_0) << "waiting workers are released";
    EXPECT_EQ(::WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "shutdown took the semaphore and keeps it";
    EXPECT_TRUE(channel.expired()) << "with no worker left, the handles are closed";
    EXPECT_EQ(dlg()->m_menu, nullptr);
    EXPECT_TRUE(boxes.Shown().empty());
    ::CloseHandle(semaphore);
    ::CloseHandle(stop);
}

INSTANTIATE_TEST_SUITE_P(MainAndTrayMenus, ExitCommand,
                         ::testing::Values(UINT(ID_EXIT), UINT(ID_TRAY_EXIT)));

TEST_F(MainWindow, ShutdownWaitsForARunningRequestThenGivesUpAfterFiveSeconds) {
    Start();
    HANDLE semaphore = Duplicate(dlg()->m_pRequests->Semaphore());

    // A request that finishes in time: no message.
    ASSERT_EQ(::WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    std::thread quick([semaphore] {
        ::Sleep(300);
        ::ReleaseSemaphore(semaphore, 1, nullptr);
    });
    Command(ID_EXIT);
    quick.join();
    EXPECT_TRUE(boxes.Shown().empty());
    ::CloseHandle(semaphore);
    QuitPosted();
    app.ExitInstance();

    // A request that hangs: shutdown goes on after telling so.
    Start();
    ASSERT_EQ(::WaitForSingleObject(dlg()->m_pRequests->Semaphore(), 0), WAIT_OBJECT_0);
    Command(ID_EXIT);
    EXPECT_FALSE(::IsWindow(dlg()->m_hWnd));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Semaphore timeout occurred in OnDestroy");
}

TEST_F(MainWindow, LayoutKeepsTheBottomLineAndTheMinimumSize) {
    Start();
    HWND hWnd = dlg()->m_hWnd;
    ::SetWindowPos(hWnd, nullptr, 0, 0, 400, 520, SWP_NOMOVE | SWP_NOZORDER);

    RECT client, tree, home, status, unit = {0, 0, 57, 12};
    ::GetClientRect(hWnd, &client);
    ::MapDialogRect(hWnd, &unit);
    auto childRect = [hWnd](int id, RECT* r) {
        ::GetWindowRect(::GetDlgItem(hWnd, id), r);
        ::MapWindowPoints(nullptr, hWnd, reinterpret_cast<POINT*>(r), 2);
    };
    childRect(IDC_TREE, &tree);
    childRect(IDC_HOME, &home);
    childRect(IDC_STATUS, &status);

    // Dialog units round to pixels: allow the rounding of one unit.
    EXPECT_NEAR(home.right, client.right, 4);
    EXPECT_NEAR(home.bottom, client.bottom, 4);
    EXPECT_NEAR(home.right - home.left, unit.right, 4);
    EXPECT_EQ(status.right, home.left);
    EXPECT_EQ(tree.bottom, status.top);
    EXPECT_EQ(status.top, home.top);
    EXPECT_NEAR(home.bottom - home.top, unit.bottom, 4);

    MINMAXINFO info = {};
    ::SendMessageA(hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 200);
    EXPECT_EQ(info.ptMinTrackSize.y, 300);
}

TEST_F(MainWindow, WhileABoxIsOpenTheTrayOffersNoMenu) {
    Start();
    HWND hWnd = dlg()->m_hWnd;
    g_mainProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMenus)));
    ::SetTimer(hWnd, kEndMenuTimer, 100, nullptr);
    auto rightClick = [&] {
        g_menuOpened = false;
        ::SendMessageA(hWnd, WM_TRAY_NOTIFY, 103, WM_RBUTTONUP);
        return g_menuOpened;
    };
    EXPECT_TRUE(rightClick()) << "the tray menu of an enabled window";
    // A modal box or dialog disables its owner; "Zakończ" must not be offered then.
    ::EnableWindow(hWnd, FALSE);
    EXPECT_FALSE(rightClick());
    ::EnableWindow(hWnd, TRUE);
    ::KillTimer(hWnd, kEndMenuTimer);
    ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
}

} // namespace
