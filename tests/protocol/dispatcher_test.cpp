// The main window's dispatcher: crafted answers for the cases common to every
// function, the silent re-login after an expired session (against the
// simulator), the worker count and its tray images, and shutdown while a
// request is still on its way.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "HttpSession.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const char kDemoLogin[] = "+48600100200";
const char kDemoPassword[] = "haslo123";

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        UseFreshProfile(app, "briskopc-dispatcher", "localhost", SimControl::HttpsPort());
        // No stored password: the start asks, and the test declines.
        dialogs.Expect(IDD_LOGIN, [](CDialog& dlg) { fw::Press(dlg, IDCANCEL); });
        ASSERT_TRUE(app.InitInstance());
        dlg = app.m_pMainDlg;
        StopTimers(dlg->m_hWnd);
        sim.ClearLog();
    }

    void TearDown() override {
        sim.Slow(0);
        if (::IsWindow(dlg->m_hWnd))
            dlg->OnClose();
        Pump(50);
        app.ExitInstance();
    }

    // An answer as a worker would bring it back.
    void Deliver(const char* function, const char* response, int result = REQUEST_DONE) {
        auto* request = new HttpRequest;
        request->pChannel = dlg->m_pRequests;
        request->szFunction = function;
        request->szUrl = std::string("briskopc.asp?function=") + function;
        if (response) {
            request->pszResponse.reset(new char[std::strlen(response) + 1]);
            std::strcpy(request->pszResponse.get(), response);
        }
        request->nResult = result;
        ++dlg->m_nThreads;
        ::SendMessageA(dlg->m_hWnd, WM_REQUEST_DONE, static_cast<WPARAM>(result),
                       reinterpret_cast<LPARAM>(request));
    }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
    CBriskoPCDlg* dlg = nullptr;
    SimControl sim;
};

TEST_F(Dispatcher, WorkerFailuresCallNoHandlerAndEndWhatTheyHadUnderWay) {
    for (int result : {REQUEST_STOPPED, REQUEST_TIMED_OUT, REQUEST_RELEASE_FAILED}) {
        // Left under way, LOGIN and LOGINPC would never be tried again.
        dlg->m_nSessionState = 3;
        Deliver("LOGIN", nullptr, result);
        EXPECT_EQ(dlg->m_nSessionState, 0) << result;
        dlg->m_nSessionState = 2;
        dlg->m_nDbState = 2;
        Deliver("LOGINPC", "LOGINPCFAILED", result);
        EXPECT_EQ(dlg->m_nDbState, 0) << "no handler: no message, but no longer under way";
        EXPECT_EQ(dlg->m_nSessionState, 2);
    }
    EXPECT_EQ(dlg->m_nThreads, 0);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Dispatcher, EveryAnswerOtherThanLoginpcokEndsTheLoginpcUnderWay) {
    dlg->m_nSessionState = 2;
    for (const char* answer : {"LOGINPCFAILED\r\n", "<html>500</html>", "LOGINPCFAILED"}) {
        dlg->m_nDbState = 2;
        Deliver("LOGINPC", answer);
        EXPECT_EQ(dlg->m_nDbState, 0) << answer;
    }
    // Only the keyword alone says so in a box.
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error in BriskoPCDBLogin");
}

TEST_F(Dispatcher, AnswersOfALoginGivenUpAreDropped) {
    // A LOGIN on its way when the user logs off: its late LOGINOK belongs to
    // nobody, and must write no empty login into the title and the profile.
    ASSERT_TRUE(sim.Slow(1500));
    dlg->m_strLogin = kDemoLogin;
    dlg->m_strPassword = kDemoPassword;
    dlg->Login(kDemoLogin, kDemoPassword);
    dlg->OnLogoff();
    ASSERT_TRUE(PumpUntil([&] { return sim.Log().size() == 2 && dlg->m_nThreads == 0; }));
    EXPECT_EQ(dlg->m_nSessionState, 0);
    EXPECT_EQ(dlg->m_nCredits, 0);
    EXPECT_EQ(WindowText(dlg->m_hWnd), "Niezalogowany");
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Login", "-"), "-");
}

TEST_F(Dispatcher, AnEmptyAnswerMeansTheServiceIsGone) {
    dlg->m_nSessionState = 2;
    dlg->m_nDbState = 2;
    Deliver("LOGINPC", "");
    EXPECT_EQ(dlg->m_nSessionState, 1);
    EXPECT_EQ(dlg->m_nDbState, 0);
    EXPECT_TRUE(boxes.Shown().empty());

    Deliver("SENDSMS", "");
    EXPECT_EQ(dlg->m_nOutboxState, 1) << "the SMS waits in the outbox";
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Z powodu braku połączenia z Briskiem, ten SMS i nastepne "
                                     "zostaną umieszczone w Skrzynce Nadawczej.");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");

    // An empty LOGIN answer runs the LOGIN handler first: offline, state 0.
    dlg->m_nSessionState = 3;
    Deliver("LOGIN", "");
    EXPECT_EQ(dlg->m_nSessionState, 0);
    EXPECT_EQ(dlg->m_nContactsSource, 1);
}

TEST_F(Dispatcher, AnExpiredSessionLogsInOnceSilentlyAndSendsTheRequestAgain) {
    dlg->m_strLogin = kDemoLogin;
    dlg->m_strPassword = kDemoPassword;
    dlg->m_nSessionState = 2;
    dlg->m_nDbState = 1;

    Deliver("LOGOFF", "NOP");
    EXPECT_EQ(dlg->m_nSessionState, 1);
    EXPECT_EQ(dlg->m_nDbState, 1) << "LOGOFF's own handler did not run";

    // QUICKLOGIN goes out as a LOGIN; once it succeeds the LOGOFF goes again.
    // The resent LOGOFF's answer, LOGOFFOK, ends the session.
    ASSERT_TRUE(PumpUntil([&] { return dlg->m_nSessionState == 0 && dlg->m_nThreads == 0; }));
    EXPECT_EQ(sim.LoggedFunctions(), (std::vector<std::string>{"LOGIN", "LOGOFF"}));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Dispatcher, TwoRequestsFindingTheSessionExpiredEachLogInAgainWithoutABox) {
    dlg->m_strLogin = kDemoLogin;
    dlg->m_strPassword = kDemoPassword;
    dlg->m_nSessionState = 2;
    // The second answer comes while the first one's re-login is on its way.
    Deliver("GETCOSTS", "NOP");
    Deliver("GETCONTACTS", "NOP");
    EXPECT_TRUE(boxes.Shown().empty()) << "no false 'no connection'";
    auto sent = [&](const char* function) {
        std::vector<std::string> f = sim.LoggedFunctions();
        return std::count(f.begin(), f.end(), function);
    };
    ASSERT_TRUE(PumpUntil([&] {
        return sent("GETCOSTS") == 1 && sent("GETCONTACTS") == 1 && dlg->m_nThreads == 0;
    })) << ::testing::PrintToString(sim.LoggedFunctions());
    EXPECT_EQ(sent("LOGIN"), 2) << "a re-login for each";
    EXPECT_EQ(dlg->m_nSessionState, 2);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Dispatcher, ARequestStillExpiredAfterItsReloginEndsTheSessionInsteadOfLooping) {
    dlg->m_strLogin = kDemoLogin;
    dlg->m_strPassword = kDemoPassword;
    dlg->m_nSessionState = 2;
    ASSERT_TRUE(sim.Answer("CHECKSTATUSES", "NOP"));
    Deliver("CHECKSTATUSES", "NOP");
    ASSERT_TRUE(PumpUntil([&] { return dlg->m_nSessionState == 0 && dlg->m_nThreads == 0; }));
    Pump(300);
    sim.Reset("CHECKSTATUSES");
    EXPECT_EQ(sim.LoggedFunctions(), (std::vector<std::string>{"LOGIN", "CHECKSTATUSES"}));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Brak połączenia z serwisem Brisko.");
}

TEST_F(Dispatcher, AFailedReloginDropsThePendingRequest) {
    dlg->m_strLogin = kDemoLogin;
    dlg->m_strPassword = "wrong";
    dlg->m_nSessionState = 2;
    Deliver("CHECKSTATUSES", "NOP");
    ASSERT_TRUE(PumpUntil([&] { return dlg->m_nThreads == 0 && !sim.Log().empty(); }));
    Pump(300);
    EXPECT_EQ(sim.LoggedFunctions(), std::vector<std::string>{"LOGIN"});
    EXPECT_EQ(dlg->m_nSessionState, 1);
}

TEST_F(Dispatcher, ASecondNopEndsTheSession) {
    for (const char* function : {"LOGINPC", "QUICKLOGIN", "SOMETHING"}) {
        dlg->m_nSessionState = 1;
        Deliver(function, "NOP and whatever follows");
        EXPECT_EQ(dlg->m_nSessionState, 0) << function;
    }
    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[0].text, "Brak połączenia z serwisem Brisko.");
    EXPECT_TRUE(sim.Log().empty()) << "no re-login from state 1";
}

TEST_F(Dispatcher, OnlyTheLoginAnswersReachTheirHandlersUndecoded) {
    dlg->m_nSessionState = 2;
    dlg->m_nDbState = 2;
    Deliver("LOGINPC", "LOGINPCOK\r\nABCD-1234\r\nZofia W%F3jcik\r\n");
    EXPECT_EQ(dlg->m_strOwnName, "Zofia Wójcik");
    EXPECT_EQ(dlg->m_strSessionId, "ABCD-1234");
    EXPECT_EQ(dlg->m_nDbState, 1);

    dlg->m_nSessionState = 3;
    dlg->m_strLogin = kDemoLogin;
    Deliver("LOGIN", "LOGINOK\r\npush%B9.example\r\n4000\r\n10\r\n20\r\n1\r\n");
    EXPECT_EQ(dlg->m_strPushHost, "push%B9.example");
    EXPECT_EQ(dlg->m_nSessionState, 2);
}

TEST_F(Dispatcher, OnlyWorkersStillRunningAfterAMomentShowTheBusyImage) {
    const HICON busy = TrayImage(IDI_TRAY_BUSY), quiet = TrayImage(IDI_TRAY_QUIET);
    const HICON start = dlg->m_trayIcon.GetIcon();

    // A fast answer: the image never changes, not even with the delay long past.
    ::SendMessageA(dlg->m_hWnd, WM_REQUEST_STARTED, 0, 0);
    EXPECT_EQ(dlg->m_nThreads, 1);
    dlg->m_nThreads = 0;
    Deliver("UNKNOWN", "anything");
    Pump(400);
    EXPECT_EQ(dlg->m_trayIcon.GetIcon(), start);

    // Slow ones: the timer's own tray step stays quiet until the busy image is up.
    ::SendMessageA(dlg->m_hWnd, WM_REQUEST_STARTED, 0, 0);
    ::SendMessageA(dlg->m_hWnd, WM_REQUEST_STARTED, 0, 0);
    EXPECT_EQ(dlg->m_nThreads, 2);
    dlg->OnTimer(1);
    EXPECT_EQ(dlg->m_trayIcon.GetIcon(), quiet) << "busy before the delay has passed";
    ASSERT_TRUE(PumpUntil([&] { return dlg->m_trayIcon.GetIcon() == busy; }));
    dlg->OnTimer(1);
    EXPECT_EQ(dlg->m_trayIcon.GetIcon(), busy);

    dlg->m_nThreads = 1;
    Deliver("UNKNOWN", "anything");
    EXPECT_EQ(dlg->m_nThreads, 1);
    EXPECT_EQ(dlg->m_trayIcon.GetIcon(), busy) << "one worker still runs";
    dlg->m_nThreads = 0;
    Deliver("UNKNOWN", "anything");
    EXPECT_EQ(dlg->m_nThreads, 0);
    EXPECT_EQ(dlg->m_trayIcon.GetIcon(), quiet);
    dlg->OnTimer(1);
    EXPECT_EQ(dlg->m_trayIcon.GetIcon(), quiet);
}

TEST_F(Dispatcher, ShutdownWithARequestOnItsWayLeavesTheWorkerNothingClosed) {
    ASSERT_TRUE(sim.Slow(8000));
    dlg->m_nSessionState = 2;
    dlg->CheckStatuses();
    ASSERT_TRUE(PumpUntil([&] { return dlg->m_nThreads == 1; }));
    Pump(200);
    std::weak_ptr<CRequestChannel> channel = dlg->m_pRequests;

    dlg->OnClose();
    EXPECT_FALSE(::IsWindow(dlg->m_hWnd));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Semaphore timeout occurred in OnDestroy");
    EXPECT_FALSE(channel.expired()) << "the worker still holds the channel";

    // The answer comes late, to nobody; the worker lets go and frees its request.
    DWORD start = ::GetTickCount();
    while (!channel.expired() && ::GetTickCount() - start < 20000)
        ::Sleep(50);
    EXPECT_TRUE(channel.expired());
}

} // namespace
