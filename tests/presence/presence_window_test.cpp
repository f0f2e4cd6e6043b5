// The user's own status in the real main window against the simulator: the
// status commands with their marks, and the away status while he is idle.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "MessageBox.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <wtsapi32.h>

#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const UINT kCommands[] = {ID_STATUS_AVAILABLE, ID_STATUS_BUSY, ID_STATUS_INVISIBLE,
                          ID_STATUS_UNAVAILABLE};

class Status : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ASSERT_TRUE(StartLoggedIn(app, "briskopc-status", SimControl::HttpsPort(), kLogin));
        sim.ClearLog();
    }

    void TearDown() override {
        sim.StartAfresh();
        EndClient(app, &boxes);
    }

    void Settle() { ASSERT_TRUE(::Settle(dlg())); }

    // The codes of the SETSTATUS requests the service got since the last call.
    std::vector<std::string> Sent() {
        Settle();
        std::vector<std::string> codes;
        const std::string key = "function=SETSTATUS&status=";
        for (const std::string& line : sim.Log()) {
            size_t at = line.find(key);
            if (at != std::string::npos)
                codes.push_back(line.substr(at + key.size(), 1));
        }
        sim.ClearLog();
        return codes;
    }

    void Command(UINT id) { ::SendMessageA(dlg().m_hWnd, WM_COMMAND, id, 0); }

    std::vector<UINT> Checked() {
        std::vector<UINT> checked;
        for (UINT id : kCommands)
            if (::GetMenuState(dlg().m_menu, id, MF_BYCOMMAND) & MF_CHECKED)
                checked.push_back(id);
        return checked;
    }

    // Idle for so many seconds, as the timer sees it.
    void IdleFor(DWORD seconds, DWORD now = 2000000) {
        dlg().CheckAutoAway(now, now - seconds * 1000);
    }

    // The system tells the window the workstation is locked or unlocked.
    void Lock(bool locked) {
        ::SendMessageA(dlg().m_hWnd, WM_WTSSESSION_CHANGE,
                       locked ? WTS_SESSION_LOCK : WTS_SESSION_UNLOCK, 0);
    }

    // The periodic check, as the timer makes it.
    void Tick() { dlg().OnTimer(1); }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    // What the system says of the screen saver, while the test decides.
    static BOOL s_bScreenSaver;
    static BOOL FakeScreenSaver() { return s_bScreenSaver; }

    fw::MessageBoxScript boxes;
    CBriskoPCApp app;
    SimControl sim;
};

BOOL Status::s_bScreenSaver = FALSE;

TEST_F(Status, EachCommandChecksItselfAndSendsItsCode) {
    using Codes = std::vector<std::string>;
    EXPECT_EQ(Checked(), std::vector<UINT>{ID_STATUS_AVAILABLE}) << "the menu's own mark";
    const std::pair<UINT, int> choices[] = {{ID_STATUS_BUSY, 2},
                                            {ID_STATUS_INVISIBLE, 0},
                                            {ID_STATUS_UNAVAILABLE, 3},
                                            {ID_STATUS_AVAILABLE, 1}};
    for (auto [id, code] : choices) {
        Command(id);
        EXPECT_EQ(Checked(), std::vector<UINT>{id});
        EXPECT_EQ(dlg().m_trayIcon.m_nStatus, code);
        EXPECT_EQ(dlg().m_nAutoAway, id == ID_STATUS_UNAVAILABLE ? 2 : 0);
        EXPECT_EQ(Sent(), Codes{std::to_string(code)});
    }
    Command(ID_STATUS_AVAILABLE);
    EXPECT_EQ(Sent(), Codes{"1"}) << "the same choice again goes out again";

    // Logged off, the choice is shown but not sent.
    boxes.Answer(IDOK);
    dlg().OnLogoff();
    Settle();
    sim.ClearLog();
    Command(ID_STATUS_BUSY);
    EXPECT_EQ(dlg().m_trayIcon.m_nStatus, 2);
    EXPECT_EQ(Sent(), Codes{});
}

TEST_F(Status, QuickChoicesReachTheServiceInOrderAndTheLastOneCounts) {
    using Codes = std::vector<std::string>;
    ASSERT_TRUE(sim.Slow(1000));
    Command(ID_STATUS_BUSY);
    Command(ID_STATUS_INVISIBLE);
    Command(ID_STATUS_AVAILABLE);
    Pump(400);
    EXPECT_EQ(sim.Log().size(), 1u) << "the next waits for the first's answer";
    EXPECT_EQ(Sent(), (Codes{"2", "1"})) << "in order; the one between skipped";
    ASSERT_TRUE(sim.Slow(0));

    // A status whose answer never comes, nor its second try's, holds nothing
    // back once the session is back.
    ASSERT_TRUE(sim.LoseAnswer("SETSTATUS"));
    ASSERT_TRUE(sim.LoseAnswer("SETSTATUS"));
    Command(ID_STATUS_BUSY);
    Settle();
    dlg().m_nReloginCountdown = 0;
    dlg().OnTimer(1);
    Settle();
    ASSERT_EQ(dlg().m_nSessionState, 2);
    Sent();
    Command(ID_STATUS_AVAILABLE);
    EXPECT_EQ(Sent(), Codes{"1"});
}

TEST_F(Status, IdleGoesAwayAfterTheLimitAndInputComesBack) {
    using Codes = std::vector<std::string>;
    ASSERT_EQ(dlg().m_nCheckAwayTime, 5) << "the default";
    Command(ID_STATUS_BUSY);
    Sent();
    IdleFor(300);
    EXPECT_EQ(Sent(), Codes{}) << "at the limit itself nothing changes";
    IdleFor(301);
    IdleFor(302);
    EXPECT_EQ(Sent(), Codes{"3"}) << "once";
    EXPECT_EQ(dlg().m_nAutoAway, 1);
    IdleFor(0);
    IdleFor(0);
    EXPECT_EQ(Sent(), Codes{"1"}) << "back as available, once";
    EXPECT_EQ(dlg().m_nAutoAway, 0);
    EXPECT_EQ(Checked(), std::vector<UINT>{ID_STATUS_BUSY}) << "the user's choice stays marked";
    EXPECT_EQ(dlg().m_trayIcon.m_nStatus, 2);

    // The tick count wraps after 49.7 days: 301 s idle across it.
    IdleFor(301, 1000);
    EXPECT_EQ(Sent(), Codes{"3"});
    IdleFor(3, 1000);
    EXPECT_EQ(Sent(), Codes{"1"});

    // The timer applies the rule while logged in.
    dlg().m_nCheckAwayTime = 0;
    Pump(1100);
    dlg().OnTimer(1);
    EXPECT_EQ(Sent(), Codes{"3"}) << "a second without input is past a limit of 0";
    IdleFor(0);
    EXPECT_EQ(Sent(), Codes{}) << "no idle time is below 0: the status stays away";
}

TEST_F(Status, TheUsersOwnUnavailableAndTheSwitchHoldTheRule) {
    using Codes = std::vector<std::string>;
    Command(ID_STATUS_UNAVAILABLE);
    Sent();
    IdleFor(400);
    IdleFor(0);
    EXPECT_EQ(Sent(), Codes{}) << "the user's own choice is not the idle rule's";

    Command(ID_STATUS_AVAILABLE);
    Sent();
    dlg().m_bCheckAway = FALSE;
    IdleFor(400);
    EXPECT_EQ(Sent(), Codes{}) << "switched off";

    // Away already when it is switched off: coming back still happens.
    dlg().m_bCheckAway = TRUE;
    IdleFor(400);
    Settle();
    dlg().m_bCheckAway = FALSE;
    IdleFor(1);
    EXPECT_EQ(Sent(), (Codes{"3", "1"}));
}

} // namespace

TEST_F(Status, ALockedComputerOrTheScreenSaverIsAwayAtOnceWhenTheUserWantsIt) {
    using Codes = std::vector<std::string>;
    s_bScreenSaver = FALSE;
    dlg().m_fnScreenSaverRunning = FakeScreenSaver;
    // Off, as it is by default: neither counts.
    ASSERT_FALSE(dlg().m_bAwayWhenLocked);
    Lock(true);
    Tick();
    Lock(false);
    s_bScreenSaver = TRUE;
    Tick();
    s_bScreenSaver = FALSE;
    Tick();
    EXPECT_EQ(Sent(), Codes{});
    EXPECT_EQ(dlg().m_nAutoAway, 0);

    // On: away the moment the computer is locked, back when it is unlocked.
    dlg().m_bAwayWhenLocked = TRUE;
    Command(ID_STATUS_BUSY);
    Sent();
    Lock(true);
    EXPECT_EQ(Sent(), Codes{"3"}) << "at once, not at the next check";
    EXPECT_EQ(dlg().m_nAutoAway, 1);
    Tick();
    Tick();
    EXPECT_EQ(Sent(), Codes{}) << "while it stays locked, input or not";
    Lock(false);
    EXPECT_EQ(Sent(), Codes{"1"});
    EXPECT_EQ(dlg().m_nAutoAway, 0);
    EXPECT_EQ(Checked(), std::vector<UINT>{ID_STATUS_BUSY}) << "the user's choice stays marked";
    EXPECT_EQ(dlg().m_trayIcon.m_nStatus, 2);

    // The screen saver is found at the next check, and its end at the one after.
    s_bScreenSaver = TRUE;
    Tick();
    Tick();
    EXPECT_EQ(Sent(), Codes{"3"});
    s_bScreenSaver = FALSE;
    Tick();
    EXPECT_EQ(Sent(), Codes{"1"});

    // The user's own "Niedostępny" is neither taken over nor undone.
    Command(ID_STATUS_UNAVAILABLE);
    Sent();
    Lock(true);
    s_bScreenSaver = TRUE;
    Tick();
    Lock(false);
    s_bScreenSaver = FALSE;
    Tick();
    EXPECT_EQ(Sent(), Codes{});
    EXPECT_EQ(dlg().m_nAutoAway, 2);

    // Turned off while away: the lock no longer holds the status.
    Command(ID_STATUS_AVAILABLE);
    Sent();
    Lock(true);
    EXPECT_EQ(Sent(), Codes{"3"});
    dlg().m_bAwayWhenLocked = FALSE;
    Tick();
    EXPECT_EQ(Sent(), Codes{"1"});
    Lock(false);
}
