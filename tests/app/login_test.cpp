// Logging in, staying logged in and logging off, against the simulator: the
// stored credentials, the login dialog, the session functions' answers, the
// tree's connection lines, the status line and the two timers' ladder.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "ContactsFile.h"
#include "DataFile.h"
#include "MessageBox.h"
#include "SimControl.h"
#include "StoredPassword.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kPassword[] = "haslo123";

std::vector<std::string> Children(HWND tree, HTREEITEM parent) {
    std::vector<std::string> texts;
    for (HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); item;
         item = TreeView_GetNextSibling(tree, item))
        texts.push_back(TreeItemText(tree, item));
    return texts;
}

// The requests that went out together may arrive in any order.
std::vector<std::string> Sorted(std::vector<std::string> functions) {
    std::sort(functions.begin(), functions.end());
    return functions;
}

class Login : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        UseFreshProfile(app, "briskopc-login", "localhost", SimControl::HttpsPort());
        sim.ClearLog();
        sim.Expire();
        sim.SetCredits("%2B48600100200", 250);
    }

    void TearDown() override {
        sim.Reachable();
        sim.Reset("LOGIN");
        sim.Reset("GETCONTACTS");
        sim.Reset("GETCOSTS");
        sim.Reset("VERSION");
        if (dlg() && ::IsWindow(dlg()->m_hWnd))
            dlg()->OnClose();
        Pump(50);
        app.ExitInstance();
    }

    // Starts the client; the timers are driven by the test, one tick at a time.
    void Start() {
        ASSERT_TRUE(app.InitInstance());
        StopTimers(dlg()->m_hWnd);
    }

    void StoreCredentials(const char* password) {
        app.WriteProfileString("BriskoPC", "Login", kLogin);
        app.WriteProfileString("BriskoPC", "Password", password);
    }

    // Waits until every request has come back.
    void Settle() {
        Pump(30);
        ASSERT_TRUE(PumpUntil([this] { return dlg()->m_nThreads == 0; }));
    }

    std::string Profile(const char* entry) { return app.GetProfileString("BriskoPC", entry, "-"); }
    // The password as the next start reads it; "-" when neither form is stored.
    std::string Stored() {
        return Profile("Password") == "-" && Profile("ProtectedPassword") == "-"
                   ? "-"
                   : ReadStoredPassword(app);
    }
    std::vector<std::string> Lines() {
        return Children(dlg()->m_wndTree, dlg()->m_hConnectionItem);
    }

    CBriskoPCDlg* dlg() { return app.m_pMainDlg; }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
    SimControl sim;
};

TEST_F(Login, StoredCredentialsLogInWithoutAskingAndClimbTheLadder) {
    StoreCredentials(kPassword);
    Start();
    EXPECT_TRUE(dialogs.Opened().empty()) << "no dialog with a stored password";
    EXPECT_EQ(dlg()->m_nSessionState, 3) << "a login under way";
    EXPECT_EQ(Lines(), std::vector<std::string>{}) << "the lines come with the first refresh";
    // The first tick runs the duties; with a login under way none applies.
    dlg()->OnTimer(1);
    EXPECT_EQ(dlg()->m_nReloginCountdown, 30);
    EXPECT_EQ(Lines().size(), 7u);
    EXPECT_EQ(Lines()[0], "") << "BPC shows nothing while a login is under way";

    Settle();
    EXPECT_EQ(Sorted(sim.LoggedFunctions()),
              (std::vector<std::string>{"GETCONTACTS", "GETCOSTS", "LOGIN", "VERSION"}));
    EXPECT_NE(sim.Log()[0].find("usr_login=%2B48600100200&usr_pass=haslo123"), std::string::npos)
        << "the login's plus sign is escaped";
    EXPECT_EQ(dlg()->m_nSessionState, 2);
    EXPECT_EQ(WindowText(dlg()->m_hWnd), kLogin);
    EXPECT_EQ(WindowText(dlg()->GetDlgItem(IDC_STATUS)), "Bps:250 kl.:1 dni:30 ");
    EXPECT_EQ(dlg()->m_strPushHost, "127.0.0.1");
    EXPECT_EQ(MenuItemText(::GetSubMenu(dlg()->m_menu, 0), 0), "Zmiana loginu") << "menu 127";
    EXPECT_EQ(Profile("Login"), kLogin);
    EXPECT_EQ(Stored(), kPassword) << "still stored";
    EXPECT_EQ(Profile("Password"), "-") << "an earlier version's plain password, stored protected";
    std::ifstream file(app.ProfilePath());
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(bytes.find(kPassword), std::string::npos) << bytes;

    // The next tick sends LOGINPC; its answer opens the client's own session.
    dlg()->OnTimer(1);
    EXPECT_EQ(dlg()->m_nDbState, 2);
    EXPECT_EQ(dlg()->m_nSocksState, 3) << "and the push connection";
    dlg()->LoginPc(kLogin, kPassword);
    Settle();
    ASSERT_TRUE(PumpUntil([this] { return dlg()->m_nSocksState == 1; }));
    EXPECT_EQ(Sorted(sim.LoggedFunctions()),
              (std::vector<std::string>{"GETCONTACTS", "GETCOSTS", "LOGIN", "LOGINPC", "VERSION"}))
        << "no second LOGINPC while one is under way";
    EXPECT_EQ(dlg()->m_nDbState, 1);
    EXPECT_EQ(dlg()->m_strOwnName, "Zofia Wójcik");
    ASSERT_EQ(dlg()->m_strSessionId.size(), 36u);

    dlg()->OnTimer(1);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "BPC: 2, podłączony");
    EXPECT_EQ(lines[1], "DB: 1, podłączony");
    EXPECT_EQ(lines[2], "Socks: 1, podłączony") << "connected; this tick asked for the session";
    EXPECT_EQ(lines[3], "SMSy: 0, brak");
    EXPECT_EQ(lines[4], "Sesja: " + dlg()->m_strSessionId.substr(32));
    EXPECT_EQ(lines[5], "Wątki: 0");
    EXPECT_EQ(lines[6].rfind("IdleTime: ", 0), 0u);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Login, WithoutAStoredPasswordTheDialogAsksWithTheLoginFilledIn) {
    app.WriteProfileString("BriskoPC", "Login", kLogin);
    std::string shown;
    dialogs.Expect(IDD_LOGIN, [&](CDialog& login) {
        shown = WindowText(login.GetDlgItem(IDC_LOGIN));
        // A number without its "+" is refused and the dialog stays.
        fw::SetItemText(login, IDC_LOGIN, "48600100200");
        fw::Press(login, IDOK);
        ASSERT_NE(login.m_hWnd, nullptr);
        fw::SetItemText(login, IDC_LOGIN, kLogin);
        fw::SetItemText(login, IDC_PASSWORD, kPassword);
        fw::SetCheck(login, IDC_REMEMBER, true);
        fw::Press(login, IDOK);
    });
    Start();
    EXPECT_EQ(shown, kLogin);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Nieprawidłowy numer telefonu!");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");

    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 2);
    EXPECT_EQ(Stored(), kPassword) << "remembered as asked";
    EXPECT_EQ(Profile("Password"), "-") << "protected";
}

TEST_F(Login, AWrongPasswordForgetsIt) {
    StoreCredentials("zle");
    Start();
    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Nieprawidłowy login lub haslo, badź brak konta na Brisku.");
    EXPECT_EQ(WindowText(dlg()->m_hWnd), "BriskoPC - Niezalogowany");
    EXPECT_EQ(Stored(), "-");
    EXPECT_EQ(dlg()->m_strPassword, "");
    EXPECT_EQ(MenuItemText(::GetSubMenu(dlg()->m_menu, 0), 0), "Zaloguj") << "menu 128";

    // With no password the timers never log in by themselves.
    sim.ClearLog();
    dlg()->OnTimer(2);
    dlg()->m_nSessionState = 1;
    dlg()->OnTimer(1);
    Settle();
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(Login, NoServiceMeansOfflineWorkAndTheTimerTriesAgain) {
    StoreCredentials(kPassword);
    ASSERT_TRUE(sim.Unreachable());
    Start();
    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 0);
    EXPECT_EQ(dlg()->m_nContactsSource, 1);
    EXPECT_TRUE(::GetMenuState(dlg()->m_menu, ID_CONTACT_ADD, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(dlg()->m_menu, ID_SMS_STATUS, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(dlg()->m_menu, ID_LOGOFF, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(boxes.Shown().empty());

    // Back again: timer 2 logs in with the stored credentials.
    ASSERT_TRUE(sim.Reachable());
    dlg()->OnTimer(2);
    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 2);
}

TEST_F(Login, AnAnswerThatIsNeitherSuccessNorFailureCountsAsOffline) {
    StoreCredentials(kPassword);
    // "LOGINFAILED" must be the whole body.
    ASSERT_TRUE(sim.Answer("LOGIN", "LOGINFAILED\r\n"));
    Start();
    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 0);
    EXPECT_EQ(dlg()->m_nContactsSource, 1);
    EXPECT_EQ(Stored(), kPassword);

    // A short LOGINOK leaves the missing figures at 0 and a missing host empty.
    ASSERT_TRUE(sim.Answer("LOGIN", "LOGINOK\r\nhost\r\n4000\r\n77"));
    ASSERT_TRUE(sim.Answer("GETCONTACTS", "CONTACTSOK\r\n"));
    ASSERT_TRUE(sim.Answer("GETCOSTS", "COSTSOK\r\n"));
    // This LOGIN makes no web session, so VERSION too answers for itself.
    ASSERT_TRUE(sim.Answer("VERSION", "VEROK\r\n0.22"));
    dlg()->Login(kLogin, kPassword);
    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 2);
    EXPECT_EQ(dlg()->m_strPushHost, "host");
    EXPECT_EQ(dlg()->m_nPushPort, 4000);
    EXPECT_EQ(dlg()->m_nCredits, 0) << "a last field without its line end reads as 0";
    EXPECT_EQ(dlg()->m_nDays, 0);
}

TEST_F(Login, ASessionLostIsRegainedByQuickLoginAndOnlyThenLoginPc) {
    StoreCredentials(kPassword);
    Start();
    Settle();
    dlg()->OnTimer(1);
    Settle();
    ASSERT_EQ(dlg()->m_nDbState, 1);

    // The service drops the web session; the timer's next duty logs in again
    // silently and sends no LOGINPC from state 1.
    sim.ClearLog();
    sim.SetCredits("%2B48600100200", 300);
    dlg()->m_nSessionState = 1;
    dlg()->m_nDbState = 0;
    dlg()->m_nReloginCountdown = 1;
    dlg()->OnTimer(1);
    Settle();
    EXPECT_EQ(sim.LoggedFunctions(), std::vector<std::string>{"LOGIN"});
    EXPECT_EQ(dlg()->m_nSessionState, 2);
    EXPECT_EQ(WindowText(::GetDlgItem(dlg()->m_hWnd, IDC_STATUS)), "Bps:300 kl.:1 dni:30 ")
        << "the re-login's credits shown";
    EXPECT_EQ(dlg()->m_nReloginCountdown, 0);
    dlg()->OnTimer(1);
    Settle();
    EXPECT_EQ(sim.LoggedFunctions(), (std::vector<std::string>{"LOGIN", "LOGINPC"}));

    // The duties come every 30 ticks: nothing is sent in between.
    dlg()->m_nSessionState = 1;
    dlg()->m_nReloginCountdown = 30;
    for (int i = 0; i < 29; ++i)
        dlg()->OnTimer(1);
    Settle();
    EXPECT_EQ(sim.Log().size(), 2u);
    dlg()->OnTimer(1);
    Settle();
    EXPECT_EQ(sim.LoggedFunctions(), (std::vector<std::string>{"LOGIN", "LOGINPC", "LOGIN"}));
}

TEST_F(Login, LogOffForgetsThePasswordButKeepsTheLogin) {
    StoreCredentials(kPassword);
    Start();
    Settle();
    dlg()->m_nSocksState = 2;
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_LOGOFF, 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Wylogowanie zakończone.");
    EXPECT_EQ(WindowText(dlg()->m_hWnd), "Niezalogowany");
    EXPECT_EQ(MenuItemText(::GetSubMenu(dlg()->m_menu, 0), 0), "Zaloguj");
    EXPECT_EQ(Stored(), "-");
    EXPECT_EQ(Profile("Login"), kLogin);

    Settle();
    EXPECT_EQ(Sorted(sim.LoggedFunctions()),
              (std::vector<std::string>{"GETCONTACTS", "GETCOSTS", "LOGIN", "LOGOFF", "VERSION"}));
    EXPECT_EQ(dlg()->m_nSessionState, 0);
    EXPECT_EQ(dlg()->m_nSocksState, 1) << "LOGOFFOK drops an open push session to connected";
}

TEST_F(Login, ChangingTheLoginLeavesTheOldSessionFirst) {
    StoreCredentials(kPassword);
    Start();
    Settle();
    dlg()->m_nDbState = 1;
    dlg()->m_nSocksState = 2;
    dialogs.Expect(IDD_LOGIN, [](CDialog& login) {
        fw::SetItemText(login, IDC_LOGIN, "+48600999999");
        fw::SetItemText(login, IDC_PASSWORD, "inne");
        fw::Press(login, IDOK);
    });
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_CHANGE_LOGIN, 0);
    EXPECT_EQ(dlg()->m_nSessionState, 3);
    EXPECT_EQ(dlg()->m_nDbState, 0);
    EXPECT_EQ(dlg()->m_nSocksState, 1);
    EXPECT_EQ(Stored(), "-") << "the old account's password is not kept beside the new login";
    Settle();
    EXPECT_EQ(dlg()->m_nSessionState, 0) << "an unknown account";

    // Cancelled, the dialog changes nothing.
    dlg()->m_nSessionState = 2;
    dialogs.Expect(IDD_LOGIN, [](CDialog& login) { fw::Press(login, IDCANCEL); });
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_CHANGE_LOGIN, 0);
    EXPECT_EQ(dlg()->m_nSessionState, 2);
}

TEST_F(Login, AChangeOfLoginWithoutTheServiceShowsTheNewAccountsFiles) {
    StoreCredentials(kPassword);
    Start();
    Settle();
    ASSERT_EQ(dlg()->m_nContactsSource, 2);
    const std::string other = "+48600100201";
    ASSERT_TRUE(WriteDataFile(other + ".cts", EncodeContactsFile({{"Zosia", kLogin, 17, 1}})));
    ASSERT_TRUE(sim.Unreachable());
    dialogs.Expect(IDD_LOGIN, [&](CDialog& login) {
        fw::SetItemText(login, IDC_LOGIN, other);
        fw::SetItemText(login, IDC_PASSWORD, "haslo456");
        fw::Press(login, IDOK);
    });
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_CHANGE_LOGIN, 0);
    Settle();
    EXPECT_EQ(dlg()->m_nContactsSource, 1);
    EXPECT_EQ(Children(dlg()->m_wndTree, dlg()->m_contacts.m_hContactsItem),
              std::vector<std::string>{"Zosia"});
    ::DeleteFileW(ClientDataFile(other + ".cts").c_str());
}

TEST_F(Login, WindowsShuttingDownSavesTheDataFiles) {
    StoreCredentials(kPassword);
    Start();
    Settle();
    const Path contacts = ClientDataFile(kLogin + std::string(".cts"));
    ::DeleteFileW(contacts.c_str());
    // The process ends after these without the window being destroyed.
    EXPECT_EQ(::SendMessageA(dlg()->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageA(dlg()->m_hWnd, WM_ENDSESSION, TRUE, 0);
    std::string bytes;
    ASSERT_TRUE(ReadDataFile(kLogin + std::string(".cts"), &bytes));
    size_t shown = 0;
    dlg()->m_contacts.ForEach([&](const Contact&) { ++shown; });
    EXPECT_EQ(DecodeContactsFile(bytes).entries.size(), shown) << "the account's contacts";
    EXPECT_GE(shown, 2u) << "the service's list, not only the pseudo-contact";
    ::DeleteFileW(contacts.c_str());
}

TEST_F(Login, TheTreeHasItsFourGroupsAndTheBusyCursorNeedsASession) {
    dialogs.Expect(IDD_LOGIN, [](CDialog& login) { fw::Press(login, IDCANCEL); });
    Start();
    HWND tree = dlg()->m_wndTree;
    EXPECT_EQ(Children(tree, nullptr),
              (std::vector<std::string>{"Kontakty", "Skrzynka Nadawcza", "Brisko", "Połączenie"}));
    EXPECT_EQ(ImageList_GetImageCount(TreeView_GetImageList(tree, TVSIL_NORMAL)), 18);

    auto busy = [&] {
        return ::SendMessageA(dlg()->m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg()->m_hWnd),
                              MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) != 0 &&
               ::GetCursor() == ::LoadCursorA(nullptr, IDC_APPSTARTING);
    };
    dlg()->m_nThreads = 1;
    dlg()->m_nSessionState = 0;
    EXPECT_FALSE(busy()) << "before the first login the normal cursor stays";
    dlg()->m_nSessionState = 1;
    EXPECT_TRUE(busy());
    dlg()->m_nThreads = 0;
    EXPECT_FALSE(busy());
}

} // namespace
