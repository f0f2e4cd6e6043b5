// The real program, started twice: the second start brings the first forward
// and ends; only "Zakończ" ends the first.
#include "ClientProcess.h"
#include "SimControl.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// The program's own profile: the simulator's demo account, stored, so that it
// logs in at start without asking.
class StoredLogin {
public:
    StoredLogin() { WriteClientProfile(SimControl::HttpsPort(), "+48600100200", "haslo123"); }
    ~StoredLogin() { DeleteClientProfile(); }
};

std::string ProgramPath() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1) + "BriskoPC.exe";
}

struct Process {
    PROCESS_INFORMATION pi = {};
    bool started = false;

    Process() {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string cmd = "\"" + ProgramPath() + "\"";
        started = ::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi);
    }
    ~Process() {
        if (!started)
            return;
        // Ended the user's way, so that it takes its input hooks with it.
        if (HWND main = ::FindWindowA("BriskoPCClass", nullptr); main && Running())
            ::PostMessageA(main, WM_COMMAND, 8, 0);
        if (!EndsWithin(10000))
            ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, 5000);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    bool Running() const { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool EndsWithin(DWORD ms) const {
        return ::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0;
    }
};

// The main window once it is up and shown, as the user first sees it.
HWND WaitForMainWindow() {
    for (int i = 0; i < 200; ++i) {
        HWND hWnd = ::FindWindowA("BriskoPCClass", nullptr);
        if (hWnd && ::IsWindowVisible(hWnd))
            return hWnd;
        ::Sleep(50);
    }
    return nullptr;
}

int CountMainWindows() {
    int count = 0;
    ::EnumWindows(
        [](HWND hWnd, LPARAM counter) {
            char cls[64];
            if (::GetClassNameA(hWnd, cls, sizeof cls) && !strcmp(cls, "BriskoPCClass"))
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(SecondStart, RestoresTheMinimisedFirstAndEnds) {
    StoredLogin profile;
    Process first;
    ASSERT_TRUE(first.started);
    HWND main = WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(main));

    Process second;
    ASSERT_TRUE(second.started);
    ASSERT_TRUE(second.EndsWithin(10000));
    DWORD code = 1;
    ::GetExitCodeProcess(second.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);

    EXPECT_FALSE(::IsIconic(main)) << "the running window is restored";
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(CountMainWindows(), 1);
    EXPECT_TRUE(first.Running());
}

TEST(SecondStart, LeavesTheHiddenFirstHiddenAndOnlyExitEndsIt) {
    StoredLogin profile;
    SimControl sim;
    sim.ClearLog();
    Process first;
    ASSERT_TRUE(first.started);
    HWND main = WaitForMainWindow();
    ASSERT_NE(main, nullptr);

    // The close box hides the window; the program runs on.
    ::SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_FALSE(first.EndsWithin(500));

    Process second;
    ASSERT_TRUE(second.EndsWithin(10000));
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_EQ(CountMainWindows(), 1);

    // It logged in with the stored credentials, and opened its own session at
    // the timer's first duty tick.
    for (int i = 0; i < 100 && sim.LoggedFunctions().size() < 5; ++i)
        ::Sleep(100);
    std::vector<std::string> functions = sim.LoggedFunctions();
    std::sort(functions.begin() + (functions.empty() ? 0 : 1), functions.end());
    EXPECT_EQ(functions,
              (std::vector<std::string>{"LOGIN", "GETCONTACTS", "GETCOSTS", "LOGINPC", "VERSION"}))
        << "after LOGIN, in any order";

    // "Zakończ" ends it.
    ::PostMessageA(main, WM_COMMAND, 8, 0);
    EXPECT_TRUE(first.EndsWithin(10000));
    EXPECT_EQ(::FindWindowA("BriskoPCClass", nullptr), nullptr);
}

} // namespace
