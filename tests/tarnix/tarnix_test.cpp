// Tarnix.dll under Wine: the hooks stamp the time of input taken from a queue, in this
// process and in others, and only then.
#include "Tarnix.h"
#include "input_window.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <string>
#include <utility>

namespace {

const DWORD kTimeoutMs = 3000;

// GetTickCount may advance in steps of 10 to 16 ms: wait until it differs from dwTick, so
// that a stamp taken from now on can be told from dwTick.
void WaitForTickAfter(DWORD dwTick) {
    while (GetTickCount() == dwTick)
        Sleep(2);
}

// The stamp lies in [dwFrom, dwTo]; unsigned, so it holds across the wrap of the tick count.
void ExpectStampWithin(DWORD dwFrom, DWORD dwTo) {
    const DWORD dwStamp = TarnixGetLastInputTime();
    EXPECT_LE(dwStamp - dwFrom, dwTo - dwFrom)
        << "stamp " << dwStamp << " outside [" << dwFrom << ", " << dwTo << "]";
}

bool WaitForStampChange(DWORD dwOld) {
    const DWORD dwStart = GetTickCount();
    while (TarnixGetLastInputTime() == dwOld) {
        if (GetTickCount() - dwStart > kTimeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

void SendKeyPress(HWND) {
    INPUT in[2] = {};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_F13; // a key that no window acts upon
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    EXPECT_EQ(2u, SendInput(2, in, sizeof(INPUT)));
}

// Moves the pointer into hwnd, to a point other than where it is, so that there is a move.
void SendMouseMove(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    POINT pt;
    GetCursorPos(&pt);
    const int x = pt.x == rc.left + 50 ? rc.left + 60 : rc.left + 50;
    const int y = rc.top + 50;
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    EXPECT_EQ(1u, SendInput(1, &in, sizeof(INPUT)));
}

// Waits until a message of the range is in this thread's queue, only peeking at it.
bool WaitForQueued(UINT uFirst, UINT uLast) {
    const DWORD dwStart = GetTickCount();
    MSG msg;
    while (!PeekMessageA(&msg, nullptr, uFirst, uLast, PM_NOREMOVE)) {
        if (GetTickCount() - dwStart > kTimeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// A window of the test's own thread, in the foreground.
class OwnWindow {
public:
    OwnWindow() : m_hwnd(CreateInputWindow("tarnix test")) { DrainQueue(); }
    ~OwnWindow() {
        DestroyWindow(m_hwnd);
        DrainQueue();
    }
    HWND Get() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

struct InputKind {
    const char* pszName;
    UINT uFirst, uLast;
    void (*pfnSend)(HWND);
};

const InputKind kKeyboard = {"keyboard", WM_KEYFIRST, WM_KEYLAST, SendKeyPress};
const InputKind kMouse = {"mouse", WM_MOUSEFIRST, WM_MOUSELAST, SendMouseMove};

// Sends input to the own window, peeks at it (the hook sees HC_NOREMOVE), then takes it
// (HC_ACTION). Returns whether peeking and taking changed the stamp, in that order.
std::pair<bool, bool> PeekThenTake(const OwnWindow& wnd, const InputKind& kind) {
    const DWORD dwBefore = TarnixGetLastInputTime();
    WaitForTickAfter(dwBefore);
    kind.pfnSend(wnd.Get());
    EXPECT_TRUE(WaitForQueued(kind.uFirst, kind.uLast))
        << "no " << kind.pszName << " message reached the test window";
    const bool bPeekStamped = TarnixGetLastInputTime() != dwBefore;
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, kind.uFirst, kind.uLast, PM_REMOVE));
    const bool bTakeStamped = TarnixGetLastInputTime() != dwBefore;
    DrainQueue();
    return {bPeekStamped, bTakeStamped};
}

class TarnixTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TarnixInit()); }
    void TearDown() override { TarnixTerm(); }
};

TEST_F(TarnixTest, InitStampsNowAndASecondInitKeepsTheStamp) {
    TarnixTerm();
    const DWORD dwFrom = GetTickCount();
    ASSERT_TRUE(TarnixInit());
    ExpectStampWithin(dwFrom, GetTickCount());

    const DWORD dwStamp = TarnixGetLastInputTime();
    WaitForTickAfter(dwStamp);
    EXPECT_TRUE(TarnixInit());
    EXPECT_EQ(dwStamp, TarnixGetLastInputTime());
}

TEST_F(TarnixTest, OnlyInputTakenFromTheQueueStamps) {
    OwnWindow wnd;
    for (const InputKind& kind : {kKeyboard, kMouse}) {
        const auto [bPeekStamped, bTakeStamped] = PeekThenTake(wnd, kind);
        EXPECT_FALSE(bPeekStamped) << kind.pszName << " message only peeked at stamped";
        EXPECT_TRUE(bTakeStamped) << kind.pszName << " message taken did not stamp";
    }
}

TEST_F(TarnixTest, TermRemovesTheHooksAndInitInstallsThemAgain) {
    OwnWindow wnd;
    TarnixTerm();
    EXPECT_FALSE(PeekThenTake(wnd, kKeyboard).second) << "input stamped after TarnixTerm";
    ASSERT_TRUE(TarnixInit());
    EXPECT_TRUE(PeekThenTake(wnd, kKeyboard).second) << "no hooks after TarnixInit again";
}

// Runs one window of the test process on its own thread, as another application would.
DWORD WINAPI RunOtherThreadWindow(LPVOID) {
    HWND hwnd = CreateInputWindow("tarnix thread");
    return hwnd ? PumpUntilDestroyed(hwnd) : 0;
}

// Waits until the window is shown: FindWindow sees it while its thread is still inside
// CreateWindowEx, and input sent then goes to whatever window lies below.
HWND WaitForWindow(const char* pszTitle) {
    const DWORD dwStart = GetTickCount();
    HWND hwnd;
    while (!((hwnd = FindWindowA(nullptr, pszTitle)) && IsWindowVisible(hwnd)) &&
           GetTickCount() - dwStart < kTimeoutMs)
        Sleep(10);
    return hwnd;
}

// Brings hwnd of another thread to the foreground, which takes effect there asynchronously.
void MakeForeground(HWND hwnd) {
    SetForegroundWindow(hwnd);
    const DWORD dwStart = GetTickCount();
    while (GetForegroundWindow() != hwnd && GetTickCount() - dwStart < kTimeoutMs)
        Sleep(10);
}

// Sends keyboard and mouse input to the foreground window hwnd of another thread and reports
// whether the stamp moved to the time of it.
bool InputToOtherWindowStamps(HWND hwnd) {
    MakeForeground(hwnd);
    const DWORD dwBefore = TarnixGetLastInputTime();
    WaitForTickAfter(dwBefore);
    const DWORD dwFrom = GetTickCount();
    SendKeyPress(hwnd);
    SendMouseMove(hwnd);
    if (!WaitForStampChange(dwBefore))
        return false;
    ExpectStampWithin(dwFrom, GetTickCount());
    return true;
}

void CloseAndWait(HWND hwnd, HANDLE hWaitable) {
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hWaitable, kTimeoutMs));
}

TEST_F(TarnixTest, InputTakenByAnotherThreadStamps) {
    HANDLE hThread = CreateThread(nullptr, 0, RunOtherThreadWindow, nullptr, 0, nullptr);
    ASSERT_TRUE(hThread);
    HWND hwnd = WaitForWindow("tarnix thread");
    ASSERT_TRUE(hwnd);
    EXPECT_TRUE(InputToOtherWindowStamps(hwnd));
    CloseAndWait(hwnd, hThread);
    DWORD dwTaken = 0;
    GetExitCodeThread(hThread, &dwTaken);
    CloseHandle(hThread);
    EXPECT_GT(dwTaken, 0u) << "the other thread took no input";
}

std::string HelperPath() {
    char szPath[MAX_PATH];
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strPath = szPath;
    return strPath.substr(0, strPath.find_last_of('\\') + 1) + "tarnix_helper.exe";
}

// Starts tarnix_helper with one argument; the caller closes the returned process handle.
HANDLE StartHelper(const char* pszMode) {
    std::string strCmd = "\"" + HelperPath() + "\" " + pszMode;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &strCmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

bool IsTarnixLoadedIn(HANDLE hProcess) {
    HMODULE ahModules[256];
    DWORD cbNeeded = 0;
    if (!EnumProcessModules(hProcess, ahModules, sizeof(ahModules), &cbNeeded))
        return false;
    for (DWORD i = 0; i < cbNeeded / sizeof(HMODULE) && i < 256; i++) {
        char szName[MAX_PATH];
        if (GetModuleBaseNameA(hProcess, ahModules[i], szName, MAX_PATH) &&
            lstrcmpiA(szName, "Tarnix.dll") == 0)
            return true;
    }
    return false;
}

TEST_F(TarnixTest, InputTakenByAnotherProcessStamps) {
    HANDLE hHelper = StartHelper("window");
    ASSERT_TRUE(hHelper) << "cannot start " << HelperPath();
    HWND hwnd = WaitForWindow("tarnix helper");
    ASSERT_TRUE(hwnd);
    const bool bStamped = InputToOtherWindowStamps(hwnd);
    const bool bLoaded = IsTarnixLoadedIn(hHelper);
    CloseAndWait(hwnd, hHelper);
    DWORD dwTaken = 0;
    GetExitCodeProcess(hHelper, &dwTaken);
    CloseHandle(hHelper);
    ASSERT_GT(dwTaken, 0u) << "the helper took no input";
    if (!bStamped && !bLoaded) {
        OwnWindow wnd;
        ASSERT_TRUE(PeekThenTake(wnd, kKeyboard).second) << "the hooks fail in this process too";
        GTEST_SKIP() << "the helper took input but the system never loaded Tarnix.dll into it "
                        "to run the global hooks";
    }
    EXPECT_TRUE(bStamped) << "Tarnix.dll ran in the helper, yet the stamp did not move here";
}

// The stamp that TarnixInit sets in another process shows here: one section for all processes.
TEST(TarnixAcrossProcesses, StampOfAnotherProcessShowsHere) {
    WaitForTickAfter(TarnixGetLastInputTime());
    const DWORD dwFrom = GetTickCount();
    HANDLE hHelper = StartHelper("session");
    ASSERT_TRUE(hHelper) << "cannot start " << HelperPath();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hHelper, kTimeoutMs));
    DWORD dwInit = 0;
    GetExitCodeProcess(hHelper, &dwInit);
    CloseHandle(hHelper);
    EXPECT_EQ(1u, dwInit);
    ExpectStampWithin(dwFrom, GetTickCount());
}

// Two clients (two desktops or sessions): the one that started first ends, and the hooks of the
// other, this process, still stamp input.
TEST(TarnixAcrossProcesses, AClientThatEndsLeavesTheOthersHooksInPlace) {
    HANDLE hFirstIn = CreateEventA(nullptr, TRUE, FALSE, "tarnix first in");
    HANDLE hSecondIn = CreateEventA(nullptr, TRUE, FALSE, "tarnix second in");
    ResetEvent(hFirstIn);
    ResetEvent(hSecondIn);
    HANDLE hHelper = StartHelper("first");
    ASSERT_TRUE(hHelper) << "cannot start " << HelperPath();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hFirstIn, kTimeoutMs));
    ASSERT_TRUE(TarnixInit());
    SetEvent(hSecondIn);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hHelper, kTimeoutMs));
    DWORD dwInit = 0;
    GetExitCodeProcess(hHelper, &dwInit);
    CloseHandle(hHelper);
    CloseHandle(hSecondIn);
    CloseHandle(hFirstIn);
    EXPECT_EQ(1u, dwInit);

    OwnWindow wnd;
    EXPECT_TRUE(PeekThenTake(wnd, kKeyboard).second) << "the first client took this one's hooks";
    EXPECT_TRUE(PeekThenTake(wnd, kMouse).second) << "the first client took this one's hooks";
    TarnixTerm();
    EXPECT_FALSE(PeekThenTake(wnd, kKeyboard).second) << "this client's own hooks stayed";
}

} // namespace
