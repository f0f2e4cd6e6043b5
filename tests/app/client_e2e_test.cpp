// The real BriskoPC.exe against the simulator, as a user would run it: it
// logs in with the stored credentials, loses the service and finds it again,
// starts offline and logs in when the service comes back, and logs off.
#include "ClientProcess.h"
#include "SimControl.h"

#include <windows.h>

#include <gtest/gtest.h>

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
        ::DeleteFileA(ClientProfilePath().c_str());
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
    char password[64];
    ::GetPrivateProfileStringA("BriskoPC", "Password", "-", password, sizeof password,
                               ClientProfilePath().c_str());
    EXPECT_STREQ(password, "-");
    ::GetPrivateProfileStringA("BriskoPC", "ProtectedPassword", "-", password, sizeof password,
                               ClientProfilePath().c_str());
    EXPECT_STREQ(password, "-");
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
