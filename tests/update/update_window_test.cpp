// The download dialog against the simulator, in its real modal loop, and the
// version check in the real main window.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientProcess.h"
#include "ClientTest.h"
#include "FileDialog.h"
#include "Files.h"
#include "HttpDownloadDlg.h"
#include "Messages.h"
#include "ModalPeer.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cctype>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";

std::string Bytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Bytes in the file now, while another thread may be writing it.
uint64_t SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What the download dialog showed while it ran, sampled from another thread.
struct Seen {
    std::set<std::string> captions, statuses, rates, timesLeft;
    std::string fileLine;
    unsigned range = 0, position = 0;
};

void Sample(HWND dlg, Seen& seen) {
    seen.captions.insert(WindowText(dlg));
    seen.statuses.insert(WindowText(::GetDlgItem(dlg, IDC_DOWNLOAD_STATUS)));
    seen.rates.insert(WindowText(::GetDlgItem(dlg, IDC_DOWNLOAD_RATE)));
    seen.timesLeft.insert(WindowText(::GetDlgItem(dlg, IDC_DOWNLOAD_TIME_LEFT)));
    seen.fileLine = WindowText(::GetDlgItem(dlg, IDC_DOWNLOAD_FILE));
    HWND bar = ::GetDlgItem(dlg, IDC_DOWNLOAD_PROGRESS);
    seen.range = static_cast<unsigned>(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    seen.position = static_cast<unsigned>(::SendMessageA(bar, PBM_GETPOS, 0, 0));
}

bool IsDownloadDialog(HWND w) {
    return ModalPeer::Has(w, IDC_DOWNLOAD_PROGRESS);
}

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        ::DeleteFileA(target.c_str());
        dlg.m_strUrl = Url(SimControl::HttpsPort());
        dlg.m_strTargetFile = target;
        // The thread's stand-in main window, for the peer to know whose dialogs to watch.
        owner =
            ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    }

    void TearDown() override {
        ::DestroyWindow(owner);
        ::DeleteFileA(target.c_str());
        sim.StartAfresh();
    }

    static std::string Url(int port) {
        return "https://localhost:" + std::to_string(port) + "/briskopc/setup.exe";
    }

    // Runs the dialog in its modal loop while the peer samples it every 50 ms
    // and, once `when` holds, acts on it once.
    INT_PTR RunWatched(CHttpDownloadDlg& d, Seen& seen, const std::function<bool()>& when = nullptr,
                       const std::function<void(HWND)>& act = nullptr) {
        ModalPeer peer(owner, [&](HWND w) {
            if (!IsDownloadDialog(w))
                return;
            bool acted = false;
            while (::IsWindow(w)) {
                std::lock_guard<std::mutex> lock(seenLock);
                // EndDialog hides the dialog before it is torn down: a sample
                // that ends with it hidden may have read controls on their way out.
                Seen now = seen;
                Sample(w, now);
                if (::IsWindowVisible(w))
                    seen = now;
                if (!acted && when && when()) {
                    act(w);
                    acted = true;
                }
                ::Sleep(50);
            }
        });
        return d.DoModal();
    }

    CBriskoPCApp app;
    SimControl sim;
    CHttpDownloadDlg dlg;
    const std::string target = ScratchPath("briskopc-download-test.exe");
    HWND owner = nullptr;
    std::mutex seenLock;
};

TEST_F(Download, ACompleteFileEndsWithOkWithTheProgressShownOnTheWay) {
    const std::string content = Bytes(600 * 1024, 1);
    ASSERT_TRUE(sim.SetInstaller(content));
    ASSERT_TRUE(sim.InstallerRate(300 * 1024));
    fw::MessageBoxScript boxes;
    Seen seen;

    EXPECT_EQ(RunWatched(dlg, seen), IDOK);
    EXPECT_TRUE(ReadFile(target) == content) << "the file is the installer, byte for byte";
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(sim.InstallerRequests(), std::vector<std::string>{"200 -"});

    EXPECT_EQ(seen.fileLine, "setup.exe from localhost");
    EXPECT_EQ(seen.range, 600u) << "kilobytes";
    bool percent = false;
    for (const std::string& c : seen.captions)
        percent = percent || (c.find("% of setup.exe Completed") != std::string::npos &&
                              std::isdigit(static_cast<unsigned char>(c[0])));
    EXPECT_TRUE(percent);
    EXPECT_TRUE(seen.statuses.count("Retrieving the file"));
    bool rate = false, timeLeft = false;
    for (const std::string& r : seen.rates)
        rate = rate || r.find(" KB/Sec") != std::string::npos;
    for (const std::string& t : seen.timesLeft)
        timeLeft = timeLeft || t.find(" of 600.0 KB copied)") != std::string::npos;
    EXPECT_TRUE(rate) << "after a second of transfer";
    EXPECT_TRUE(timeLeft);
}

TEST_F(Download, WithoutALengthOnlyTheRateLineMoves) {
    const std::string content = Bytes(400 * 1024, 2);
    ASSERT_TRUE(sim.SetInstaller(content));
    ASSERT_TRUE(sim.InstallerMode("nolength"));
    ASSERT_TRUE(sim.InstallerRate(200 * 1024));
    Seen seen;

    EXPECT_EQ(RunWatched(dlg, seen), IDOK);
    EXPECT_TRUE(ReadFile(target) == content);
    EXPECT_EQ(seen.captions, std::set<std::string>{"File Download"});
    EXPECT_EQ(seen.timesLeft, std::set<std::string>{""});
    EXPECT_EQ(seen.position, 0u);
    EXPECT_GT(seen.rates.size(), 1u) << "empty, then a rate";
}

// Cancel and the title bar's close button both stop the transfer without
// closing at once; the dialog ends when the worker has, and the part stays.
TEST_F(Download, CancelOrCloseStopsTheTransferAndKeepsThePartReceived) {
    const std::string content = Bytes(300 * 1024, 3);
    ASSERT_TRUE(sim.SetInstaller(content));
    ASSERT_TRUE(sim.InstallerRate(16 * 1024));
    for (UINT how : {UINT(WM_COMMAND), UINT(WM_CLOSE)}) {
        SCOPED_TRACE(how == WM_CLOSE ? "title bar" : "Cancel");
        ::DeleteFileA(target.c_str());
        fw::MessageBoxScript boxes;
        bool stillOpen = false, cancelEnabled = true;
        std::string status;
        Seen seen;
        CHttpDownloadDlg d;
        d.m_strUrl = dlg.m_strUrl;
        d.m_strTargetFile = target;
        INT_PTR result = RunWatched(
            d, seen, [&] { return SizeOf(target) >= 8 * 1024; },
            [&](HWND w) {
                ::SendMessageA(w, how, how == WM_CLOSE ? 0 : IDCANCEL, 0);
                stillOpen = ::IsWindow(w) != FALSE;
                cancelEnabled = ::IsWindowEnabled(::GetDlgItem(w, IDCANCEL)) != FALSE;
                status = WindowText(::GetDlgItem(w, IDC_DOWNLOAD_STATUS));
            });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(stillOpen);
        EXPECT_FALSE(cancelEnabled);
        EXPECT_EQ(status, "Aborting transfer");
        EXPECT_TRUE(boxes.Shown().empty());
        const std::string part = ReadFile(target);
        EXPECT_GE(part.size(), 8u * 1024);
        EXPECT_LT(part.size(), content.size());
        EXPECT_TRUE(content.compare(0, part.size(), part) == 0) << "the start of the file";
    }
}

TEST_F(Download, FailuresSayWhyAndDeleteTheFile) {
    const struct {
        const char* mode;
        const char* user;
        const char* box; // its start
        size_t requests;
    } cases[] = {
        {"404", "", "Failed to receive a valid HTTP response from the server", 1},
        {"cut", "", "An error occurred while downloading the file, Error:", 1},
        {"401", "", "Failed to receive a valid HTTP response from the server", 1},
        {"407", "", "Failed to receive a valid HTTP response from the server", 1},
        // Preset credentials are tried once, never again and again. WinInet
        // itself answers each 401 once more with the connection's credentials.
        {"401", "jan", "Failed to receive a valid HTTP response from the server", 4},
    };
    ASSERT_TRUE(sim.SetInstaller(Bytes(200 * 1024, 4)));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.user);
        ASSERT_TRUE(sim.InstallerMode(c.mode));
        ASSERT_TRUE(sim.ClearInstallerRequests());
        CHttpDownloadDlg d;
        d.m_strUrl = dlg.m_strUrl;
        d.m_strTargetFile = target;
        d.m_bPromptServerCredentials = d.m_bPromptProxyCredentials = FALSE;
        d.m_strUserName = c.user;
        d.m_strPassword = "haslo";
        fw::MessageBoxScript boxes;
        EXPECT_EQ(d.DoModal(), IDCANCEL);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text.rfind(c.box, 0), 0u) << boxes.Shown()[0].text;
        EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");
        EXPECT_FALSE(Exists(target));
        EXPECT_EQ(sim.InstallerRequests().size(), c.requests);
    }
}

TEST_F(Download, TheServerMustProveItIsTheService) {
    dlg.m_strUrl = Url(SimControl::UntrustedHttpsPort());
    fw::MessageBoxScript boxes;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(
        boxes.Shown()[0].text.rfind("An error occurred connecting to the server, Error:12", 0), 0u)
        << boxes.Shown()[0].text;
    EXPECT_FALSE(Exists(target));
}

TEST_F(Download, ItResumesWithARangeAndAsksBeforeReplacingAWholeFile) {
    const std::string content = Bytes(100 * 1024, 5);
    ASSERT_TRUE(sim.SetInstaller(content));
    WriteFile(target, content.substr(0, 1000));
    dlg.m_dwStartOffset = 1000;
    {
        fw::MessageBoxScript boxes;
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(boxes.Shown().empty()) << "a resumed file is not replaced";
    }
    EXPECT_TRUE(ReadFile(target) == content);
    EXPECT_EQ(sim.InstallerRequests(), std::vector<std::string>{"206 bytes=1000-"});

    // From the start, the existing file is replaced only when the user says so.
    ASSERT_TRUE(sim.ClearInstallerRequests());
    WriteFile(target, "old");
    for (int answer : {IDNO, IDYES}) {
        CHttpDownloadDlg d;
        d.m_strUrl = dlg.m_strUrl;
        d.m_strTargetFile = target;
        fw::MessageBoxScript boxes;
        boxes.Answer(answer);
        EXPECT_EQ(d.DoModal(), answer == IDYES ? IDOK : IDCANCEL);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text,
                  "The file '" + target + "' already exists.\nDo you want to replace it?");
        EXPECT_TRUE(ReadFile(target) == (answer == IDYES ? content : "old"));
    }
    EXPECT_EQ(sim.InstallerRequests().size(), 1u) << "nothing fetched before the yes";

    // A URL that cannot be read, even as http://, ends at once, file untouched.
    CHttpDownloadDlg bad;
    bad.m_strUrl = "::no url::";
    bad.m_strTargetFile = target;
    fw::MessageBoxScript boxes;
    EXPECT_EQ(bad.DoModal(), IDCANCEL);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(ReadFile(target) == content);
}

// The version check in the logged-in main window, its dialogs scripted unless
// a test runs them for real.
class Version : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
    }

    void TearDown() override {
        sim.Reset("VERSION");
        sim.StartAfresh();
        EndClient(app, boxes ? &*boxes : nullptr);
        ::DeleteFileA(target.c_str());
    }

    void Login() {
        ASSERT_TRUE(StartLoggedIn(app, "briskopc-version", SimControl::HttpsPort(), kLogin));
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    std::vector<std::string> Questions() {
        std::vector<std::string> asked;
        for (const fw::ShownMessageBox& box : boxes->Shown())
            if (box.text == "Pojawiła się nowa wersja BriskoPC, czy pobrać ją z serwera?")
                asked.push_back(box.text);
        return asked;
    }

    CBriskoPCApp app;
    SimControl sim;
    // Scripted but where a test shows a box for real.
    std::optional<fw::MessageBoxScript> boxes{std::in_place};
    // No program opens a file of this kind.
    const std::string target = ScratchPath("briskopc-setup.brisko-test");
};

TEST_F(Version, TheOfferedVersionIsComparedWholeAsText) {
    Login();
    EXPECT_TRUE(Questions().empty()) << "the service names 0.22, ours";
    std::vector<std::string> functions = sim.LoggedFunctions();
    EXPECT_EQ(std::count(functions.begin(), functions.end(), "VERSION"), 1);

    const struct {
        const char* answer;
        bool asks;
    } cases[] = {
        {"VEROK\r\n0.22", false}, {"VEROK\n0.22\r\n", true}, {"VEROK0.22", true},
        {"VEROK\r\n0.21", true},  {"VEROK\r\n0.23", true},   {"VERFAILED\r\n0.23", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ASSERT_TRUE(sim.Answer("VERSION", c.answer));
        size_t before = Questions().size();
        boxes->Answer(IDNO);
        dlg().SendVersion();
        ASSERT_TRUE(Settle(dlg()));
        EXPECT_EQ(Questions().size(), before + (c.asks ? 1 : 0));
    }
    EXPECT_EQ(dlg().m_nSessionState, 2);
}

TEST_F(Version, AnInstallerThatCannotStartLeavesTheClientRunning) {
    const std::string content = Bytes(50 * 1024, 6);
    ASSERT_TRUE(sim.SetInstaller(content));
    ASSERT_TRUE(sim.SetVersion("0.23"));
    fw::FileDialogScript files;
    files.Choose(target);
    for (int answer : {IDYES, IDOK, IDOK})
        boxes->Answer(answer);
    // The download dialog runs for real, in its modal loop inside the answer's handling.
    Login();

    ASSERT_EQ(files.Shown().size(), 1u);
    EXPECT_EQ(files.Shown()[0].initialName, "setup.exe");
    const DWORD flags =
        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    EXPECT_EQ(files.Shown()[0].flags & flags, flags);
    EXPECT_EQ(files.Shown()[0].owner, dlg().m_hWnd);
    EXPECT_TRUE(ReadFile(target) == content);
    ASSERT_EQ(boxes->Shown().size(), 3u);
    EXPECT_EQ(boxes->Shown()[1].text, "Nowa wersja została pobrana i zapisana jako " + target);
    EXPECT_NE(boxes->Shown()[2].text.find(target), std::string::npos) << boxes->Shown()[2].text;
    EXPECT_TRUE(::IsWindow(dlg().m_hWnd));
    EXPECT_EQ(dlg().m_nSessionState, 2);
}

// The question waits in a real message box while the timers and answers go on:
// a second offer meanwhile asks nothing more, and a locked client asks only
// after the unlock.
TEST_F(Version, OneQuestionAtATimeAndNoneWhileLocked) {
    Login();
    std::vector<size_t> openWhileAsked;
    boxes.reset();
    {
        ModalPeer peer(dlg().m_hWnd, [&](HWND w) {
            if (DialogText(w).find("nowa wersja") == std::string::npos)
                return;
            ::PostMessageA(dlg().m_hWnd, WM_REQUEST_STARTED, 0, 0);
            ::PostMessageA(
                dlg().m_hWnd, WM_REQUEST_DONE, 0,
                reinterpret_cast<LPARAM>(AnsweredRequest(dlg(), "VERSION", "VEROK\r\n0.24")));
            ::Sleep(1000);
            openWhileAsked.push_back(peer.OpenWindows().size());
            Press(w, IDNO);
        });
        ::PostMessageA(dlg().m_hWnd, WM_REQUEST_STARTED, 0, 0);
        ::PostMessageA(
            dlg().m_hWnd, WM_REQUEST_DONE, 0,
            reinterpret_cast<LPARAM>(AnsweredRequest(dlg(), "VERSION", "VEROK\r\n0.23")));
        ASSERT_TRUE(PumpUntil([&] { return !openWhileAsked.empty() && dlg().m_nThreads == 0; }));
        Pump(300);
    }
    EXPECT_EQ(openWhileAsked, std::vector<size_t>{1}) << "one box, never a second";
    boxes.emplace();

    fw::DialogScript dialogs;
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOCK, 0);
    ASSERT_TRUE(dlg().m_bLocked);
    TimeAnswer(dlg(), "VERSION", "VEROK\r\n0.23");
    EXPECT_TRUE(Questions().empty()) << "nothing to whoever sits at a locked client";
    dialogs.Expect(IDD_PASSWORD, [](CDialog& d) {
        fw::SetItemText(d, IDC_PASSWORD, "haslo123");
        fw::Press(d, IDOK);
    });
    boxes->Answer(IDNO);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_UNLOCK, 0);
    EXPECT_FALSE(dlg().m_bLocked);
    EXPECT_EQ(Questions().size(), 1u) << "asked after the unlock";
}

} // namespace
