// The real BriskoPC.exe and the simulator's scripted user talking: a message
// with Polish letters comes in, the user answers from the chat window, the
// service gets the letters intact and the scripted user's reply comes back;
// the program started again shows the conversation.
#include "ClientProcess.h"
#include "RemoteTree.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kJan[] = "+48600100201";
const int kTreeId = 1000, kHistoryId = 1030, kInputId = 1031, kOpenChat = 32786;

// The client's chat windows with that caption, hidden ones too.
std::vector<HWND> ChatWindowsOf(DWORD dwProcessId, const std::string& caption) {
    struct Search {
        DWORD pid;
        std::string caption;
        std::vector<HWND> found;
    } search{dwProcessId, caption, {}};
    ::EnumWindows(
        [](HWND hWnd, LPARAM param) {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hWnd, &pid);
            if (pid == s.pid && WindowText(hWnd) == s.caption)
                s.found.push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A control's text read across processes; its line ends as "\n".
std::string TextOf(HWND hWnd) {
    const std::string text = RemoteText(hWnd);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r')
            out += text[i];
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            out += '\n';
    return out;
}

class ChatEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ASSERT_TRUE(sim.AutoReply(kJan, 500));
        WriteClientProfile(SimControl::HttpsPort(), kLogin, "haslo123");
    }

    void TearDown() override {
        if (client.Running() && !client.Quit(10000))
            client.Kill();
        tree.reset();
        sim.StartAfresh();
        DeleteClientProfile();
    }

    // The push sessions opened so far: each comes after the login that names the user.
    size_t SessionsOpened() {
        size_t n = 0;
        for (const std::string& line : sim.PushLog())
            n += line.find(" session " + std::string(kLogin)) != std::string::npos;
        return n;
    }

    RemoteTreeItem Jan() {
        for (const RemoteTreeItem& item : tree->ChildrenOf("Kontakty"))
            if (item.strText == "Jan Kowalski")
                return item;
        return {};
    }

    HWND JansChat() {
        DWORD pid = ::GetProcessId(client.Process());
        std::vector<HWND> found = ChatWindowsOf(pid, "BriskoPC - Jan Kowalski");
        return found.size() == 1 ? found[0] : nullptr;
    }

    ClientProcess client;
    std::unique_ptr<RemoteTree> tree;
    SimControl sim;
};

TEST_F(ChatEndToEnd, TheUserAndTheScriptedUserExchangeMessagesWithPolishLetters) {
    ASSERT_TRUE(client.Start());
    tree = std::make_unique<RemoteTree>(client.Process(), client.Child(kTreeId));
    ASSERT_TRUE(WaitFor([&] { return SessionsOpened() == 1 && Jan().hItem; }, 30000));

    const std::string incoming = "Cześć Zosiu, zażółć gęślą jaźń!";
    ASSERT_NE(sim.PushMessage(kLogin, kJan, 1, incoming), 0u);
    HWND chat = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (chat = JansChat()) != nullptr; }, 10000))
        << "a chat window for the sender";
    EXPECT_FALSE(::IsWindowVisible(chat)) << "made hidden";
    HWND history = ::GetDlgItem(chat, kHistoryId);
    ASSERT_TRUE(WaitFor([&] { return TextOf(history).find(incoming) != std::string::npos; }, 5000));
    EXPECT_NE(TextOf(history).find("<Jan Kowalski> " + incoming + "\n"), std::string::npos)
        << TextOf(history);

    // The user opens the chat from the contact's menu and answers.
    ASSERT_TRUE(tree->Select(Jan().hItem));
    ::PostMessageA(client.Main(), WM_COMMAND, kOpenChat, 0);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(chat) != FALSE; }, 5000));
    EXPECT_EQ(JansChat(), chat) << "the same window";
    const std::string answer = "Dzięki! Źdźbło łąki, żółw i ćma.";
    HWND input = ::GetDlgItem(chat, kInputId);
    SetControlText(input, answer);
    ::PostMessageA(chat, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(chat, IDOK)));

    ASSERT_TRUE(WaitFor([&] { return !sim.Texts().empty(); }, 10000));
    std::vector<std::string> texts = sim.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(std::string(kLogin) + " " + kJan + " " + answer), std::string::npos)
        << "the service got the letters intact: " << texts[0];
    EXPECT_TRUE(WaitFor([&] { return TextOf(input).empty(); }, 5000)) << "taken, the field empties";

    // The scripted user's reply quotes the answer and names a web address.
    ASSERT_TRUE(WaitFor(
        [&] { return TextOf(history).find("http://www.brisko.pl/") != std::string::npos; }, 10000))
        << TextOf(history);
    std::string shown = TextOf(history);
    size_t own = shown.find("<Zofia Wójcik> " + answer + "\n");
    size_t reply = shown.find("<Jan Kowalski> Dzięki za wiadomość: «" + answer.substr(0, 20));
    EXPECT_NE(own, std::string::npos) << shown;
    EXPECT_NE(reply, std::string::npos) << shown;
    EXPECT_LT(own, reply) << "in the order they came";
    if (const std::string png = ShotFile("chat"); !png.empty()) {
        EXPECT_TRUE(ShootWindow(chat, png));
    }

    // Ended and started again, the program shows the conversation as the chat opens.
    // Ending asks about the reply not yet looked at: yes.
    std::thread yes([&] {
        if (HWND box = client.WaitForDialog([](HWND d) { return ::GetDlgItem(d, IDYES); }, 5000))
            Press(box, IDYES);
    });
    const bool ended = client.Quit(10000);
    yes.join();
    ASSERT_TRUE(ended);
    ASSERT_TRUE(client.Start());
    tree = std::make_unique<RemoteTree>(client.Process(), client.Child(kTreeId));
    ASSERT_TRUE(WaitFor([&] { return SessionsOpened() == 2 && Jan().hItem; }, 30000));
    ASSERT_TRUE(tree->Select(Jan().hItem));
    ::PostMessageA(client.Main(), WM_COMMAND, kOpenChat, 0);
    ASSERT_TRUE(WaitFor([&] { return (chat = JansChat()) && ::IsWindowVisible(chat); }, 10000));
    EXPECT_EQ(TextOf(::GetDlgItem(chat, kHistoryId)), shown);
}

} // namespace
