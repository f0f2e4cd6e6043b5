// SMS in the real main window against the simulator: the compose dialog, the
// outbox and its file, sending one at a time with the balance and the prices,
// the status report, SMS that wait through a restart, and sent SMS that hang
// under their contacts again after one.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientProcess.h"
#include "ClientTest.h"
#include "MessageBox.h"
#include "ModalPeer.h"
#include "Messages.h"
#include "RecordLog.h"
#include "SentLog.h"
#include "SimControl.h"
#include "SmsDlg.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";

Path OutboxFile() {
    return ClientDataFile(kLogin + std::string(".obx"));
}

Path SentLogFile() {
    return ClientDataFile(kLogin + std::string(".snt"));
}

std::string FileBytes(const Path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Sms : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ::DeleteFileW(OutboxFile().c_str());
        UseFreshProfile(app, "briskopc-sms", "localhost", SimControl::HttpsPort());
        app.WriteProfileString("BriskoPC", "Login", kLogin);
        app.WriteProfileString("BriskoPC", "Password", "haslo123");
    }

    void TearDown() override {
        sim.Reachable();
        for (const char* f : {"SENDLONGSMS", "STATUSSMS", "GETCOSTS"})
            sim.Reset(f);
        if (app.m_pMainDlg && ::IsWindow(dlg().m_hWnd)) {
            boxes.Answer(IDYES);
            dlg().OnClose();
        }
        Pump(50);
        app.ExitInstance();
        ::DeleteFileW(OutboxFile().c_str());
        ::DeleteFileW(SentLogFile().c_str());
    }

    // The program ended ("Zakończ", a highlight's question answered) and started again.
    void Restart() {
        boxes.Answer(IDYES);
        dlg().OnClose();
        app.ExitInstance();
        Start();
    }

    void Start() {
        ASSERT_TRUE(app.InitInstance());
        StopTimers(dlg().m_hWnd);
        Settle();
    }

    // Waits until no request runs and no SMS is being sent.
    void Settle() {
        Pump(30);
        // After a refusal the sending state stays 2: then only the requests count.
        PumpUntil([this] { return dlg().m_nThreads == 0 && dlg().m_nOutboxState != 2; }, 8000);
        ASSERT_TRUE(PumpUntil([this] { return dlg().m_nThreads == 0; }));
        Pump(100);
    }

    // Writes an SMS with the main menu's command, through the real dialog.
    void Write(const std::string& number, const std::string& text, bool polish = false,
               bool class0 = false) {
        dialogs.Expect(IDD_SMS, [=](CDialog& d) {
            fw::SetItemText(d, IDC_SMS_NUMBER, number);
            fw::SetItemText(d, IDC_SMS_TEXT, text);
            fw::SetCheck(d, IDC_SMS_CLASS0, class0);
            fw::Press(d, IDOK);
        });
        ::SendMessageA(dlg().m_hWnd, WM_COMMAND, polish ? ID_MENU_SEND_SMS_PL : ID_MENU_SEND_SMS,
                       0);
    }

    std::vector<std::string> OutboxLabels() {
        return ChildLabels(dlg().m_wndTree, dlg().m_messages.m_hOutboxItem);
    }

    // The labels and images of the SMS under a contact, the newest first.
    std::vector<std::pair<std::string, int>> Hanging(const char* number) {
        std::vector<std::pair<std::string, int>> items;
        const Contact* c = dlg().m_contacts.FindByNumber(number);
        if (!c || !c->hItem)
            return items;
        CTreeCtrl& tree = dlg().m_wndTree;
        for (HTREEITEM item = tree.GetChildItem(c->hItem); item;
             item = tree.GetNextSiblingItem(item))
            items.push_back({TreeItemText(tree.m_hWnd, item), tree.GetItemImage(item)});
        return items;
    }

    int OutboxImage() { return dlg().m_wndTree.GetItemImage(dlg().m_messages.m_hOutboxItem); }

    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const auto& box : boxes.Shown())
            texts.push_back(box.text);
        return texts;
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
    SimControl sim;
};

TEST_F(Sms, TheDialogCountsPartsPricesAndGuardsClassZero) {
    Start();
    struct Seen {
        std::string counter, price;
        bool class0Enabled, class0Checked;
    };
    std::vector<Seen> seen;
    auto look = [&](CDialog& d) {
        seen.push_back({WindowText(d.GetDlgItem(IDC_SMS_COUNTER)),
                        WindowText(d.GetDlgItem(IDC_SMS_PRICE)),
                        ::IsWindowEnabled(d.GetDlgItem(IDC_SMS_CLASS0)) != 0,
                        ::IsDlgButtonChecked(d.m_hWnd, IDC_SMS_CLASS0) == BST_CHECKED});
    };
    dialogs.Expect(IDD_SMS, [&](CDialog& d) {
        look(d);
        fw::SetCheck(d, IDC_SMS_CLASS0, true);
        fw::TypeText(d, IDC_SMS_TEXT, std::string(160, 'a'));
        look(d);
        fw::TypeText(d, IDC_SMS_TEXT, std::string(161, 'a'));
        look(d);
        fw::TypeText(d, IDC_SMS_TEXT, std::string(459, 'a'));
        look(d);
        fw::TypeText(d, IDC_SMS_TEXT, std::string(460, 'a'));
        look(d);
        fw::SetItemText(d, IDC_SMS_NUMBER, "601234567");
        fw::Press(d, IDOK);
        fw::TypeText(d, IDC_SMS_TEXT, "abc\r\ndef");
        look(d);
        fw::SetItemText(d, IDC_SMS_NUMBER, "611234567");
        fw::Press(d, IDOK);
        fw::Press(d, IDCANCEL);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0);

    // The demo account has class 1: 25 a plain SMS.
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].counter, "Liczba znaków: 0, SMSy: 0");
    EXPECT_EQ(seen[0].price, "Cena: 25 BPS");
    EXPECT_EQ(seen[1].counter, "Liczba znaków: 160, SMSy: 1");
    EXPECT_TRUE(seen[1].class0Enabled);
    EXPECT_TRUE(seen[1].class0Checked);
    EXPECT_EQ(seen[2].counter, "Liczba znaków: 161, SMSy: 2");
    EXPECT_EQ(seen[2].price, "Cena: 50 BPS");
    EXPECT_FALSE(seen[2].class0Enabled);
    EXPECT_FALSE(seen[2].class0Checked);
    EXPECT_EQ(seen[3].counter, "Liczba znaków: 459, SMSy: 3");
    EXPECT_EQ(seen[4].counter, "Liczba znaków: 460, SMSy: 4");
    EXPECT_EQ(seen[5].counter, "Liczba znaków: 8, SMSy: 1");
    EXPECT_TRUE(seen[5].class0Enabled);
    EXPECT_FALSE(seen[5].class0Checked) << "cleared, and not restored";
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Za długa treść smsa. Maks. 459 znaków w 3 SMSach.",
                                        "Nieprawidłowy numer telefonu!"}));
    EXPECT_TRUE(OutboxLabels().empty()) << "cancelled: nothing left behind";

    dialogs.Expect(IDD_SMS, [&](CDialog& d) {
        EXPECT_EQ(WindowText(d.m_hWnd), "BriskoPC - Wyślij SMSa z polskimi znakami");
        EXPECT_EQ(WindowText(d.GetDlgItem(IDC_SMS_PRICE)), "Cena: 50 BPS");
        fw::SetItemText(d, IDC_SMS_NUMBER, "601234567");
        fw::TypeText(d, IDC_SMS_TEXT, std::string(71, 'a'));
        fw::Press(d, IDOK);
        fw::Press(d, IDCANCEL);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS_PL, 0);
    EXPECT_EQ(Texts().back(), "Za długa treść smsa. Maks. 70 znaków.");
}

TEST_F(Sms, WithoutTheServiceSmsWaitInTheOutboxAndItsFile) {
    ASSERT_TRUE(sim.Unreachable());
    Start();
    ASSERT_EQ(dlg().m_nSessionState, 0);
    std::vector<std::string> notices;
    dialogs.Expect(IDD_SMS, [](CDialog& d) {
        fw::SetItemText(d, IDC_SMS_NUMBER, "601234567");
        fw::SetItemText(d, IDC_SMS_TEXT, "Pierwszy");
        fw::Press(d, IDOK);
    });
    dialogs.Expect(IDD_SYSTEM_MESSAGE, [&](CDialog& d) {
        notices.push_back(WindowText(d.GetDlgItem(IDC_MESSAGE_TEXT)));
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0);
    Write("501234567", "Drugi");

    EXPECT_EQ(notices, std::vector<std::string>{"Z powodu braku połączenia z Briskiem, ten SMS i "
                                                "nastepne zostaną umieszczone w Skrzynce "
                                                "Nadawczej."})
        << "the notice comes once";
    EXPECT_EQ(OutboxLabels(), (std::vector<std::string>{"+48501234567", "+48601234567"}));
    EXPECT_EQ(OutboxImage(), 9);
    EXPECT_EQ(dlg().m_nOutboxState, 1);
    std::string file = FileBytes(OutboxFile());
    EXPECT_EQ(file.substr(0, 7), std::string("BPC\2\0\0\0", 7));
    EXPECT_NE(file.find("Pierwszy"), std::string::npos);
    EXPECT_NE(file.find("Drugi"), std::string::npos);

    // Deleting and editing rewrite the file at once.
    MessageRecord* first = dlg().m_messages.FirstOutboxSms();
    dlg().m_wndTree.SelectItem(first->hItem);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_DELETE, 0);
    EXPECT_EQ(FileBytes(OutboxFile()).find("Pierwszy"), std::string::npos);
    dlg().m_wndTree.SelectItem(dlg().m_messages.FirstOutboxSms()->hItem);
    dialogs.Expect(IDD_SMS, [](CDialog& d) {
        EXPECT_EQ(WindowText(d.GetDlgItem(IDC_SMS_NUMBER)), "501234567");
        fw::SetItemText(d, IDC_SMS_TEXT, "Poprawiony");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_EDIT, 0);
    file = FileBytes(OutboxFile());
    EXPECT_NE(file.find("Poprawiony"), std::string::npos);
    EXPECT_EQ(file.find("Drugi"), std::string::npos);

    dlg().m_wndTree.SelectItem(dlg().m_messages.FirstOutboxSms()->hItem);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_DELETE, 0);
    EXPECT_EQ(OutboxImage(), 15);
}

TEST_F(Sms, AnOutboxFileThatCannotBeWrittenLosesNoSms) {
    ASSERT_TRUE(sim.Unreachable());
    // A folder where the new file would go: every write of the outbox fails.
    const Path blocked = ClientDataFile(kLogin + std::string(".obx.new"));
    ::CreateDirectoryW(blocked.c_str(), nullptr);
    Start();
    Write("600100201", "Mimo pełnego dysku");
    EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48600100201"});
    // Logged off, the SMS wait for their login; the file can take them again later.
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOGOFF, 0);
    const bool written = ::GetFileAttributesW(OutboxFile().c_str()) != INVALID_FILE_ATTRIBUTES;
    ::RemoveDirectoryW(blocked.c_str());
    EXPECT_FALSE(written);
    EXPECT_TRUE(OutboxLabels().empty());

    // Logged in again, as the login dialog does it.
    ASSERT_TRUE(sim.Reachable());
    dlg().m_strLogin = kLogin;
    dlg().m_strPassword = "haslo123";
    dlg().Login(kLogin, "haslo123");
    Settle();
    EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48600100201"});
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    std::vector<std::string> sms = sim.Sms();
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_NE(sms[0].find("Mimo pełnego dysku"), std::string::npos) << sms[0];
    EXPECT_EQ(OutboxImage(), 15);
}

TEST_F(Sms, TheOutboxGoesOutOneAtATimeAndReportsTheEnd) {
    // The notices that the SMS wait are closed as they come.
    ASSERT_TRUE(sim.Unreachable());
    Start();
    Write("600100201", "Do Jana, z ąę");
    Write("509876543", "Zażółć spoza kontaktów", true, true);
    ASSERT_TRUE(sim.Reachable());
    dlg().Login(kLogin, "haslo123");
    Settle();
    ASSERT_EQ(dlg().m_nSessionState, 2);
    int before = dlg().m_nCredits;

    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    std::vector<std::string> sms = sim.Sms();
    ASSERT_EQ(sms.size(), 2u);
    EXPECT_NE(sms[0].find("+48600100201"), std::string::npos) << sms[0];
    EXPECT_NE(sms[0].find("Do Jana, z \271\352"), std::string::npos) << "Polish letters intact";
    EXPECT_NE(sms[0].find("class0=0 unicode=0"), std::string::npos) << sms[0];
    EXPECT_NE(sms[1].find("+48509876543"), std::string::npos);
    EXPECT_NE(sms[1].find("class0=1 unicode=1"), std::string::npos) << sms[1];
    EXPECT_NE(sms[1].find("Za\277\363\263\346"), std::string::npos) << sms[1];
    EXPECT_EQ(Texts().back(), "SMSy ze Skrzynki Nadawczej wysłane!");
    EXPECT_EQ(OutboxImage(), 15);
    EXPECT_EQ(dlg().m_nOutboxState, 0);
    // A plain SMS costs 25 in class 1, one with Polish letters 50.
    EXPECT_EQ(dlg().m_nCredits, before - 75);
    EXPECT_EQ(WindowText(dlg().GetDlgItem(IDC_STATUS)),
              "Bps:" + std::to_string(before - 75) + " kl.:1 dni:30 ");
    // Sent SMS hang under their contact, or under the pseudo-contact.
    const Contact* jan = dlg().m_contacts.FindByNumber("+48600100201");
    ASSERT_NE(jan, nullptr);
    HTREEITEM child = dlg().m_wndTree.GetChildItem(jan->hItem);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(TreeItemText(dlg().m_wndTree.m_hWnd, child), "Do Jana, z ąę");
    EXPECT_NE(
        dlg().m_messages.FindByListId(static_cast<int>(dlg().m_wndTree.GetItemData(child)))->nSmsId,
        0);
}

TEST_F(Sms, RefusalsKeepTheSmsFirstInTheOutbox) {
    Start();
    ASSERT_TRUE(sim.Answer("SENDLONGSMS", "NOCREDITS\r\n0\r\n0\r\n"));
    Write("601234567", "Bez środków");
    Settle();
    EXPECT_EQ(dlg().m_nCredits, 0);
    EXPECT_EQ(Texts().back(), "Brak brisków na koncie.");
    EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48601234567"});
    EXPECT_EQ(dlg().m_nOutboxState, 2);

    // "SENDSMSFAILED" alone is not recognised: sending stops.
    ASSERT_TRUE(sim.Answer("SENDLONGSMS", "SENDSMSFAILED"));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    EXPECT_EQ(Texts().back(), "Nieudane wysłanie SMSa.");
    EXPECT_EQ(dlg().m_nOutboxState, 0);
    EXPECT_EQ(dlg().m_nCredits, 0);

    // The service gone while sending: the SMS waits.
    ASSERT_TRUE(sim.Unreachable());
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    EXPECT_EQ(Texts().back(), "Z powodu braku połączenia z Briskiem, ten SMS i nastepne zostaną "
                              "umieszczone w Skrzynce Nadawczej.");
    EXPECT_EQ(dlg().m_nOutboxState, 1);
    // A broken connection does not tell whether the SMS had gone: it waits,
    // marked uncertain.
    EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48601234567 (?)"});
}

TEST_F(Sms, AnSmsCutOffAfterItLeftIsNotSentAgainWhenTheServiceHasIt) {
    Start();
    // The service takes the SMS, then the connection drops before its answer.
    ASSERT_TRUE(sim.Slow(3000));
    Write("601234567", "bez odpowiedzi");
    ASSERT_TRUE(PumpUntil([this] {
        std::vector<std::string> f = sim.LoggedFunctions();
        return std::find(f.begin(), f.end(), "SENDLONGSMS") != f.end();
    }));
    Pump(300);
    ASSERT_TRUE(sim.Unreachable());
    ASSERT_TRUE(PumpUntil([this] { return dlg().m_nThreads == 0; }));
    sim.Slow(0);
    ASSERT_TRUE(sim.Reachable());
    EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48601234567 (?)"});
    // Marked in the file too: a restart must not send it by itself either.
    EXPECT_NE(FileBytes(OutboxFile()).find("BPCU"), std::string::npos);

    dlg().m_nSessionState = 2;
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    EXPECT_EQ(sim.Sms().size(), 1u) << "the status report showed it: not sent again";
    EXPECT_TRUE(OutboxLabels().empty());
    EXPECT_EQ(FileBytes(OutboxFile()).find("bez odpowiedzi"), std::string::npos);
    for (const std::string& text : Texts())
        EXPECT_EQ(text.find("jeszcze raz?"), std::string::npos) << text;
}

TEST_F(Sms, AnSmsWhoseAnswerIsLostOnTheWayReachesTheServiceOnce) {
    Start();
    // The service takes it and the line breaks before the answer: on a kept-alive
    // connection WinInet would send it again by itself.
    ASSERT_TRUE(sim.LoseAnswer("SENDLONGSMS"));
    Write("601234567", "zgubiona odpowiedz");
    Settle();
    EXPECT_EQ(sim.Sms().size(), 1u);
    EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48601234567 (?)"});
}

TEST_F(Sms, AnUncertainSmsTheServiceDoesNotShowGoesAgainOnlyWhenTheUserSaysSo) {
    Start();
    // A cut answer: the service may have taken the SMS (here it did not).
    for (int answer : {IDNO, IDYES}) {
        ASSERT_TRUE(sim.AnswerOnce("SENDLONGSMS", "SENDSMSO"));
        Write("601234567", answer == IDYES ? "tak" : "nie");
        Settle();
        EXPECT_EQ(Texts().back(), "Nieudane wysłanie SMSa.");
        EXPECT_EQ(OutboxLabels(), std::vector<std::string>{"+48601234567 (?)"});

        boxes.Answer(answer);
        ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
        Settle();
        ASSERT_GE(Texts().size(), 2u);
        EXPECT_NE(std::find_if(Texts().begin(), Texts().end(),
                               [](const std::string& t) {
                                   return t == "Nie wiadomo, czy SMS do +48601234567 dotarł do "
                                               "serwisu Brisko: odpowiedź na jego wysłanie nie "
                                               "nadeszła. Wysłać go jeszcze raz?";
                               }),
                  Texts().end());
        EXPECT_TRUE(OutboxLabels().empty());
    }
    std::vector<std::string> sms = sim.Sms();
    ASSERT_EQ(sms.size(), 1u) << "only the one the user sent again";
    EXPECT_NE(sms[0].find("tak"), std::string::npos);
}

TEST_F(Sms, ASendPostedWhileTheSessionGoesDoesNotStickTheOutbox) {
    Start();
    boxes.Answer(IDOK);
    dialogs.Expect(IDD_SMS, [](CDialog& d) {
        fw::SetItemText(d, IDC_SMS_NUMBER, "601234567");
        fw::SetItemText(d, IDC_SMS_TEXT, "po drodze");
        fw::Press(d, IDOK);
    });
    // The send is posted; the session is lost before it is handled.
    ::PostMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0);
    ::PostMessageA(dlg().m_hWnd, WM_USER + 99, 0, 0);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) && msg.message != WM_USER + 99)
        ::DispatchMessageA(&msg);
    ASSERT_EQ(dlg().m_nOutboxState, 2);
    dlg().m_nSessionState = 0;
    Pump(100);
    EXPECT_EQ(dlg().m_nOutboxState, 1) << "waiting, for the timer to try again";
    EXPECT_TRUE(sim.Sms().empty());
}

TEST_F(Sms, TheStatusReport) {
    Start();
    ASSERT_TRUE(sim.Answer("STATUSSMS", "NOSTATUS"));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_SMS_STATUS, 0);
    Settle();
    EXPECT_EQ(Texts().back(), "Brak danych w statusie smsów.");

    int rows = -1;
    auto count = [&](CDialog& d) {
        rows = ListView_GetItemCount(d.GetDlgItem(IDC_STATUS_LIST));
        fw::Press(d, IDOK);
    };
    ASSERT_TRUE(sim.Answer("STATUSSMS", "NOSTATUS\r\n"));
    dialogs.Expect(IDD_SMS_STATUS, count);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_SMS_STATUS, 0);
    Settle();
    EXPECT_EQ(rows, 0) << "with a line end it is no \"NOSTATUS\": an empty report";

    ASSERT_TRUE(sim.Answer("STATUSSMS", "STATUSOK 2\r\n1;SMS;+48600100200;+48601234567;25;a;b;"
                                        "dor%EAczony;\r\n2;SMS;x;y;25;a;b;c;\r\n"));
    std::string status;
    RECT client = {}, button = {}, unit = {0, 0, 5, 5};
    MINMAXINFO info = {};
    dialogs.Expect(IDD_SMS_STATUS, [&](CDialog& d) {
        HWND list = d.GetDlgItem(IDC_STATUS_LIST);
        rows = ListView_GetItemCount(list);
        status = ListItemText(list, 0, 7);
        // Resized, the button keeps 5 dialog units from the bottom-right corner.
        ::SetWindowPos(d.m_hWnd, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
        ::GetClientRect(d.m_hWnd, &client);
        ::GetWindowRect(d.GetDlgItem(IDOK), &button);
        ::MapWindowPoints(nullptr, d.m_hWnd, reinterpret_cast<POINT*>(&button), 2);
        ::MapDialogRect(d.m_hWnd, &unit);
        ::SendMessageA(d.m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_SMS_STATUS, 0);
    Settle();
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(status, "doręczony");
    EXPECT_NEAR(client.right - button.right, unit.right, 2);
    EXPECT_NEAR(client.bottom - button.bottom, unit.bottom, 2);
    EXPECT_EQ(info.ptMinTrackSize.x, 400);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
}

TEST_F(Sms, TheStatusReportIsAskedForTheAccountOrOneContact) {
    Start();
    const Contact* jan = dlg().m_contacts.FindByNumber("+48600100201");
    ASSERT_NE(jan, nullptr) << "the demo account's contact";
    ASSERT_TRUE(sim.Answer("STATUSSMS", "NOSTATUS"));
    sim.ClearLog();
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_SMS_STATUS, 0);
    Settle();
    dlg().m_wndTree.SelectItem(jan->hItem);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_SMS_ARCHIVE, 0);
    Settle();
    std::vector<std::string> targets;
    for (const std::string& line : sim.Log())
        targets.push_back(line.substr(line.find("/briskopc.asp") + 1));
    EXPECT_EQ(targets,
              (std::vector<std::string>{"briskopc.asp?function=STATUSSMS",
                                        "briskopc.asp?function=STATUSSMS&number=600100201"}));
}

TEST_F(Sms, WaitingSmsSurviveARestartAndGoOutOnceInOrder) {
    ASSERT_TRUE(sim.Unreachable());
    Start();
    for (const char* text : {"jeden", "dwa", "trzy"})
        Write("601234567", text);
    EXPECT_EQ(OutboxLabels().size(), 3u);
    dlg().OnClose();
    app.ExitInstance();

    ASSERT_TRUE(sim.Reachable());
    Start();
    ASSERT_EQ(dlg().m_nSessionState, 2);
    EXPECT_EQ(OutboxLabels().size(), 3u) << "read back from the file";
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    std::vector<std::string> sms = sim.Sms();
    ASSERT_EQ(sms.size(), 3u);
    EXPECT_NE(sms[0].find("jeden"), std::string::npos);
    EXPECT_NE(sms[1].find("dwa"), std::string::npos);
    EXPECT_NE(sms[2].find("trzy"), std::string::npos);

    // Log-off and a new login do not send them again.
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOGOFF, 0);
    Settle();
    dlg().Login(kLogin, "haslo123");
    Settle();
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_SEND, 0);
    Settle();
    EXPECT_EQ(sim.Sms().size(), 3u);
}

// The compose dialog in its real modal loop, the user played from another
// thread: picking the recipient from the contacts.
class SmsPicker : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ::DeleteFileW(OutboxFile().c_str());
    }

    void TearDown() override {
        peer.reset();
        sim.Reset("GETCONTACTS");
        EndClient(app, nullptr);
        ::DeleteFileW(OutboxFile().c_str());
        // The other tests find the account's own contacts there.
        ::DeleteFileW(ClientDataFile(kLogin + std::string(".cts")).c_str());
    }

    // Logged in with the service's contact list; the peer plays each dialog and box.
    void Start(const std::string& contacts, ModalPeer::Play play) {
        ASSERT_TRUE(sim.Answer("GETCONTACTS", "CONTACTSOK\r\n" + contacts));
        ASSERT_TRUE(StartLoggedIn(app, "briskopc-picker", SimControl::HttpsPort(), kLogin));
        peer = std::make_unique<ModalPeer>(dlg().m_hWnd, std::move(play));
    }

    // Writes one SMS; back when it has gone and nothing is open any more.
    bool Compose() {
        size_t sent = sim.Sms().size();
        ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0);
        return PumpUntil([&] {
            return sim.Sms().size() > sent && dlg().m_nThreads == 0 && peer->OpenWindows().empty();
        });
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    CBriskoPCApp app;
    SimControl sim;
    std::unique_ptr<ModalPeer> peer;
};

// The popup menu a thread has open, if any.
HWND OpenMenu(HWND owner) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            ::EnumThreadWindows(
                ::GetWindowThreadProcessId(owner, nullptr),
                [](HWND w, LPARAM param) {
                    char kind[16] = "";
                    if (::IsWindowVisible(w) && ::GetClassNameA(w, kind, sizeof kind) &&
                        !strcmp(kind, "#32768"))
                        *reinterpret_cast<HWND*>(param) = w;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&found));
            return found != nullptr;
        },
        5000);
    return found;
}

std::string ItemText(HWND dialog, int nID) {
    return WindowText(::GetDlgItem(dialog, nID));
}

// What the user sees of the dialog after picking a contact and typing.
struct Seen {
    bool canPick = false;
    std::vector<std::string> items;
    std::string picked, number, counter, price;
};

// The user opens the contacts' menu, picks the item with the keyboard and
// waits for the number field to take it; with a file name the dialog and its
// open menu are shot first.
void Pick(HWND dialog, const std::string& item, Seen& seen, const std::string& shot = "") {
    seen.canPick = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_SMS_PICK));
    Press(dialog, IDC_SMS_PICK);
    HWND menu = OpenMenu(dialog);
    if (!menu)
        return;
    seen.items = MenuTexts(reinterpret_cast<HMENU>(::SendMessageA(menu, MN_GETHMENU, 0, 0)));
    if (!shot.empty()) {
        RECT d, m, both;
        ::GetWindowRect(dialog, &d);
        ::GetWindowRect(menu, &m);
        ::UnionRect(&both, &d, &m);
        // Wine's X screen may keep a fresh menu below its dialog: stacked anew, it is on top.
        for (HWND after : {HWND_NOTOPMOST, HWND_TOPMOST})
            ::SetWindowPos(menu, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::Sleep(300);
        ShootScreen(both, shot);
    }
    auto at = std::find(seen.items.begin(), seen.items.end(), item);
    for (auto i = seen.items.begin(); i <= at && at != seen.items.end(); ++i)
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, at == seen.items.end() ? VK_ESCAPE : VK_RETURN, 0);
    std::string before = ItemText(dialog, IDC_SMS_NUMBER);
    WaitFor([&] { return ItemText(dialog, IDC_SMS_NUMBER) != before; }, 3000);
    seen.picked = ItemText(dialog, IDC_SMS_NUMBER);
}

// Keys typed into a control, and what the dialog shows once it has taken them all.
void Type(HWND dialog, int nID, const std::string& text, Seen& seen) {
    HWND control = ::GetDlgItem(dialog, nID);
    for (wchar_t c : Widen(text))
        ::PostMessageW(control, WM_CHAR, c, 0);
    WaitFor(
        [&] {
            std::string now = WindowText(control);
            return now.size() >= text.size() &&
                   now.compare(now.size() - text.size(), text.size(), text) == 0;
        },
        5000);
    seen.number = ItemText(dialog, IDC_SMS_NUMBER);
    seen.counter = ItemText(dialog, IDC_SMS_COUNTER);
    seen.price = ItemText(dialog, IDC_SMS_PRICE);
}

TEST_F(SmsPicker, TheContactsWithNumbersTheDialogTakesAreOfferedAndFillTheNumber) {
    Seen seen[2];
    std::atomic<int> round{0};
    Start("Zenon Nowak;+48601000001;0;-1;Adam & Ewa;+48501000002;0;-1;Zły numer;+48611000003;0;-1;"
          "Za krótki;+4869100000;0;-1;Ćma;+48691000004;0;-1;",
          [&](HWND w) {
              if (!ModalPeer::Has(w, IDC_SMS_PICK) || round > 1) {
                  Press(w, IDOK);
                  return;
              }
              Seen& s = seen[round];
              if (round == 0) {
                  Pick(w, "Zenon Nowak", s, ShotFile("sms-pick"));
                  Type(w, IDC_SMS_TEXT, "Halo", s);
              } else {
                  // Picked, then typed over.
                  Pick(w, "Adam && Ewa", s);
                  ::SendMessageA(::GetDlgItem(w, IDC_SMS_NUMBER), EM_SETSEL, 0, -1);
                  Type(w, IDC_SMS_NUMBER, "509876543", s);
                  Type(w, IDC_SMS_TEXT, std::string(161, 'a'), s);
              }
              ++round;
              Press(w, IDOK);
          });

    // As the tree shows them, without the numbers the dialog would refuse; a
    // menu shows "&&" as one "&".
    std::vector<std::string> offered;
    for (const std::string& label : ChildLabels(dlg().m_wndTree, dlg().m_contacts.m_hContactsItem))
        if (label != "Zły numer" && label != "Za krótki")
            offered.push_back(label == "Adam & Ewa" ? "Adam && Ewa" : label);
    ASSERT_EQ(offered.size(), 3u) << "the tree has the contacts";

    ASSERT_TRUE(Compose());
    ASSERT_TRUE(Compose());
    EXPECT_TRUE(seen[0].canPick);
    EXPECT_EQ(seen[0].items, offered);
    EXPECT_EQ(seen[0].picked, "601000001");
    EXPECT_EQ(seen[0].counter, "Liczba znaków: 4, SMSy: 1");
    EXPECT_EQ(seen[0].price, "Cena: 25 BPS");
    EXPECT_EQ(seen[1].picked, "501000002");
    EXPECT_EQ(seen[1].number, "509876543") << "typed over the picked number";
    EXPECT_EQ(seen[1].counter, "Liczba znaków: 161, SMSy: 2");
    EXPECT_EQ(seen[1].price, "Cena: 50 BPS");

    std::vector<std::string> sms = sim.Sms();
    ASSERT_EQ(sms.size(), 2u);
    EXPECT_NE(sms[0].find("+48601000001"), std::string::npos) << sms[0];
    EXPECT_NE(sms[0].find("Halo"), std::string::npos) << sms[0];
    EXPECT_NE(sms[1].find("+48509876543"), std::string::npos) << sms[1];
}

TEST_F(SmsPicker, WithNoContactTheDialogTakesThePickerIsGreyed) {
    std::atomic<int> canPick{-1};
    Start("Zły numer;+48611000003;0;-1;Stary;600100201;0;-1;", [&](HWND w) {
        canPick = ::IsWindowEnabled(::GetDlgItem(w, IDC_SMS_PICK));
        Press(w, IDCANCEL);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_MENU_SEND_SMS, 0);
    EXPECT_EQ(canPick, 0);
}

TEST_F(Sms, SentSmsHangUnderTheirContactsAgainAfterARestartAndReportsStillFindThem) {
    Start();
    Write("600100201", "Do Jana: zażółć gęślą jaźń, dłużej niż trzydzieści znaków");
    Settle();
    Write("509876543", "Spoza kontaktów");
    Settle();
    const auto jan = Hanging("+48600100201"), pseudo = Hanging("Brisko");
    ASSERT_EQ(jan.size(), 1u);
    ASSERT_EQ(pseudo.size(), 1u);
    EXPECT_EQ(pseudo[0].second, 8);
    std::vector<std::string> accepted = sim.Sms();
    ASSERT_EQ(accepted.size(), 2u);
    const int janId = std::atoi(accepted[0].c_str());

    Restart();
    EXPECT_EQ(Hanging("+48600100201"), jan);
    EXPECT_EQ(Hanging("Brisko"), pseudo);
    ::SendMessageA(dlg().m_hWnd, WM_PUSH_SMSREPORT, static_cast<WPARAM>(janId), 0);
    ASSERT_EQ(Hanging("+48600100201").size(), 1u);
    EXPECT_EQ(Hanging("+48600100201")[0].second, 9) << "the report found its SMS";
    ASSERT_NE(dlg().m_contacts.FindByNumber("+48600100201"), nullptr);
    EXPECT_EQ(dlg().m_contacts.FindByNumber("+48600100201")->nHighlightMode, 3);

    // Contacts shown again, by a second list or a login again, show each SMS once.
    dlg().SendGetContacts();
    Settle();
    dlg().Login(kLogin, "haslo123");
    Settle();
    const std::vector<std::pair<std::string, int>> reported = {{jan[0].first, 9}};
    EXPECT_EQ(Hanging("+48600100201"), reported);
    EXPECT_EQ(Hanging("Brisko"), pseudo);

    // The mark stays over a further restart, also one without the service,
    // from the contacts file.
    app.WriteProfileInt("BriskoPC", "ServicePort", 9);
    Restart();
    ASSERT_TRUE(PumpUntil([this] { return dlg().m_nContactsSource == 1; }));
    EXPECT_EQ(Hanging("+48600100201"), reported);
    EXPECT_EQ(Hanging("Brisko"), pseudo);
    app.WriteProfileInt("BriskoPC", "ServicePort", SimControl::HttpsPort());
    Restart();
    ASSERT_EQ(dlg().m_nSessionState, 2);
    Write("600100201", "Drugi do Jana");
    Settle();
    EXPECT_EQ(Hanging("+48600100201"),
              (std::vector<std::pair<std::string, int>>{{"Drugi do Jana", 8}, reported[0]}));
    std::vector<int> ids;
    dlg().m_messages.ForEachSentSms([&ids](const MessageRecord& r) { ids.push_back(r.nListId); });
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "list ids stay unique";
    EXPECT_GE(ids.front(), 1000);

    // Log-off takes them with the contacts; the next login, as the login
    // dialog makes it, shows them once again.
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOGOFF, 0);
    Settle();
    EXPECT_EQ(dlg().m_messages.FindBySmsId(janId), nullptr);
    dlg().m_strLogin = kLogin;
    dlg().Login(kLogin, "haslo123");
    Settle();
    EXPECT_EQ(Hanging("+48600100201"),
              (std::vector<std::pair<std::string, int>>{{"Drugi do Jana", 8}, reported[0]}));
    EXPECT_EQ(Hanging("Brisko"), pseudo);
}

TEST_F(Sms, TheLogSkipsATornRecordKeepsDeletionsAndHangsARemovedContactsSmsUnderThePseudoContact) {
    auto sent = [](uint64_t key, int id, const char* number, const char* text) {
        SentSmsEntry sms;
        sms.nKey = key;
        sms.nSmsId = id;
        sms.strNumber = number;
        sms.strText = text;
        return EncodeLogLine(SentSmsPayload(sms));
    };
    const std::string torn = sent(3, 503, "+48600100201", "Urwany przy awarii");
    {
        std::ofstream log(SentLogFile(), std::ios::binary);
        log << sent(1, 501, "+48600100201", "Pierwszy do Jana")
            << sent(2, 502, "+48601999888", "Do usuniętego kontaktu")
            << EncodeLogLine(ReportPayload(2)) << torn.substr(0, torn.size() / 2);
    }
    Start();
    EXPECT_EQ(Hanging("+48600100201"),
              (std::vector<std::pair<std::string, int>>{{"Pierwszy do Jana", 8}}));
    EXPECT_EQ(Hanging("Brisko"), (std::vector<std::pair<std::string, int>>{
                                     {"+48601999888: Do usuniętego kontaktu", 9}}));

    // Written after the torn record, a new one lands on a line of its own.
    Write("600100201", "Po urwanym");
    Settle();
    ASSERT_EQ(Hanging("+48600100201").size(), 2u);
    // "Usuń" on the first: it does not come back.
    const Contact* jan = dlg().m_contacts.FindByNumber("+48600100201");
    ASSERT_NE(jan, nullptr);
    CTreeCtrl& tree = dlg().m_wndTree;
    dlg().m_wndTree.SelectItem(tree.GetNextSiblingItem(tree.GetChildItem(jan->hItem)));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_DELETE, 0);
    EXPECT_EQ(Hanging("+48600100201"),
              (std::vector<std::pair<std::string, int>>{{"Po urwanym", 8}}));
    // A contact added, sent an SMS and removed: the SMS goes with his item, and
    // after a restart it hangs under the pseudo-contact.
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NAME, "Ćma Nocna");
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "691234567");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_ADD, 0);
    Settle();
    Write("691234567", "Do Ćmy");
    Settle();
    EXPECT_EQ(Hanging("+48691234567"), (std::vector<std::pair<std::string, int>>{{"Do Ćmy", 8}}));
    Contact* moth = dlg().m_contacts.FindByNumber("+48691234567");
    ASSERT_NE(moth, nullptr);
    dlg().m_wndTree.SelectItem(moth->hItem);
    boxes.Answer(IDYES);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);
    Settle();
    ASSERT_EQ(dlg().m_contacts.FindByNumber("+48691234567"), nullptr);
    EXPECT_EQ(Hanging("Brisko"), (std::vector<std::pair<std::string, int>>{
                                     {"+48601999888: Do usuniętego kontaktu", 9}}));

    Restart();
    EXPECT_EQ(dlg().m_contacts.FindByNumber("+48691234567"), nullptr) << "the service removed him";
    EXPECT_EQ(Hanging("+48600100201"),
              (std::vector<std::pair<std::string, int>>{{"Po urwanym", 8}}));
    EXPECT_EQ(Hanging("Brisko"),
              (std::vector<std::pair<std::string, int>>{
                  {"+48691234567: Do Ćmy", 8}, {"+48601999888: Do usuniętego kontaktu", 9}}));
}

TEST_F(Sms, AThousandSmsReadBackHaveUniqueListIdsAndEachCanBeDeleted) {
    {
        std::ofstream log(SentLogFile(), std::ios::binary);
        for (uint64_t key = 1; key <= 1200; ++key) {
            SentSmsEntry sms;
            sms.nKey = key;
            sms.nSmsId = static_cast<int>(key);
            sms.strNumber = "+48601999888";
            sms.strText = "SMS " + std::to_string(key);
            log << EncodeLogLine(SentSmsPayload(sms));
        }
    }
    Start();
    std::vector<std::pair<std::string, int>> shown = Hanging("Brisko");
    ASSERT_EQ(shown.size(), kMaxSentLogSms) << "the newest thousand";
    EXPECT_EQ(shown.front().first, "+48601999888: SMS 1200");
    EXPECT_EQ(shown.back().first, "+48601999888: SMS 201");
    std::vector<int> ids;
    dlg().m_messages.ForEachSentSms([&ids](const MessageRecord& r) { ids.push_back(r.nListId); });
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(ids.front(), 1000);

    // One more takes a list id past 1999, and is deleted like any other.
    Write("601999888", "Nowy");
    Settle();
    ASSERT_NE(dlg().m_contacts.FindByNumber("Brisko"), nullptr);
    HTREEITEM newest = dlg().m_wndTree.GetChildItem(dlg().m_contacts.FindByNumber("Brisko")->hItem);
    ASSERT_EQ(TreeItemText(dlg().m_wndTree.m_hWnd, newest), "+48601999888: Nowy");
    EXPECT_EQ(dlg().m_wndTree.GetItemData(newest), 2000);
    dlg().m_wndTree.SelectItem(newest);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OUTBOX_DELETE, 0);
    EXPECT_EQ(Hanging("Brisko").front().first, "+48601999888: SMS 1200");
    Restart();
    shown = Hanging("Brisko");
    ASSERT_EQ(shown.size(), kMaxSentLogSms);
    EXPECT_EQ(shown.front().first, "+48601999888: SMS 1200") << "the deleted one stays deleted";
    EXPECT_EQ(shown.back().first, "+48601999888: SMS 201");
}

} // namespace
