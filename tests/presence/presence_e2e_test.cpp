// The real BriskoPC.exe going away while the user is idle and coming back at
// his next input, the input given to the X server as a user's mouse gives it.
#include "ClientProcess.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kLogin[] = "+48600100200";

// Moves the X pointer through the X server's test extension, as a hand would.
bool MovePointer(int x, int y) {
    return RunUnix("/usr/bin/xdotool mousemove " + std::to_string(x) + " " + std::to_string(y),
                   10000);
}

class IdleEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        WriteClientProfile(SimControl::HttpsPort(), kLogin, "haslo123");
        WriteClientProfileValue("CheckAwayTime", "1");
    }

    void TearDown() override {
        if (client.Running() && !client.Quit(10000))
            client.Kill();
        sim.StartAfresh();
        DeleteClientProfile();
    }

    // How many SETSTATUS with that code the service got.
    int Sent(char code) {
        const std::string key = std::string("function=SETSTATUS&status=") + code;
        int n = 0;
        for (const std::string& line : sim.Log())
            n += line.find(key) != std::string::npos;
        return n;
    }

    ClientProcess client;
    SimControl sim;
};

TEST_F(IdleEndToEnd, AwayAMinuteAfterTheLastInputAndBackAtTheNext) {
    ASSERT_TRUE(client.Start());
    ASSERT_TRUE(WaitFor([&] { return WindowText(client.Main()) == kLogin; }, 30000));
    ASSERT_TRUE(MovePointer(300, 300));
    DWORD lastInput = ::GetTickCount();

    ASSERT_TRUE(WaitFor([&] { return Sent('3') > 0; }, 90000)) << "never went away";
    DWORD away = ::GetTickCount() - lastInput;
    EXPECT_GT(away, 60000u) << "away before the minute was over";
    EXPECT_LT(away, 70000u) << "the timer checks every 600 ms";
    EXPECT_EQ(Sent('1'), 0);

    ASSERT_TRUE(MovePointer(320, 310));
    EXPECT_TRUE(WaitFor([&] { return Sent('1') == 1; }, 5000)) << "back at the first tick";
    EXPECT_EQ(Sent('3'), 1) << "away once";
}

} // namespace
