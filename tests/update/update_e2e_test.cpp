// The update as a user meets it: the real BriskoPC.exe learns of version 0.23,
// the user says yes, picks where to save, watches the download, and the
// installer (a stand-in) starts while the client ends.
#include "ClientProcess.h"
#include "Files.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const char kLogin[] = "+48600100200";

class UpdateEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        WriteClientProfile(SimControl::HttpsPort(), kLogin, "haslo123");
        target = ScratchPath("briskopc-e2e-setup.exe");
        ::DeleteFileA(target.c_str());
        ::DeleteFileA((target + ".ran").c_str());
    }

    void TearDown() override {
        if (client.Running() && !client.Quit(10000))
            client.Kill();
        sim.StartAfresh();
        DeleteClientProfile();
        ::DeleteFileA(target.c_str());
        ::DeleteFileA((target + ".ran").c_str());
    }

    SimControl sim;
    ClientProcess client;
    std::string target;
};

TEST_F(UpdateEndToEnd, YesDownloadsTheInstallerOverHttpsStartsItAndTheClientEnds) {
    const std::string installer = ReadFile(BesideThisProgram("standin_setup.exe"));
    ASSERT_GT(installer.size(), 10000u);
    ASSERT_TRUE(sim.SetInstaller(installer));
    // Slow enough to watch: about four seconds.
    ASSERT_TRUE(sim.InstallerRate(static_cast<int>(installer.size() / 4)));
    ASSERT_TRUE(sim.SetVersion("0.23"));
    ASSERT_TRUE(client.Start());

    HWND question = client.WaitForDialog(

        [](HWND w) { return DialogText(w).find("nowa wersja BriskoPC") != std::string::npos; },
        15000);
    ASSERT_NE(question, nullptr) << "asked after the login";
    Press(question, IDYES);

    // The system's save dialog: its file name box (an edit or a combo box,
    // by the system's version), offering "setup.exe"; then Save.
    HWND save = client.WaitForDialog(
        [](HWND w) { return ::GetDlgItem(w, 1148) || ::GetDlgItem(w, 1152); }, 10000);
    ASSERT_NE(save, nullptr);
    HWND name = nullptr;
    for (int id : {1148, 1152})
        if (HWND box = ::GetDlgItem(save, id); box && ::IsWindowVisible(box))
            name = box;
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(RemoteText(name), "setup.exe");
    SetControlText(name, target);
    Press(save, IDOK);

    HWND download = client.WaitForDialog(
        [](HWND w) { return ::GetDlgItem(w, IDC_DOWNLOAD_PROGRESS) != nullptr; }, 10000);
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(download, IDC_DOWNLOAD_FILE)), "setup.exe from localhost");
    ASSERT_TRUE(WaitFor(
        [&] { return WindowText(download).find("% of setup.exe Completed") != std::string::npos; },
        10000));
    ::Sleep(1500); // the rate and the time left come after a second
    if (const std::string png = ShotFile("update-download"); !png.empty()) {
        EXPECT_TRUE(RunUnix("/usr/bin/import -window root " + png, 20000));
    }

    HWND done = client.WaitForDialog(

        [](HWND w) {
            return DialogText(w).find("Nowa wersja została pobrana") != std::string::npos;
        },
        20000);
    ASSERT_NE(done, nullptr);
    EXPECT_NE(DialogText(done).find(target), std::string::npos) << DialogText(done);
    EXPECT_TRUE(ReadFile(target) == installer) << "the installer, byte for byte";
    Press(done, IDOK);

    EXPECT_TRUE(WaitFor(
        [&] { return ::GetFileAttributesA((target + ".ran").c_str()) != INVALID_FILE_ATTRIBUTES; },
        15000))
        << "the installer ran";
    EXPECT_EQ(::WaitForSingleObject(client.Process(), 15000), WAIT_OBJECT_0) << "the client ended";
    EXPECT_EQ(sim.InstallerRequests(), std::vector<std::string>{"200 -"});
}

} // namespace
