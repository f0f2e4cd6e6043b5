// The real BriskoPC.exe against the simulator, as a user would run it: it
// logs in with the stored credentials, loses the service and finds it again,
// starts offline and logs in when the service comes back, logs off, and keeps
// its files in the user's folder whatever the user's name.
#include "ClientProcess.h"
#include "ContactsFile.h"
#include "OutboxFile.h"
#include "RemoteTree.h"
#include "SimControl.h"
#include "SmsWithoutCredits.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kPassword[] = "haslo123";

// The client, started with the demo account's credentials in its profile.
class Client : public ClientProcess {
public:
    explicit Client(const char* password = kPassword) {
        WriteClientProfile(SimControl::HttpsPort(), kLogin, password);
        started = Start();
        main = Main();
    }

    ~Client() {
        if (Running() && !Quit(10000))
            Kill();
        DeleteClientProfile();
    }

    std::vector<HWND> MessageBoxes() const { return Dialogs(); }
    std::string Status() const { return WindowText(::GetDlgItem(main, 1029)); }

    bool started = false;
    HWND main = nullptr;
};

class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        sim.Reachable();
        sim.Expire();
        sim.ClearLog();
    }
    void TearDown() override {
        sim.Reachable();
        sim.Reset("LOGIN");
        sim.Reset("LOGINPC");
        sim.SetCredits("%2B48600100200", 250);
    }

    size_t Count(const char* function) {
        size_t n = 0;
        for (const std::string& f : sim.LoggedFunctions())
            n += f == function;
        return n;
    }

    SimControl sim;
};

TEST_F(ClientEndToEnd, LogsInLosesTheServiceAndFindsItAgainWithoutAWord) {
    // The first LOGINPC finds no service: the client drops to "no web session".
    ASSERT_TRUE(sim.AnswerOnce("LOGINPC", ""));
    Client client;
    ASSERT_NE(client.main, nullptr);

    ASSERT_TRUE(WaitFor([&] { return Count("LOGINPC") == 1; }, 10000));
    std::vector<std::string> log = sim.Log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_NE(log[0].find(" LOGIN /briskopc.asp?function=LOGIN&usr_login=%2B48600100200"
                          "&usr_pass=haslo123"),
              std::string::npos)
        << log[0];
    std::vector<std::string> functions = sim.LoggedFunctions();
    // VERSION, GETCONTACTS and GETCOSTS go out together, in any order.
    EXPECT_EQ(std::set<std::string>(functions.begin() + 1, functions.begin() + 4),
              (std::set<std::string>{"VERSION", "GETCONTACTS", "GETCOSTS"}));
    EXPECT_EQ(functions[4], "LOGINPC") << "within the tick after LOGINOK";
    EXPECT_EQ(WindowText(client.main), kLogin);
    EXPECT_EQ(client.Status(), "Bps:250 kl.:1 dni:30 ");

    // Unreachable for one duty period, then one more failed re-login (an
    // empty answer), then the service is back: QUICKLOGIN every 18 s or so.
    ASSERT_TRUE(sim.Unreachable());
    ::Sleep(20000);
    ASSERT_TRUE(sim.AnswerOnce("LOGIN", ""));
    ASSERT_TRUE(sim.Reachable());
    ASSERT_TRUE(WaitFor([&] { return Count("LOGIN") == 2; }, 40000));
    DWORD emptyAnswer = ::GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return Count("LOGIN") == 3; }, 40000));
    // One duty period of 30 ticks of 600 ms; a tick may come late, never early.
    EXPECT_GT(::GetTickCount() - emptyAnswer, 12000u) << "re-login at every tick";
    ASSERT_TRUE(WaitFor([&] { return Count("LOGINPC") == 2; }, 5000))
        << "LOGINPC follows the successful re-login";
    EXPECT_TRUE(client.MessageBoxes().empty()) << "losing and finding the service says nothing";
}

TEST_F(ClientEndToEnd, StartedOfflineItLogsInWhenTheServiceComesBack) {
    ASSERT_TRUE(sim.Unreachable());
    Client client;
    ASSERT_NE(client.main, nullptr);
    ::Sleep(3000);
    EXPECT_NE(WindowText(client.main), kLogin) << "offline, not logged in";
    ASSERT_TRUE(sim.Reachable());
    DWORD back = ::GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return Count("LOGIN") == 1; }, 35000))
        << "timer 2 logs in within about 30 s";
    EXPECT_LE(::GetTickCount() - back, 35000u);
    ASSERT_TRUE(WaitFor([&] { return WindowText(client.main) == kLogin; }, 5000));
    EXPECT_TRUE(client.MessageBoxes().empty());
}

TEST_F(ClientEndToEnd, LogOffSaysSoAndForgetsThePassword) {
    Client client;
    ASSERT_NE(client.main, nullptr);
    ASSERT_TRUE(WaitFor([&] { return WindowText(client.main) == kLogin; }, 10000));

    ::PostMessageA(client.main, WM_COMMAND, 32784, 0);
    std::vector<HWND> boxes;
    ASSERT_TRUE(WaitFor([&] { return !(boxes = client.MessageBoxes()).empty(); }, 10000));
    std::string text = DialogText(boxes[0]);
    EXPECT_NE(text.find("Wylogowanie zakończone."), std::string::npos) << text;
    EXPECT_EQ(WindowText(boxes[0]), "BriskoPC");
    EXPECT_TRUE(WaitFor([&] { return Count("LOGOFF") == 1; }, 10000));

    ::PostMessageA(boxes[0], WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return WindowText(client.main) == "Niezalogowany"; }, 5000));
    EXPECT_EQ(ReadClientProfileValue("Password", "-"), "-");
    EXPECT_EQ(ReadClientProfileValue("ProtectedPassword", "-"), "-");
}

TEST_F(ClientEndToEnd, AWrongStoredPasswordShowsOneBoxAndIsNotTriedAgainWhileItIsOpen) {
    Client client("zle-haslo");
    ASSERT_NE(client.main, nullptr);
    std::vector<HWND> boxes;
    ASSERT_TRUE(WaitFor([&] { return !(boxes = client.MessageBoxes()).empty(); }, 10000));
    // The box stays open past the 30 s timer that logs in again.
    ::Sleep(33000);
    EXPECT_EQ(client.MessageBoxes().size(), 1u);
    EXPECT_EQ(Count("LOGIN"), 1u);
    ::PostMessageA(boxes[0], WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return client.MessageBoxes().empty(); }, 5000));
    EXPECT_EQ(WindowText(client.main), "BriskoPC - Niezalogowany");
}

} // namespace

// A prefix whose Unix locale went missing would run another Windows than the
// run names, without a word.
TEST(TestRun, TheWindowsCodePageIsTheNamedLocales) {
    const char* locale = std::getenv("BRISKO_LOCALE");
    ASSERT_NE(locale, nullptr) << "no locale: run through ./brisko test";
    EXPECT_EQ(::GetACP(), std::string(locale) == "utf8" ? 65001u : 1250u) << locale;
}

// The data folder lies under the Windows user's name: the test runs give the
// user one that cp1250 cannot spell ("Søren"). An SMS without credits waits in
// the outbox file; the next start reads it and the contacts file back, and
// the Polish letters reach the service intact.
TEST_F(ClientEndToEnd, KeepsItsFilesInTheUsersFolderWhateverTheNameAndReadsThemBack) {
    wchar_t user[256] = L"";
    DWORD size = static_cast<DWORD>(std::size(user));
    ASSERT_TRUE(::GetUserNameW(user, &size));
    EXPECT_NE(ClientDataFolder().wstring().find(std::wstring(L"\\") + user + L"\\"),
              std::wstring::npos)
        << "the data folder is the user's";
    const Path contacts = ClientDataFile(kLogin + std::string(".cts")),
               outbox = ClientDataFile(kLogin + std::string(".obx"));
    for (const Path& file : {contacts, outbox})
        ::DeleteFileW(file.c_str());
    const std::string text = "Zażółć gęślą jaźń";
    ASSERT_TRUE(sim.SetCredits("%2B48600100200", 0));
    ASSERT_TRUE(sim.ClearSms());
    {
        Client client;
        ASSERT_TRUE(client.started);
        ASSERT_TRUE(WaitFor([&] { return WindowText(client.main) == kLogin; }, 15000));
        ASSERT_TRUE(SendSmsWithoutCredits(client, "600100201", text));
        ASSERT_TRUE(client.Quit(10000));
    }
    const OutboxFileContent waiting = DecodeOutboxFile(ReadFile(outbox));
    ASSERT_EQ(waiting.entries.size(), 1u) << "the outbox file in the user's folder";
    EXPECT_EQ(waiting.entries[0].strText, text);
    const ContactsFileContent stored = DecodeContactsFile(ReadFile(contacts));
    auto jan = std::find_if(stored.entries.begin(), stored.entries.end(),
                            [](const ContactEntry& e) { return e.strNumber == "+48600100201"; });
    ASSERT_NE(jan, stored.entries.end()) << "the contacts file in the user's folder";

    // Started again while the service is out of reach, the tree comes from the
    // file; once the service is back, the SMS from the outbox goes out.
    ASSERT_TRUE(sim.SetCredits("%2B48600100200", 1000));
    ASSERT_TRUE(sim.Unreachable());
    Client client;
    ASSERT_TRUE(client.started);
    RemoteTree tree(client.Process(), client.Child(1000));
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const RemoteTreeItem& item : tree.ChildrenOf("Kontakty"))
                if (item.strText == jan->strName)
                    return true;
            return false;
        },
        15000))
        << jan->strName;
    ASSERT_TRUE(sim.Reachable());
    ASSERT_TRUE(WaitFor([&] { return sim.Sms().size() == 1; }, 60000)) << "the outbox was read";
    EXPECT_NE(sim.Sms()[0].find(text), std::string::npos) << sim.Sms()[0];
    EXPECT_TRUE(WaitFor([&] { return DecodeOutboxFile(ReadFile(outbox)).entries.empty(); }, 10000))
        << "sent, it leaves the outbox file";
}
