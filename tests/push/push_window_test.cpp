// The push connection in the real main window, with its real socket thread,
// against the simulator's push server: the ladder from connect to session and
// keep-alive, every way the server can fail it, and the events it announces
// reaching the tree.
#include "EventFrame.h"
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "ContactRules.h"
#include "MessageBox.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kJan[] = "+48600100201"; // user id 18
const int kJanId = 18;

struct PushLine {
    std::string connection, what;
};

// The push log's lines from the line `from` on, without their times.
std::vector<PushLine> Parse(const std::vector<std::string>& log, size_t from = 0) {
    std::vector<PushLine> lines;
    for (size_t i = from; i < log.size(); ++i) {
        std::istringstream in(log[i]);
        std::string ms;
        PushLine l;
        in >> ms >> l.connection;
        std::getline(in >> std::ws, l.what);
        lines.push_back(l);
    }
    return lines;
}

std::string Hex(const std::string& bytes) {
    std::string s;
    char b[4];
    for (unsigned char c : bytes) {
        snprintf(b, sizeof b, "%s%02x", s.empty() ? "" : " ", c);
        s += b;
    }
    return s;
}

class Push : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        UseFreshProfile(app, "briskopc-push", "localhost", SimControl::HttpsPort());
        app.WriteProfileString("BriskoPC", "Login", kLogin);
        app.WriteProfileString("BriskoPC", "Password", "haslo123");
    }

    void TearDown() override {
        sim.Reset("CHECKSTATUSES");
        sim.StartAfresh();
        sim.SetPresence(kJan, 0);
        if (app.m_pMainDlg && ::IsWindow(dlg().m_hWnd)) {
            boxes.Answer(IDYES);
            dlg().OnClose();
        }
        Pump(50);
        app.ExitInstance();
    }

    // Logs in; the test ticks the timers itself.
    void Start() {
        ASSERT_TRUE(app.InitInstance());
        StopTimers(dlg().m_hWnd);
        dlg().OnTimer(1);
        Settle();
        ASSERT_EQ(dlg().m_nSessionState, 2);
    }

    void Settle() {
        Pump(30);
        ASSERT_TRUE(PumpUntil([this] { return dlg().m_nThreads == 0; }));
    }

    // The duties' tick: LOGINPC and the connect.
    void Connect() {
        dlg().m_nReloginCountdown = 0;
        dlg().OnTimer(1);
        EXPECT_EQ(dlg().m_nSocksState, 3);
        Settle();
        ASSERT_TRUE(PumpUntil([this] { return dlg().m_nSocksState != 3; }));
        ASSERT_EQ(dlg().m_nSocksState, 1);
        ASSERT_EQ(dlg().m_nDbState, 1);
        EXPECT_EQ(dlg().m_nReloginCountdown, 0) << "the session is asked for at the next tick";
    }

    // The next tick asks for the session; true once the answer came.
    bool AskSession(DWORD ms = 5000) {
        dlg().OnTimer(1);
        return PumpUntil([this] { return dlg().m_nSocksState != 1 || dlg().m_nDbState != 1; }, ms);
    }

    void OpenSession() {
        Start();
        Connect();
        ASSERT_TRUE(AskSession());
        ASSERT_EQ(dlg().m_nSocksState, 2);
    }

    // The client's presence of a contact, and its tree image.
    int Presence(const char* number) { return dlg().m_contacts.FindByNumber(number)->nPresence; }
    Contact& Jan() { return *dlg().m_contacts.FindByNumber(kJan); }
    int Image(HTREEITEM item) { return dlg().m_wndTree.GetItemImage(item); }

    std::vector<PushLine> Log(size_t from = 0) { return Parse(sim.PushLog(), from); }
    bool LogHas(const std::string& what, DWORD ms = 5000) {
        return PumpUntil(
            [&] {
                for (const PushLine& l : Log())
                    if (l.what == what)
                        return true;
                return false;
            },
            ms);
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
    SimControl sim;
};

TEST_F(Push, TheLadderConnectsThenOpensTheSessionOnAConnectionOfItsOwn) {
    Start();
    Connect();
    ASSERT_TRUE(AskSession());
    EXPECT_EQ(dlg().m_nSocksState, 2);
    EXPECT_FALSE(dlg().m_bPushLost);
    ASSERT_TRUE(LogHas("session " + std::string(kLogin)));

    std::vector<PushLine> log = Log();
    std::vector<std::string> accepted;
    for (const PushLine& l : log)
        if (l.what == "accept")
            accepted.push_back(l.connection);
    ASSERT_EQ(accepted.size(), 2u) << "the connect's connection, then the session's";
    std::vector<std::string> first, second;
    for (const PushLine& l : log) {
        if (l.connection == accepted[0])
            first.push_back(l.what);
        if (l.connection == accepted[1] && l.what.rfind("in ", 0) == 0)
            second.push_back(l.what);
    }
    EXPECT_EQ(first, (std::vector<std::string>{"accept", "close client"}))
        << "nothing is sent on the connect's connection";
    EXPECT_EQ(second,
              std::vector<std::string>{"in " + Hex(std::string("\x26\x01") + dlg().m_strSessionId)})
        << "exactly the 38 bytes of the session request";
    dlg().OnTimer(1);
    std::vector<std::string> lines;
    for (HTREEITEM i = dlg().m_wndTree.GetChildItem(dlg().m_hConnectionItem); i;
         i = dlg().m_wndTree.GetNextSiblingItem(i))
        lines.push_back(TreeItemText(dlg().m_wndTree.m_hWnd, i));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "Socks: 2, otwarta sesja");
}

TEST_F(Push, ASessionIdOfTheWrongLengthFailsWithoutTraffic) {
    Start();
    Connect();
    for (size_t length : {35u, 37u}) {
        dlg().m_strSessionId = std::string(length, 'A');
        dlg().m_nDbState = 1;
        dlg().m_nSocksState = 1;
        size_t before = sim.PushLog().size();
        dlg().m_nReloginCountdown = 0;
        ASSERT_TRUE(AskSession());
        EXPECT_EQ(dlg().m_nSocksState, 1) << length;
        EXPECT_EQ(dlg().m_nDbState, 0) << length;
        Pump(200);
        EXPECT_EQ(sim.PushLog().size(), before) << length << ": nothing on the wire";
        Settle();
    }
}

TEST_F(Push, ARefusedSessionKeepsTheConnection) {
    ASSERT_TRUE(sim.PushMode("reject"));
    Start();
    Connect();
    ASSERT_TRUE(AskSession());
    EXPECT_EQ(dlg().m_nSocksState, 1);
    EXPECT_EQ(dlg().m_nDbState, 0) << "a new session id is fetched";
    EXPECT_FALSE(dlg().m_bPushLost);
    ASSERT_TRUE(LogHas("session-refused"));
    Pump(300);
    std::vector<PushLine> log = Log();
    std::string refused;
    for (const PushLine& l : log)
        if (l.what == "session-refused")
            refused = l.connection;
    for (const PushLine& l : log) {
        if (l.connection == refused) {
            EXPECT_NE(l.what.rfind("close", 0), 0u) << "the session's connection stays";
        }
    }
}

TEST_F(Push, AServerThatNeverAnswersTheSessionIsLeftAfterItsLimit) {
    ASSERT_TRUE(sim.PushMode("silent"));
    Start();
    Connect();
    dlg().OnTimer(1);
    // The session waits for its reply on the socket thread; the window goes on.
    Pump(2000);
    EXPECT_EQ(dlg().m_nSocksState, 1);
    EXPECT_EQ(dlg().m_nDbState, 1);
    ASSERT_TRUE(PumpUntil([this] { return dlg().m_nDbState == 0; }, 20000));
    Pump(100);
    EXPECT_EQ(dlg().m_nSocksState, 1) << "the disconnect first, then the session's failure";
    EXPECT_TRUE(dlg().m_bPushLost);
    EXPECT_TRUE(LogHas("close client"));
}

TEST_F(Push, KeepAliveGoesOutAtTheThirtySecondTickAndNothingElse) {
    OpenSession();
    size_t from = sim.PushLog().size();
    for (int i = 0; i < 3; ++i) {
        dlg().OnTimer(2);
        for (int t = 0; t < 5; ++t)
            dlg().OnTimer(1);
        Pump(300);
    }
    std::vector<std::string> seen;
    for (const PushLine& l : Log(from))
        seen.push_back(l.what);
    EXPECT_EQ(seen, (std::vector<std::string>{"in 03 02 01", "alive 1", "in 03 02 01", "alive 1",
                                              "in 03 02 01", "alive 1"}));
    EXPECT_EQ(dlg().m_nSocksState, 2) << "an alive frame with status 1 changes nothing";
}

TEST_F(Push, AnAliveFrameWithStatusZeroDropsTheSession) {
    ASSERT_TRUE(sim.PushMode("accept", "dead"));
    OpenSession();
    dlg().OnTimer(2);
    ASSERT_TRUE(PumpUntil([this] { return dlg().m_nSocksState == 0; }));
    EXPECT_EQ(dlg().m_nDbState, 0);
}

TEST_F(Push, AfterALostConnectionPresencesAreResetAndAskedForAgain) {
    OpenSession();
    ASSERT_TRUE(sim.SetPresence(kJan, 1));
    ASSERT_TRUE(PumpUntil([this] { return Presence(kJan) == 1; }));
    // A contact the service will not mention again.
    dlg().m_contacts.FindByNumber("+48601234567")->nPresence = 1;

    ASSERT_TRUE(sim.PushDrop(kLogin));
    ASSERT_TRUE(PumpUntil([this] { return dlg().m_nSocksState == 0; }));
    EXPECT_EQ(dlg().m_nDbState, 0);
    EXPECT_TRUE(dlg().m_bPushLost);
    // Meanwhile Jan is busy, which nobody could tell the client.
    ASSERT_TRUE(sim.SetPresence(kJan, 2));
    EXPECT_EQ(Presence(kJan), 1);

    sim.ClearLog();
    Connect();
    ASSERT_TRUE(AskSession());
    ASSERT_EQ(dlg().m_nSocksState, 2);
    EXPECT_FALSE(dlg().m_bPushLost);
    EXPECT_EQ(Presence("+48601234567"), 0) << "reset with the others";
    Settle();
    EXPECT_EQ(sim.LoggedFunctions().back(), "CHECKSTATUSES");
    ASSERT_TRUE(PumpUntil([this] { return Presence(kJan) == 2; }));
    EXPECT_EQ(Image(Jan().hItem), ContactImage(Jan().nHighlightMode, 2, Jan().nHighlightTicks));
}

TEST_F(Push, EventsReachTheTreeHoweverTheyAreCut) {
    OpenSession();
    // The login event of the example: the contact blinks its login.
    ASSERT_EQ(sim.PushRaw(kLogin, EventFrame(101, kJanId)), 1);
    ASSERT_TRUE(PumpUntil([this] { return Jan().nHighlightMode == 4; }));
    EXPECT_EQ(Presence(kJan), 1);

    // An alive frame and an event in one write, a frame split over three,
    // garbage between frames, and types the window must never see.
    std::string stream = std::string("\x03\x02\x01", 3) + EventFrame(104, kJanId) +
                         std::string("\x00\xFF\x26", 3) + EventFrame(12, 0) +
                         EventFrame(0, kJanId) + EventFrame(10000, kJanId) +
                         EventFrame(103, kJanId);
    ASSERT_EQ(sim.PushRaw(kLogin, stream, {2, 9, 4, 1}), 1);
    ASSERT_TRUE(PumpUntil([this] { return Presence(kJan) == 3; }));
    EXPECT_EQ(dlg().m_nSocksState, 2);

    ASSERT_EQ(sim.PushRaw(kLogin, EventFrame(104, kJanId), {1, 5}), 1);
    ASSERT_TRUE(PumpUntil([this] { return Presence(kJan) == 2; }));
    ASSERT_EQ(sim.PushEvent(kLogin, 102, kJanId), 1);
    ASSERT_TRUE(PumpUntil([this] { return Presence(kJan) == 0; }));
    EXPECT_EQ(sim.PushEvent(kLogin, 101, 4242), 1) << "an unknown user changes nothing";

    // A message and a system message are fetched by their ids.
    sim.ClearLog();
    sim.PushEvent(kLogin, 1, 7);
    sim.PushEvent(kLogin, 100, 8);
    ASSERT_TRUE(PumpUntil([this] { return sim.Log().size() >= 2; }));
    Settle();
    std::vector<std::string> targets;
    for (const std::string& line : sim.Log())
        targets.push_back(line.substr(line.find("RECEIVEMSG ") + 11));
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (std::vector<std::string>{"/briskopc.asp?function=RECEIVEMSG&MsgId=7",
                                                 "/briskopc.asp?function=RECEIVEMSG&MsgId=8"}));
}

TEST_F(Push, AServerThatTricklesAFrameDoesNotHoldTheSocketThread) {
    // No alive answer, which would land in the middle of the trickled frame.
    ASSERT_TRUE(sim.PushMode("accept", "silent"));
    OpenSession();
    size_t from = sim.PushLog().size();
    // Two bytes every 1.5 s: the frame is whole only after 6 s.
    std::thread trickle([] {
        SimControl control;
        control.PushRaw(kLogin, EventFrame(104, kJanId), {2, 2, 2, 2}, 1500);
    });
    Pump(2000);
    dlg().OnTimer(2);
    bool answered = PumpUntil(
        [&] {
            for (const PushLine& l : Log(from))
                if (l.what == "in 03 02 01")
                    return true;
            return false;
        },
        2000);
    bool busyEarly = Presence(kJan) == 2;
    trickle.join();
    EXPECT_TRUE(answered) << "the keep-alive went out while the frame was incomplete";
    EXPECT_FALSE(busyEarly);
    EXPECT_TRUE(PumpUntil([this] { return Presence(kJan) == 2; })) << "the frame, once whole";
    EXPECT_EQ(dlg().m_nSocksState, 2);
}

TEST_F(Push, ADeliveryReportMarksTheSmsAndTheContactBlinksUntilLookedAt) {
    ASSERT_TRUE(sim.ReportDelay(300));
    OpenSession();
    dialogs.Expect(IDD_SMS, [](CDialog& d) {
        fw::SetItemText(d, IDC_SMS_NUMBER, "600100201");
        fw::SetItemText(d, IDC_SMS_TEXT, "Dotarło?");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0);
    ASSERT_TRUE(PumpUntil([this] { return Jan().nHighlightMode == 3; }));
    HTREEITEM sms = dlg().m_wndTree.GetChildItem(Jan().hItem);
    ASSERT_NE(sms, nullptr);
    EXPECT_EQ(Image(sms), kImageSmsReport);

    // It blinks until the contact is opened to show the SMS.
    for (int i = 0; i < 8; ++i)
        dlg().OnTimer(1);
    EXPECT_EQ(Jan().nHighlightMode, 3);
    dlg().m_wndTree.Expand(Jan().hItem, TVE_EXPAND);
    dlg().OnTimer(1);
    EXPECT_EQ(Jan().nHighlightMode, 0);

    // A report for an SMS that has no item under its contact (sent before a
    // re-login) has nothing to expand: a click on the contact ends it.
    std::vector<std::string> accepted = sim.Sms();
    ASSERT_EQ(accepted.size(), 1u);
    int smsId = std::atoi(accepted[0].c_str());
    MessageRecord* m = dlg().m_messages.FindBySmsId(smsId);
    ASSERT_NE(m, nullptr);
    dlg().m_wndTree.Expand(Jan().hItem, TVE_COLLAPSE);
    dlg().m_wndTree.DeleteItem(m->hItem);
    m->hItem = nullptr;
    ASSERT_EQ(sim.PushEvent(kLogin, 1001, static_cast<unsigned>(smsId)), 1);
    ASSERT_TRUE(PumpUntil([this] { return Jan().nHighlightMode == 3; }));
    for (int i = 0; i < 8; ++i)
        dlg().OnTimer(1);
    EXPECT_EQ(Jan().nHighlightMode, 3);
    dialogs.Expect(IDD_SMS, [](CDialog& d) { fw::Press(d, IDCANCEL); });
    ASSERT_TRUE(ClickTreeItem(dlg().m_hWnd, dlg().m_wndTree.m_hWnd, Jan().hItem, false));
    // A loaded machine may take longer than the click's own pause.
    EXPECT_TRUE(PumpUntil([this] { return Jan().nHighlightMode == 0; }));
    EXPECT_EQ(dialogs.Opened().size(), 2u) << "the click opened the SMS dialog as always";
    dlg().OnTimer(1);
    EXPECT_FALSE(dlg().m_contacts.HasHighlight());
}

} // namespace
