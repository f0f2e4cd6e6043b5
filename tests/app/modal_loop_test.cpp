// The moments a real modal loop runs: a message box or dialog is open while
// the timers tick and answers arrive behind it, or a request is on its way when
// the user acts. A second party (ModalPeer) plays the user from another thread,
// against the simulator; nothing here is scripted through the framework's seams.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientProcess.h"
#include "ChatDlg.h"
#include "ClientTest.h"
#include "Files.h"
#include "ModalPeer.h"
#include "Messages.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kPassword[] = "haslo123";
// The service's answers come this late while a test acts in between.
const int kSlowAnswer = 1500;

Path OutboxFile() {
    return ClientDataFile(kLogin + std::string(".obx"));
}

class ModalLoop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ::DeleteFileW(OutboxFile().c_str());
        UseFreshProfile(app, "briskopc-modal", "localhost", SimControl::HttpsPort());
        app.WriteProfileString("BriskoPC", "Login", kLogin);
    }

    void TearDown() override {
        sim.Slow(0);
        peer.reset();
        if (app.m_pMainDlg && ::IsWindow(dlg().m_hWnd))
            dlg().OnClose();
        Pump(50);
        app.ExitInstance();
        ::DeleteFileW(OutboxFile().c_str());
    }

    // Starts the client with the stored password; the peer answers what it opens.
    void Start(const char* password, ModalPeer::Play play) {
        app.WriteProfileString("BriskoPC", "Password", password);
        ASSERT_TRUE(app.InitInstance());
        peer = std::make_unique<ModalPeer>(dlg().m_hWnd, std::move(play));
    }

    void StartLoggedIn(ModalPeer::Play play) {
        Start(kPassword, std::move(play));
        ASSERT_TRUE(PumpUntil([this] { return dlg().m_nSessionState == 2 && Idle(); }));
        sim.ClearLog();
    }

    bool Idle() { return dlg().m_nThreads == 0; }

    // Pumps until the service has taken n SMS and nothing runs any more.
    bool WaitForSms(size_t n) {
        bool done = PumpUntil([&] { return sim.Sms().size() >= n && Idle(); }, 20000);
        Pump(kSlowAnswer + 500);
        return done;
    }

    // Opens the compose dialog of the main menu; the peer fills it in.
    void Compose() { ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0); }

    HTREEITEM FirstOutboxItem() {
        return dlg().m_wndTree.GetChildItem(dlg().m_messages.m_hOutboxItem);
    }

    size_t SmsWith(const std::string& text) {
        size_t n = 0;
        for (const std::string& line : sim.Sms())
            n += line.size() >= text.size() &&
                 line.compare(line.size() - text.size(), text.size(), text) == 0;
        return n;
    }

    size_t Count(const char* function) {
        size_t n = 0;
        for (const std::string& f : sim.LoggedFunctions())
            n += f == function;
        return n;
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    CBriskoPCApp app;
    SimControl sim;
    std::unique_ptr<ModalPeer> peer;

public:
    // What the peer saw.
    void Saw(HWND w) {
        std::lock_guard<std::mutex> lock(seenLock);
        seen.push_back(DialogText(w));
    }
    size_t SawWith(const std::string& part) {
        std::lock_guard<std::mutex> lock(seenLock);
        size_t n = 0;
        for (const std::string& s : seen)
            n += s.find(part) != std::string::npos;
        return n;
    }

private:
    std::mutex seenLock;
    std::vector<std::string> seen;
};

// The peer's part for the compose dialog: the texts to write, one per dialog,
// after a pause that lets answers come in while the dialog is open.
ModalPeer::Play ComposeAndClose(ModalLoop* test, std::vector<std::string> texts, DWORD pause,
                                const std::string& number = "601234567") {
    auto next = std::make_shared<std::atomic<size_t>>(0);
    return [=](HWND w) {
        test->Saw(w);
        if (ModalPeer::Has(w, IDC_SMS_TEXT) && *next < texts.size()) {
            ModalPeer::SetText(w, IDC_SMS_NUMBER, number);
            ModalPeer::SetText(w, IDC_SMS_TEXT, texts[(*next)++]);
            ::Sleep(pause);
            Press(w, IDOK);
        } else {
            Press(w, ModalPeer::Has(w, IDYES) ? IDYES : IDOK);
        }
    };
}

TEST_F(ModalLoop, ARefusedStoredPasswordIsTriedOnceWhileItsBoxIsOpen) {
    std::atomic<int> openWithBox{0};
    std::atomic<size_t> loginsWithBox{0};
    std::atomic<bool> first{true};
    Start("zle-haslo", [&](HWND w) {
        Saw(w);
        if (first.exchange(false)) {
            // While the box is open, the 30 s timer comes round more than once.
            for (int i = 0; i < 3; ++i)
                ::PostMessageA(dlg().m_hWnd, WM_TIMER, 2, 0);
            ::Sleep(1500);
            openWithBox = static_cast<int>(peer->OpenWindows().size());
            loginsWithBox = Count("LOGIN");
        }
        Press(w, IDOK);
    });
    ASSERT_TRUE(PumpUntil([&] { return SawWith("Nieprawidłowy login") > 0 && Idle(); }));
    Pump(2500);
    EXPECT_EQ(openWithBox, 1) << "no second box on top of the first";
    EXPECT_EQ(loginsWithBox, 1u);
    EXPECT_EQ(Count("LOGIN"), 1u) << "one refusal, one LOGIN";
    EXPECT_EQ(SawWith("Nieprawidłowy login"), 1u);
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Password", "-"), "-");
    EXPECT_EQ(app.GetProfileString("BriskoPC", "ProtectedPassword", "-"), "-");
}

TEST_F(ModalLoop, ASecondSmsWrittenWhileTheFirstIsOnItsWayGoesOutOnceAfterIt) {
    StartLoggedIn(ComposeAndClose(this, {"pierwszy", "drugi"}, 500));
    ASSERT_TRUE(sim.Slow(kSlowAnswer));
    Compose();
    // The first SENDSMS is on its way while the second dialog is open.
    Compose();
    ASSERT_TRUE(WaitForSms(2));
    EXPECT_EQ(sim.Sms().size(), 2u);
    EXPECT_EQ(SmsWith("pierwszy"), 1u);
    EXPECT_EQ(SmsWith("drugi"), 1u);
    EXPECT_EQ(SawWith("SMSy ze Skrzynki Nadawczej wysłane!"), 1u);
    EXPECT_EQ(dlg().m_nOutboxState, 0);
}

TEST_F(ModalLoop, DeletingTheSmsOnItsWayLeavesTheRestGoing) {
    StartLoggedIn(ComposeAndClose(this, {"usuniety", "nastepny"}, 0));
    // Both wait in the outbox while the service seems away.
    dlg().m_nSessionState = 1;
    Compose();
    Compose();
    dlg().m_nSessionState = 2;
    ASSERT_TRUE(sim.Slow(kSlowAnswer));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    ASSERT_TRUE(PumpUntil([&] { return dlg().m_nThreads > 0; }));
    // The first SMS, on its way, is deleted; the second waits behind it.
    MessageRecord* onItsWay = dlg().m_messages.FirstOutboxSms();
    ASSERT_EQ(onItsWay->strText, "usuniety");
    dlg().m_wndTree.SelectItem(onItsWay->hItem);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_DELETE, 0);
    ASSERT_NE(FirstOutboxItem(), nullptr) << "the second still waits";
    ASSERT_TRUE(WaitForSms(2)) << "the SMS behind the deleted one went out";
    EXPECT_EQ(SmsWith("usuniety"), 1u);
    EXPECT_EQ(SmsWith("nastepny"), 1u);
    EXPECT_EQ(dlg().m_nOutboxState, 0);
}

TEST_F(ModalLoop, LogOffWhileAnSmsIsOnItsWaySendsItOnceAndKeepsTheBalance) {
    StartLoggedIn(ComposeAndClose(this, {"w drodze"}, 0));
    ASSERT_TRUE(sim.Slow(kSlowAnswer));
    Compose();
    ASSERT_TRUE(PumpUntil([&] { return dlg().m_nThreads > 0; }));
    // The SMS's answer comes while the log-off box is open.
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOGOFF, 0);
    ASSERT_TRUE(WaitForSms(1));
    EXPECT_EQ(dlg().m_nCredits, 250) << "the late answer is not the next login's";
    sim.Slow(0);

    // The same account again: the SMS of the file is known to have arrived.
    dlg().m_strLogin = kLogin;
    dlg().m_strPassword = kPassword;
    dlg().Login(kLogin, kPassword);
    ASSERT_TRUE(PumpUntil([&] { return dlg().m_nSessionState == 2 && Idle(); }));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Pump(300);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    Pump(300);
    EXPECT_EQ(SmsWith("w drodze"), 1u);
    EXPECT_EQ(Count("STATUSSMS"), 1u) << "checked once before it could go again";
    EXPECT_EQ(FirstOutboxItem(), nullptr);
    EXPECT_EQ(SawWith("jeszcze raz?"), 0u);
}

TEST_F(ModalLoop, ExitWhileAnSmsIsOnItsWaySendsItOnce) {
    StartLoggedIn(ComposeAndClose(this, {"przed końcem"}, 0));
    ASSERT_TRUE(sim.Slow(kSlowAnswer));
    Compose();
    ASSERT_TRUE(PumpUntil([&] { return dlg().m_nThreads > 0; }));
    peer.reset();
    dlg().OnClose();
    app.ExitInstance();
    sim.Slow(0);
    ASSERT_EQ(SmsWith("przed końcem"), 1u);
    // Its answer came while the program ended: the SMS is not left in the file.
    std::ifstream file(OutboxFile(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.find("przed"), std::string::npos);

    StartLoggedIn(ComposeAndClose(this, {}, 0));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Pump(300);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    Pump(300);
    EXPECT_EQ(SmsWith("przed końcem"), 1u) << "not sent again after the restart";
    EXPECT_EQ(FirstOutboxItem(), nullptr);
}

TEST_F(ModalLoop, AContactRemovedWhileItsEditDialogIsOpenIsNotEdited) {
    StartLoggedIn([&](HWND w) {
        Saw(w);
        if (ModalPeer::Has(w, IDC_CONTACT_NAME)) {
            // The deletion's answer arrives while the dialog is open.
            ::Sleep(kSlowAnswer + 1000);
            ModalPeer::SetText(w, IDC_CONTACT_NAME, "Nowa nazwa");
            Press(w, IDOK);
        } else {
            Press(w, ModalPeer::Has(w, IDYES) ? IDYES : IDOK);
        }
    });
    Contact* c = dlg().m_contacts.FindByNumber("+48601234567");
    ASSERT_NE(c, nullptr);
    dlg().m_wndTree.SelectItem(c->hItem);
    ASSERT_TRUE(sim.Slow(kSlowAnswer));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_EDIT, 0);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    Pump(kSlowAnswer + 500);
    EXPECT_EQ(dlg().m_contacts.FindByNumber("+48601234567"), nullptr);
    EXPECT_EQ(Count("DELETECONTACT"), 1u);
    EXPECT_EQ(Count("EDITCONTACT"), 0u) << "nothing sent for a contact that is gone";
}

TEST_F(ModalLoop, AnSmsThatLeftWhileItsEditDialogWasOpenKeepsItsText) {
    StartLoggedIn([&](HWND w) {
        Saw(w);
        if (ModalPeer::Has(w, IDC_SMS_TEXT) && DialogText(w).find("przed") == std::string::npos) {
            ModalPeer::SetText(w, IDC_SMS_NUMBER, "601234567");
            ModalPeer::SetText(w, IDC_SMS_TEXT, "przed");
            Press(w, IDOK);
        } else if (ModalPeer::Has(w, IDC_SMS_TEXT)) {
            // The edit of the SMS on its way: its answer comes meanwhile.
            ::Sleep(kSlowAnswer + 1000);
            ModalPeer::SetText(w, IDC_SMS_TEXT, "po");
            Press(w, IDOK);
        } else {
            Press(w, IDOK);
        }
    });
    ASSERT_TRUE(sim.Slow(kSlowAnswer));
    Compose();
    ASSERT_TRUE(PumpUntil([&] { return dlg().m_nThreads > 0; }));
    HTREEITEM item = FirstOutboxItem();
    int id = static_cast<int>(dlg().m_wndTree.GetItemData(item));
    dlg().m_wndTree.SelectItem(item);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_EDIT, 0);
    ASSERT_TRUE(WaitForSms(1));
    EXPECT_EQ(SmsWith("przed"), 1u);
    MessageRecord* r = dlg().m_messages.FindByListId(id);
    ASSERT_NE(r, nullptr);
    EXPECT_FALSE(r->bInOutbox);
    EXPECT_EQ(r->strText, "przed") << "the sent SMS shows what went out";
    EXPECT_EQ(SawWith("nie można już zmienić"), 1u);
}

TEST_F(ModalLoop, AMessageThatArrivesBehindTheQuestionGoesWithTheClearedHistory) {
    const Path history = ClientDataFile(kLogin + std::string("-600100201.hst"));
    auto answers = std::make_shared<std::atomic<int>>(0);
    StartLoggedIn([&, answers](HWND w) {
        Saw(w);
        if (DialogText(w).find("historię rozmowy") == std::string::npos) {
            Press(w, ModalPeer::Has(w, IDYES) ? IDYES : IDOK);
        } else if ((*answers)++ == 0) {
            Press(w, IDNO);
        } else {
            // Jan writes while the user thinks it over.
            sim.AnswerOnce("RECEIVEMSG",
                           "RECEIVEMSGOK\r\n18\r\n1\r\n2002-06-01 14:06:00\r\nJestem");
            ::PostMessageA(dlg().m_hWnd, WM_PUSH_MSG, 2, 0);
            ::Sleep(kSlowAnswer);
            Press(w, IDYES);
        }
    });
    Contact* jan = dlg().m_contacts.FindByNumber("+48600100201");
    ASSERT_NE(jan, nullptr);
    sim.AnswerOnce("RECEIVEMSG", "RECEIVEMSGOK\r\n18\r\n1\r\n2002-06-01 14:05:00\r\nHalo");
    dlg().ReceiveMsg(1);
    ASSERT_TRUE(PumpUntil([&] { return jan->pChatDlg && Idle(); }));
    ASSERT_TRUE(Exists(history));
    dlg().m_wndTree.SelectItem(jan->hItem);

    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CLEAR_HISTORY, 0);
    EXPECT_TRUE(Exists(history)) << "No keeps it";
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CLEAR_HISTORY, 0);
    EXPECT_EQ(SawWith("Czy na pewno usunąć całą historię rozmowy z Jan Kowalski?"), 2u);
    EXPECT_FALSE(Exists(history)) << "the message that came meanwhile went with it";
    EXPECT_EQ(WindowText(jan->pChatDlg->m_history.m_hWnd), "");

    sim.AnswerOnce("RECEIVEMSG", "RECEIVEMSGOK\r\n18\r\n1\r\n2002-06-01 14:07:00\r\nPo");
    dlg().ReceiveMsg(3);
    EXPECT_TRUE(PumpUntil([&] { return Exists(history); }));
    EXPECT_EQ(LastHistoryEntries(ReadFile(history), 10).size(), 1u) << "a new history begins";
    // Nothing left highlighted: closing asks nothing.
    jan->nHighlightMode = 0;
}

} // namespace
