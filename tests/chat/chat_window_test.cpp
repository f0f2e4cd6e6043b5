// Instant messages in the real main window against the simulator: messages
// fetched into their contact's chat window, unknown senders, system messages,
// sending with its answers, and the chat window as the user handles it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "Files.h"
#include "HistoryFile.h"
#include "RecordLog.h"
#include "ClientTest.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kJan[] = "+48600100201";
const int kJanId = 18;
const COLORREF kBlue = RGB(0, 0, 0xFF), kBlack = RGB(0, 0, 0);

std::string Received(int userId, const std::string& kind, const std::string& rest,
                     const std::string& time = "2002-06-01 14:05:09") {
    return "RECEIVEMSGOK\r\n" + std::to_string(userId) + "\r\n" + kind + "\r\n" + time + "\r\n" +
           rest;
}

class Chat : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ASSERT_TRUE(StartLoggedIn(app, "briskopc-chat", SimControl::HttpsPort(), kLogin));
        ASSERT_NE(dlg().m_contacts.FindByNumber(kJan), nullptr);
        sim.ClearLog();
    }

    void TearDown() override {
        for (const char* f : {"RECEIVEMSG", "GETUSERINFO", "SENDTEXT"})
            sim.Reset(f);
        sim.Slow(0);
        sim.Reachable();
        sim.StartAfresh();
        EndClient(app, &boxes);
    }

    void Settle() { ASSERT_TRUE(::Settle(dlg())); }

    // One announced message, its answer given by the test.
    void Receive(int msgId, const std::string& answer) {
        ASSERT_TRUE(sim.AnswerOnce("RECEIVEMSG", answer));
        dlg().ReceiveMsg(msgId);
        Settle();
    }

    // The timer's next duties.
    void Duties() {
        dlg().m_nReloginCountdown = 0;
        dlg().OnTimer(1);
        Settle();
    }

    Contact& Jan() { return *dlg().m_contacts.FindByNumber(kJan); }
    CChatDlg* ChatOf(const Contact& c) { return c.pChatDlg.get(); }

    // What the history shows, its line ends as "\n" whichever the control gives.
    static std::string History(CChatDlg& chat) {
        std::string text = WindowText(chat.m_history.m_hWnd), out;
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] != '\r')
                out += text[i];
            else if (i + 1 == text.size() || text[i + 1] != '\n')
                out += '\n';
        return out;
    }

    // The format of the characters from..to, the selection left as it was.
    static CHARFORMATA FormatOf(CChatDlg& chat, LONG from, LONG to) {
        HWND h = chat.m_history.m_hWnd;
        CHARRANGE old, range = {from, to};
        ::SendMessageA(h, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&old));
        ::SendMessageA(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMATA cf = {};
        cf.cbSize = sizeof cf;
        ::SendMessageA(h, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        ::SendMessageA(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&old));
        return cf;
    }

    static void ExpectFormat(CChatDlg& chat, LONG from, LONG to, bool bold, COLORREF colour) {
        CHARFORMATA cf = FormatOf(chat, from, to);
        EXPECT_EQ((cf.dwEffects & CFE_BOLD) != 0, bold) << from << ".." << to;
        EXPECT_EQ(cf.dwEffects & CFE_UNDERLINE, 0u) << from << ".." << to;
        EXPECT_EQ(cf.crTextColor, colour) << from << ".." << to;
        EXPECT_STREQ(cf.szFaceName, "Tahoma");
        EXPECT_EQ(cf.yHeight, 180);
    }

    // Opens Jan's chat the way the contact menu does.
    CChatDlg& OpenJansChat() {
        dlg().m_wndTree.SelectItem(Jan().hItem);
        ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_OPEN_CHAT, 0);
        return *ChatOf(Jan());
    }

    HWND Input(CChatDlg& chat) { return chat.GetDlgItem(IDC_CHAT_INPUT); }

    size_t Count(const char* function) {
        std::vector<std::string> f = sim.LoggedFunctions();
        return static_cast<size_t>(std::count(f.begin(), f.end(), function));
    }

    bool Shown(const std::string& text) {
        for (const fw::ShownMessageBox& b : boxes.Shown())
            if (b.text == text)
                return true;
        return false;
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
    SimControl sim;
};

TEST_F(Chat, AKnownContactsMessageGoesToItsHiddenChatWindowInBlue) {
    Receive(55, Received(kJanId, "1", "Cze%9C%E6"));
    CChatDlg* chat = ChatOf(Jan());
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(::IsWindowVisible(chat->m_hWnd)) << "made hidden";
    EXPECT_EQ(WindowText(chat->m_hWnd), "BriskoPC - Jan Kowalski");
    EXPECT_EQ(History(*chat), "[14:05] <Jan Kowalski> Cześć\n");
    const LONG header = static_cast<LONG>(std::string("[14:05] <Jan Kowalski> ").size());
    ExpectFormat(*chat, 0, header, true, kBlue);
    ExpectFormat(*chat, header, header + 5, false, kBlue);
    EXPECT_EQ(Jan().nHighlightMode, 1);

    // In front, the next one is seen as it comes.
    chat->ShowWindow(SW_SHOWNORMAL);
    ::SetForegroundWindow(chat->m_hWnd);
    ::SetActiveWindow(chat->m_hWnd);
    Pump(100);
    Receive(56, Received(kJanId, "1", "Jeszcze raz", "2002-06-01 9:7"));
    EXPECT_EQ(Jan().nHighlightMode, 2);
    EXPECT_EQ(History(*chat), "[14:05] <Jan Kowalski> Cześć\n[9:7] <Jan Kowalski> Jeszcze raz\n")
        << "a time text too short for its clock gives what it has";
    EXPECT_EQ(dlg().m_contacts.FindByNumber(kJan)->pChatDlg.get(), chat) << "one window a contact";
}

TEST_F(Chat, AnUnknownSenderBecomesATemporaryContactWithTheMessage) {
    ASSERT_TRUE(sim.AnswerOnce("GETUSERINFO", "USEROK\r\n99\r\nOla\r\n+48600100299"));
    Receive(57, Received(99, "1", "Dzie%F1 dobry, http://www.brisko.pl/"));
    std::vector<std::string> log = sim.Log();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.find("function=GETUSERINFO&UserId=99") != std::string::npos;
    }));
    Contact* ola = dlg().m_contacts.FindByUserId(99);
    ASSERT_NE(ola, nullptr);
    EXPECT_EQ(ola->strName, "* Ola");
    EXPECT_EQ(ola->strNumber, "+48600100299");
    EXPECT_TRUE(ola->bTemporary);
    EXPECT_EQ(ola->nPresence, 1);
    EXPECT_EQ(ola->nHighlightMode, 1);
    ASSERT_NE(ola->pChatDlg, nullptr);
    EXPECT_FALSE(::IsWindowVisible(ola->pChatDlg->m_hWnd));
    EXPECT_EQ(History(*ola->pChatDlg), "[14:05] <* Ola> Dzień dobry, http://www.brisko.pl/\n");
    EXPECT_TRUE(dlg().m_wndTree.IsExpanded(dlg().m_contacts.m_hContactsItem));

    // A sender the service does not know: the message goes without a word.
    ASSERT_TRUE(sim.AnswerOnce("GETUSERINFO", "USERFAILED"));
    Receive(58, Received(98, "1", "?"));
    EXPECT_EQ(dlg().m_contacts.FindByUserId(98), nullptr);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Chat, SystemMessagesAreKeptInTheTreeAndReadOnRequest) {
    const std::string text = "Od jutra nowy cennik SMS%F3w dla wszystkich kont.";
    boxes.Answer(IDNO);
    Receive(60, Received(0, "100", text));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text,
              "Pojawiła się nowa wiadomość systemowa. Czy chcesz ja odczytać?");
    EXPECT_EQ(boxes.Shown()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(dialogs.Opened().empty()) << "No leaves it unread";

    std::string shown;
    dialogs.Expect(IDD_SYSTEM_MESSAGE, [&](CDialog& d) {
        shown = WindowText(d.GetDlgItem(IDC_MESSAGE_TEXT));
        fw::Press(d, IDOK);
    });
    boxes.Answer(IDYES);
    Receive(61, Received(0, "100", "Drugi"));
    EXPECT_EQ(shown, "Drugi");

    HTREEITEM system = dlg().m_messages.m_hSystemItem;
    std::vector<std::string> labels;
    for (HTREEITEM h = dlg().m_wndTree.GetChildItem(system); h;
         h = dlg().m_wndTree.GetNextSiblingItem(h))
        labels.push_back(TreeItemText(dlg().m_wndTree.m_hWnd, h));
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Drugi", "Od jutra nowy cennik SMSów dla"}));
}

TEST_F(Chat, PresenceKindsSetTheContactWithoutAHighlight) {
    Receive(62, Received(kJanId, "101", kJan));
    EXPECT_EQ(Jan().nPresence, 1);
    EXPECT_EQ(Jan().nHighlightMode, 0);
    Receive(63, Received(kJanId, "102", kJan));
    EXPECT_EQ(Jan().nPresence, 0);
    Receive(64, Received(kJanId, "7", "nieznany rodzaj"));
    EXPECT_EQ(ChatOf(Jan()), nullptr);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Chat, AMessageWhoseFetchGotNoAnswerIsFetchedAgainAndShownOnce) {
    ASSERT_TRUE(sim.Answer("RECEIVEMSG", Received(kJanId, "1", "Raz")));
    ASSERT_TRUE(sim.Unreachable());
    dlg().ReceiveMsg(70);
    Settle();
    EXPECT_EQ(ChatOf(Jan()), nullptr) << "no answer came";
    ASSERT_TRUE(sim.Reachable());
    // The duties bring the session back, then fetch it.
    for (int i = 0; i < 3 && !ChatOf(Jan()); ++i)
        Duties();
    ASSERT_NE(ChatOf(Jan()), nullptr);
    EXPECT_EQ(History(*ChatOf(Jan())), "[14:05] <Jan Kowalski> Raz\n");

    // Announced again, or asked for again: shown once all the same.
    dlg().ReceiveMsg(70);
    Settle();
    Duties();
    EXPECT_EQ(History(*ChatOf(Jan())), "[14:05] <Jan Kowalski> Raz\n");

    // One the service does not have is given up, and the user told.
    sim.Reset("RECEIVEMSG");
    ASSERT_TRUE(sim.Answer("RECEIVEMSG", "RECEIVEMSGFAILED"));
    dlg().ReceiveMsg(71);
    Settle();
    EXPECT_TRUE(Shown("Błąd przy odbieraniu wiadomości."));
    size_t asked = Count("RECEIVEMSG");
    Duties();
    EXPECT_EQ(Count("RECEIVEMSG"), asked);

    // "NOSESSION": a new LOGINPC, then the message after all.
    ASSERT_TRUE(sim.AnswerOnce("RECEIVEMSG", "NOSESSION"));
    ASSERT_TRUE(sim.Answer("RECEIVEMSG", Received(kJanId, "1", "Dwa")));
    dlg().ReceiveMsg(72);
    Settle();
    EXPECT_EQ(dlg().m_nDbState, 0);
    Duties();
    EXPECT_EQ(History(*ChatOf(Jan())), "[14:05] <Jan Kowalski> Raz\n[14:05] <Jan Kowalski> Dwa\n");
}

TEST_F(Chat, TheOwnMessageIsShownAndTheFieldEmptiedOnlyOnceTheServiceTookIt) {
    ASSERT_TRUE(sim.Answer("SENDTEXT", "SENDTEXTOK"));
    CChatDlg& chat = OpenJansChat();
    EXPECT_TRUE(::IsWindowVisible(chat.m_hWnd));
    fw::TypeText(chat, IDC_CHAT_INPUT, "Zażółć gęślą jaźń");
    sim.Slow(800);
    fw::Press(chat, IDOK);
    Pump(200);
    EXPECT_FALSE(::IsWindowEnabled(Input(chat))) << "no new text while it is on its way";
    EXPECT_EQ(WindowText(Input(chat)), "Zażółć gęślą jaźń");
    EXPECT_EQ(History(chat), "");
    fw::Press(chat, IDOK); // "Wyślij" again while it is on its way
    Settle();
    EXPECT_TRUE(::IsWindowEnabled(Input(chat)));
    EXPECT_EQ(WindowText(Input(chat)), "");
    std::string header = History(chat).substr(0, History(chat).find('<'));
    ASSERT_EQ(header.size(), 8u) << History(chat);
    EXPECT_EQ(History(chat).substr(8), "<" + dlg().GetOwnName() + "> Zażółć gęślą jaźń\n");
    LONG headerEnd = static_cast<LONG>(8 + dlg().GetOwnName().size() + 3);
    ExpectFormat(chat, 0, headerEnd, true, kBlack);
    ExpectFormat(chat, headerEnd, headerEnd + 5, false, kBlack);
    std::vector<std::string> log = sim.Log();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.find("function=SENDTEXT&Receiver=48600100201&body=Za%BF%F3%B3%E6+g%EA%9Cl%B9+ja%"
                      "9F%F1") != std::string::npos;
    }));
    EXPECT_EQ(Count("SENDTEXT"), 1u) << "sent once";
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Chat, ASendThatFailsGivesTheTextBackAndSaysWhy) {
    CChatDlg& chat = OpenJansChat();
    const char* notSent = "Wiadomość nie wysłana!";
    const char* notUser =
        "Osoba, do której wiadomość zostałą wysłana, nie jest użytkownikiem Briska.";
    struct Case {
        const char* answer;
        const char* box;
    } cases[] = {{"SENDTEXTNOUSER", notUser},
                 {"SENDTEXTNOUSER\r\n", notSent},
                 {"SENDTEXTFAILED", notSent},
                 {"NOSESSION", notSent}};
    for (const Case& c : cases) {
        ASSERT_TRUE(sim.AnswerOnce("SENDTEXT", c.answer));
        fw::TypeText(chat, IDC_CHAT_INPUT, "Halo");
        fw::Press(chat, IDOK);
        Settle();
        ASSERT_FALSE(boxes.Shown().empty()) << c.answer;
        EXPECT_EQ(boxes.Shown().back().text, c.box) << c.answer;
        EXPECT_TRUE(::IsWindowEnabled(Input(chat))) << c.answer;
        EXPECT_EQ(WindowText(Input(chat)), "Halo") << c.answer;
    }
    EXPECT_EQ(dlg().m_nDbState, 0) << "NOSESSION asks for a new LOGINPC";
    EXPECT_EQ(History(chat), "");

    // The service out of reach: the same, and the session is down.
    size_t before = boxes.Shown().size();
    ASSERT_TRUE(sim.Unreachable());
    fw::Press(chat, IDOK);
    Settle();
    ASSERT_EQ(boxes.Shown().size(), before + 1);
    EXPECT_EQ(boxes.Shown().back().text, notSent);
    EXPECT_TRUE(::IsWindowEnabled(Input(chat)));
    // Not logged in at all: nothing goes out.
    dlg().m_nSessionState = 0;
    sim.ClearLog();
    fw::Press(chat, IDOK);
    EXPECT_EQ(boxes.Shown().back().text, notSent);
    EXPECT_EQ(Count("SENDTEXT"), 0u);
    EXPECT_TRUE(::IsWindowEnabled(Input(chat)));
}

TEST_F(Chat, NineHundredCharactersGoOutWholeAndNineHundredAndOneAreRefused) {
    ASSERT_TRUE(sim.Answer("SENDTEXT", "SENDTEXTOK"));
    CChatDlg& chat = OpenJansChat();
    fw::TypeText(chat, IDC_CHAT_INPUT, std::string(901, 'a'));
    fw::Press(chat, IDOK);
    Settle();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Za długa wiadomość. Maks. 900 znaków.");
    EXPECT_EQ(Count("SENDTEXT"), 0u);
    EXPECT_EQ(WindowText(Input(chat)).size(), 901u) << "the text stays to be shortened";

    // Every letter escaped: a query of about 2,750 characters.
    std::string text(900, '\xB9'); // ą
    fw::TypeText(chat, IDC_CHAT_INPUT, text);
    fw::Press(chat, IDOK);
    Settle();
    std::vector<std::string> log = sim.Log();
    auto sent = std::find_if(log.begin(), log.end(), [](const std::string& l) {
        return l.find("function=SENDTEXT") != std::string::npos;
    });
    ASSERT_NE(sent, log.end());
    std::string escaped;
    for (int i = 0; i < 900; ++i)
        escaped += "%B9";
    EXPECT_NE(sent->find("&body=" + escaped), std::string::npos) << sent->size();
    EXPECT_EQ(WindowText(Input(chat)), "") << "taken by the service";
    EXPECT_NE(History(chat).find(text + "\n"), std::string::npos);
}

TEST_F(Chat, EnterSendsAndAnEmptyFieldSendsNothing) {
    ASSERT_TRUE(sim.Answer("SENDTEXT", "SENDTEXTOK"));
    CChatDlg& chat = OpenJansChat();
    ::SetForegroundWindow(chat.m_hWnd);
    ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == chat.m_hWnd; }, 3000));
    chat.EnableInput();
    auto enter = [] {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = VK_RETURN;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        Pump(300);
    };
    enter();
    Settle();
    EXPECT_EQ(Count("SENDTEXT"), 0u) << "an empty field";
    fw::TypeText(chat, IDC_CHAT_INPUT, "Enterem");
    enter();
    Settle();
    EXPECT_EQ(Count("SENDTEXT"), 1u);
    EXPECT_NE(History(chat).find("> Enterem\n"), std::string::npos) << History(chat);
    EXPECT_EQ(WindowText(Input(chat)), "") << "no line end was typed into it";
}

TEST_F(Chat, TheWindowHidesInsteadOfClosingAndKeepsItsLayout) {
    Receive(80, Received(kJanId, "1", "Zostaję"));
    CChatDlg& chat = OpenJansChat();
    ::SendMessageA(chat.m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(chat.m_hWnd));
    EXPECT_TRUE(::IsWindow(chat.m_hWnd));
    OpenJansChat();
    fw::Press(chat, IDC_CHAT_HIDE);
    EXPECT_FALSE(::IsWindowVisible(chat.m_hWnd));
    OpenJansChat();
    ::SendMessageA(chat.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindowVisible(chat.m_hWnd)) << "Esc";
    EXPECT_EQ(&OpenJansChat(), &chat);
    EXPECT_EQ(History(chat), "[14:05] <Jan Kowalski> Zostaję\n");

    // Never smaller than 300 x 200; the buttons keep their size in the corner.
    auto rectOf = [&](int id) {
        RECT r;
        ::GetWindowRect(chat.GetDlgItem(id), &r);
        return r;
    };
    RECT send0 = rectOf(IDOK);
    ::SetWindowPos(chat.m_hWnd, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    RECT w;
    ::GetWindowRect(chat.m_hWnd, &w);
    EXPECT_GE(w.right - w.left, 300);
    EXPECT_GE(w.bottom - w.top, 200);
    for (int size : {500, 800}) {
        ::SetWindowPos(chat.m_hWnd, nullptr, 0, 0, size, size, SWP_NOMOVE | SWP_NOZORDER);
        RECT client, send = rectOf(IDOK), history = rectOf(IDC_CHAT_HISTORY),
                     input = rectOf(IDC_CHAT_INPUT), hide = rectOf(IDC_CHAT_HIDE);
        ::GetClientRect(chat.m_hWnd, &client);
        EXPECT_EQ(send.right - send.left, send0.right - send0.left);
        EXPECT_EQ(send.bottom - send.top, send0.bottom - send0.top);
        EXPECT_EQ(hide.top, send.top);
        EXPECT_LT(hide.right, send.left);
        POINT corner = {client.right, client.bottom};
        ::ClientToScreen(chat.m_hWnd, &corner);
        EXPECT_LT(corner.x - send.right, 30) << size;
        EXPECT_LT(corner.y - send.bottom, 30) << size;
        EXPECT_EQ(history.right, input.right);
        EXPECT_GT(history.right - history.left, size - 60);
    }
}

TEST_F(Chat, LookingAtTheConversationEndsTheHighlight) {
    Receive(81, Received(kJanId, "1", "Spójrz"));
    ASSERT_EQ(Jan().nHighlightMode, 1);
    CChatDlg& chat = *ChatOf(Jan());
    // A click on the blinking contact shows the chat instead of a new SMS.
    ASSERT_TRUE(ClickTreeItem(dlg().m_hWnd, dlg().m_wndTree.m_hWnd, Jan().hItem, false));
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(chat.m_hWnd) != FALSE; }, 3000))
        << "selected " << (dlg().m_wndTree.GetSelectedItem() == Jan().hItem) << " fg "
        << (::GetForegroundWindow() == dlg().m_hWnd) << " visible "
        << ::IsWindowVisible(dlg().m_hWnd);
    EXPECT_EQ(Jan().nHighlightMode, 0);
    EXPECT_TRUE(dialogs.Opened().empty()) << "no SMS dialog";
    EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == chat.m_hWnd; }, 3000))
        << "in front, not behind the main window the click was in";
    EXPECT_EQ(::GetFocus(), Input(chat));

    // A message while the chat is in the background: activating it ends the blinking.
    ::SetForegroundWindow(dlg().m_hWnd);
    Pump(100);
    Receive(82, Received(kJanId, "1", "I jeszcze"));
    ASSERT_EQ(Jan().nHighlightMode, 1);
    ::SetForegroundWindow(chat.m_hWnd);
    EXPECT_TRUE(PumpUntil([this] { return Jan().nHighlightMode == 0; }, 3000));

    // Hidden, activation changes nothing.
    chat.ShowWindow(SW_HIDE);
    Receive(83, Received(kJanId, "1", "Ukryty"));
    ::SendMessageA(dlg().m_hWnd, WM_CHAT_ACTIVATED, 0, kJanId);
    EXPECT_EQ(Jan().nHighlightMode, 1);

    // Locking hides every chat window; leaving the login destroys them.
    OpenJansChat();
    dlg().m_contacts.HideChatWindows();
    EXPECT_FALSE(::IsWindowVisible(chat.m_hWnd));
    HWND hChat = chat.m_hWnd;
    dlg().OnLogoff();
    EXPECT_FALSE(::IsWindow(hChat));
}

// The machine's command for web addresses replaced while it lives.
class WebHandler {
public:
    explicit WebHandler(const std::string& command) {
        if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kKey, 0, KEY_READ | KEY_WRITE, &m_key) !=
            ERROR_SUCCESS)
            return;
        char old[1024] = "";
        LONG size = sizeof old;
        if (::RegQueryValueA(HKEY_CLASSES_ROOT, kKey, old, &size) == ERROR_SUCCESS)
            m_old = old;
        m_bInstalled = Set(command);
    }
    ~WebHandler() {
        if (m_bInstalled)
            Set(m_old);
        if (m_key)
            ::RegCloseKey(m_key);
    }
    bool Installed() const { return m_bInstalled; }

private:
    bool Set(const std::string& command) {
        return ::RegSetValueExA(m_key, nullptr, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(command.c_str()),
                                static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    }
    static constexpr const char* kKey = "http\\shell\\open\\command";
    HKEY m_key = nullptr;
    std::string m_old;
    bool m_bInstalled = false;
};

// The conversations kept in the data folder across restarts of the client.
class ChatHistory : public Chat {
protected:
    static Path JansFile() { return ClientDataFile(kLogin + std::string("-600100201.hst")); }
    static std::vector<HistoryEntry> JansRecords() {
        return LastHistoryEntries(ReadFile(JansFile()), SIZE_MAX);
    }
    void Restart() { ASSERT_TRUE(StartAgain(app, &boxes)); }
    void SendToJan(CChatDlg& chat, const std::string& text) {
        fw::TypeText(chat, IDC_CHAT_INPUT, text);
        fw::Press(chat, IDOK);
        Settle();
    }
};

TEST_F(ChatHistory, EarlierMessagesComeBackGreyAfterARestartAndOneFetchedAgainIsKeptOnce) {
    ASSERT_TRUE(sim.Answer("SENDTEXT", "SENDTEXTOK"));
    Receive(80, Received(kJanId, "1", "Cze%9C%E6, jak si%EA masz?"));
    SendToJan(OpenJansChat(), "Dobrze, dzięki\r\nA ty?");
    ASSERT_EQ(JansRecords().size(), 2u);
    const std::string ownTime = JansRecords()[1].strTime;
    ASSERT_EQ(ownTime.size(), 19u) << "stamped as the service stamps";

    Restart();
    // Announced again after the restart: it is in the history already.
    Receive(80, Received(kJanId, "1", "Cze%9C%E6, jak si%EA masz?"));
    EXPECT_EQ(ChatOf(Jan()), nullptr) << "not shown again";
    CChatDlg& chat = OpenJansChat();
    const std::string earlier = "[14:05] <Jan Kowalski> Cześć, jak się masz?\n[" +
                                ownTime.substr(11, 5) + "] <" + dlg().GetOwnName() +
                                "> Dobrze, dzięki\nA ty?\n";
    EXPECT_EQ(History(chat), earlier);
    const COLORREF grey = RGB(0x80, 0x80, 0x80);
    const LONG header = static_cast<LONG>(std::string("[14:05] <Jan Kowalski> ").size());
    ExpectFormat(chat, 0, header, true, grey);
    ExpectFormat(chat, header, header + 5, false, grey);

    // New ones follow in their own colours, and go into the history too.
    Receive(81, Received(kJanId, "1", "%A3adnie"));
    EXPECT_EQ(History(chat), earlier + "[14:05] <Jan Kowalski> Ładnie\n");
    const LONG after = static_cast<LONG>(History(chat).find("Ładnie"));
    ExpectFormat(chat, after, after + 3, false, kBlue);
    std::vector<HistoryEntry> kept = JansRecords();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].nMsgId, 80u);
    EXPECT_EQ(kept[2].nMsgId, 81u);
    EXPECT_EQ(kept[2].strText, "Ładnie");
}

TEST_F(ChatHistory, ATornLastRecordIsSkippedAndTheNextLandsOnALineOfItsOwn) {
    std::string bytes =
        EncodeLogLine(EncodeHistoryRecord({5, "2026-12-01 10:00:00", false, "Pierwsza"}));
    std::string torn =
        EncodeLogLine(EncodeHistoryRecord({6, "2026-12-01 10:01:00", false, "Urwana"}));
    WriteFile(JansFile(), bytes + torn.substr(0, torn.size() / 2));
    CChatDlg& chat = OpenJansChat();
    EXPECT_EQ(History(chat), "[10:00] <Jan Kowalski> Pierwsza\n");
    Receive(82, Received(kJanId, "1", "Trzecia"));
    std::vector<HistoryEntry> kept = JansRecords();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1].strText, "Trzecia");
}

TEST_F(ChatHistory, PastItsLimitTheOldestMessagesGo) {
    dlg().m_nHistoryLimitKb = 16;
    const std::string text(800, 'x');
    for (int id = 100; id < 140; ++id)
        Receive(id, Received(kJanId, "1", std::to_string(id) + text));
    const std::string bytes = ReadFile(JansFile());
    EXPECT_LE(bytes.size(), 16u * 1024);
    std::vector<HistoryEntry> kept = JansRecords();
    ASSERT_GE(kept.size(), 10u);
    EXPECT_EQ(SoundLogLines(bytes).size(), kept.size()) << "every line whole";
    EXPECT_EQ(kept.back().nMsgId, 139u);
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_EQ(kept[i].nMsgId, kept[i - 1].nMsgId + 1) << "the newest, in order";
}

TEST_F(ChatHistory, OffNothingIsWrittenAndWhatThereIsStays) {
    dlg().m_bSaveHistory = FALSE;
    Receive(83, Received(kJanId, "1", "Nie zapisuj"));
    EXPECT_FALSE(Exists(JansFile()));
    EXPECT_EQ(History(*ChatOf(Jan())), "[14:05] <Jan Kowalski> Nie zapisuj\n");
}

TEST_F(ChatHistory, AMessageAnnouncedBeforeTheEndIsFetchedAfterTheStart) {
    ASSERT_TRUE(sim.Unreachable());
    dlg().ReceiveMsg(84);
    Settle();
    ASSERT_TRUE(sim.Reachable());
    ASSERT_TRUE(sim.Answer("RECEIVEMSG", Received(kJanId, "1", "Zd%B9%BFy%B3am?")));
    Restart();
    Duties();
    ASSERT_NE(ChatOf(Jan()), nullptr);
    EXPECT_EQ(History(*ChatOf(Jan())), "[14:05] <Jan Kowalski> Zdążyłam?\n");
    // Shown, it is no longer waited for.
    sim.ClearLog();
    Restart();
    Duties();
    EXPECT_EQ(Count("RECEIVEMSG"), 0u);
}

TEST_F(ChatHistory, WhenTheSenderCannotBeAskedTheMessageIsFetchedAgain) {
    ASSERT_TRUE(sim.Answer("RECEIVEMSG", Received(99, "1", "Kto ja?")));
    ASSERT_TRUE(sim.AnswerOnce("GETUSERINFO", "USERO"));
    dlg().ReceiveMsg(85);
    Settle();
    EXPECT_EQ(dlg().m_contacts.FindByUserId(99), nullptr);
    ASSERT_TRUE(sim.AnswerOnce("GETUSERINFO", "USEROK\r\n99\r\nOla\r\n+48600100299"));
    Duties();
    Contact* ola = dlg().m_contacts.FindByUserId(99);
    ASSERT_NE(ola, nullptr);
    ASSERT_NE(ola->pChatDlg, nullptr);
    EXPECT_EQ(History(*ola->pChatDlg), "[14:05] <* Ola> Kto ja?\n");
    EXPECT_TRUE(boxes.Shown().empty());
}

// The history's menu and its links, with the real mouse.
class ChatMouse : public Chat {
protected:
    // A real click at a character of the history.
    void ClickAt(CChatDlg& chat, LONG charPos, bool right) {
        POINTL pt = {};
        ::SendMessageA(chat.m_history.m_hWnd, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt),
                       charPos);
        POINT at = {pt.x + 3, pt.y + 5};
        ::ClientToScreen(chat.m_history.m_hWnd, &at);
        ASSERT_TRUE(
            PumpUntil([&] { return ::WindowFromPoint(at) == chat.m_history.m_hWnd; }, 3000));
        // Under load a motion from before the move can still come after it:
        // the press waits until the pointer has stayed where it was put.
        int still = 0;
        PumpUntil(
            [&] {
                POINT now = {};
                ::GetCursorPos(&now);
                if (now.x != at.x || now.y != at.y) {
                    ::SetCursorPos(at.x, at.y);
                    still = 0;
                }
                return ++still > 3;
            },
            3000);
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        ::SendInput(2, in, sizeof(INPUT));
        Pump(300);
    }

    CChatDlg& ShownChatWith(const std::string& text) {
        Receive(90, Received(kJanId, "1", text));
        CChatDlg& chat = OpenJansChat();
        ::SetForegroundWindow(chat.m_hWnd);
        PumpUntil([&] { return ::GetForegroundWindow() == chat.m_hWnd; }, 3000);
        return chat;
    }

    static HWND OpenMenu() {
        HWND menu = ::FindWindowA("#32768", nullptr);
        return menu && ::IsWindowVisible(menu) ? menu : nullptr;
    }
};

TEST_F(ChatMouse, ARightClickOffersCopyOnlyOverASelection) {
    CChatDlg& chat = ShownChatWith("Skopiuj mnie");
    std::atomic<bool> sawMenu{false}, stop{false};
    // While the menu runs its own loop, a second party picks "Kopiuj".
    std::thread user([&] {
        while (!stop) {
            if (OpenMenu()) {
                sawMenu = true;
                INPUT in[4] = {};
                for (INPUT& i : in)
                    i.type = INPUT_KEYBOARD;
                in[0].ki.wVk = in[1].ki.wVk = VK_DOWN;
                in[2].ki.wVk = in[3].ki.wVk = VK_RETURN;
                in[1].ki.dwFlags = in[3].ki.dwFlags = KEYEVENTF_KEYUP;
                ::SendInput(2, in, sizeof(INPUT));
                ::Sleep(100);
                ::SendInput(2, in + 2, sizeof(INPUT));
                return;
            }
            ::Sleep(20);
        }
    });
    ClickAt(chat, 2, true);
    Pump(500);
    EXPECT_FALSE(sawMenu) << "nothing selected, no menu";

    const LONG header = static_cast<LONG>(std::string("[14:05] <Jan Kowalski> ").size());
    CHARRANGE word = {header, header + 7};
    ::SendMessageA(chat.m_history.m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&word));
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    ClickAt(chat, header + 2, true);
    EXPECT_TRUE(PumpUntil([&] { return sawMenu && !OpenMenu(); }, 5000));
    stop = true;
    user.join();
    Pump(200);
    std::string copied;
    if (::OpenClipboard(nullptr)) {
        if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
            copied = static_cast<const char*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    EXPECT_EQ(copied, "Skopiuj");
}

TEST_F(ChatMouse, AClickedAddressOpensThroughTheShellAndKeepsTheSelection) {
    // The shell's handler of web addresses, for this test: it writes down what
    // it was given.
    std::string written = ScratchPath("briskopc-link.txt");
    ::DeleteFileA(written.c_str());
    WebHandler handler("cmd.exe /c echo %1> \"" + written + "\"");
    ASSERT_TRUE(handler.Installed());

    CChatDlg& chat = ShownChatWith("Zobacz http://www.brisko.pl/cennik teraz");
    const LONG header = static_cast<LONG>(std::string("[14:05] <Jan Kowalski> ").size());
    CHARRANGE selected = {1, 4};
    ::SendMessageA(chat.m_history.m_hWnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selected));
    ClickAt(chat, header + 12, false);
    std::string opened;
    PumpUntil(
        [&] {
            HANDLE f = ::CreateFileA(written.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
            if (f == INVALID_HANDLE_VALUE)
                return false;
            char buffer[256] = "";
            DWORD n = 0;
            ::ReadFile(f, buffer, sizeof buffer - 1, &n, nullptr);
            ::CloseHandle(f);
            opened.assign(buffer, n);
            return opened.find("cennik") != std::string::npos;
        },
        10000);
    ::DeleteFileA(written.c_str());
    EXPECT_NE(opened.find("http://www.brisko.pl/cennik"), std::string::npos) << opened;
    CHARRANGE after = {};
    ::SendMessageA(chat.m_history.m_hWnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&after));
    EXPECT_EQ(after.cpMin, 1);
    EXPECT_EQ(after.cpMax, 4);
}

} // namespace
