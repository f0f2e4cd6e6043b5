// The framework under Wine: message tables, modal and modeless dialogs, data
// exchange, the two test seams, the profile, the workers.
#include "BitmapButton.h"
#include "DataExchange.h"
#include "Dialog.h"
#include "MessageBox.h"
#include "Thread.h"
#include "WinApp.h"
#include "framework_test.h"
#include "../support/Files.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

class TestApp : public CWinApp {
public:
    TestApp() : CWinApp("BriskoTest") {}
    BOOL OnCmdMsg(UINT id) override {
        if (id != ID_APP_COMMAND)
            return FALSE;
        ++appCommands;
        return TRUE;
    }
    int appCommands = 0;
};

const UINT g_uRegistered = ::RegisterWindowMessageA("BriskoFrameworkTest");

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(IDD_TEST) {}

    std::string m_strName;
    BOOL m_bRemember = FALSE;
    int commands = 0;
    int closes = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, IDC_NAME, m_strName);
        DDX_Check(pDX, IDC_REMEMBER, m_bRemember);
    }

private:
    void OnTestCommand() { ++commands; }
    void OnCloseBox() { ++closes; }
    LRESULT OnQuery(WPARAM wParam, LPARAM lParam) { return wParam * 100 + lParam; }
    LRESULT OnRegistered(WPARAM wParam, LPARAM) { return wParam + 1; }

    DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    ON_COMMAND(ID_TEST_COMMAND, OnTestCommand)
    ON_MESSAGE_VOID(WM_CLOSE, OnCloseBox)
    ON_MESSAGE(WM_USER + 5, OnQuery)
    ON_REGISTERED_MESSAGE(g_uRegistered, OnRegistered)
END_MESSAGE_MAP()
// clang-format on

// A path, like every path the framework takes (see Text.h).
std::string TempFile(const char* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    std::string path = fw::PathText(dir) + name;
    ::DeleteFileW(fw::PathW(path).c_str());
    return path;
}

class FrameworkTest : public ::testing::Test {
protected:
    TestApp app;
};

TEST_F(FrameworkTest, MessageTableRoutesMessagesCommandsAndTheRestToTheApplication) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hWnd = dlg.m_hWnd;

    EXPECT_EQ(::SendMessageA(hWnd, WM_USER + 5, 3, 7), 307);
    EXPECT_EQ(::SendMessageA(hWnd, ::RegisterWindowMessageA("BriskoFrameworkTest"), 41, 0), 42);
    ::SendMessageA(hWnd, WM_COMMAND, ID_TEST_COMMAND, 0);
    ::SendMessageA(hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(dlg.commands, 1);
    EXPECT_EQ(dlg.closes, 1);
    EXPECT_TRUE(::IsWindow(hWnd)) << "a handled WM_CLOSE must not reach the default handling";

    // A command the dialog does not know goes to the application object.
    ::SendMessageA(hWnd, WM_COMMAND, ID_APP_COMMAND, 0);
    EXPECT_EQ(app.appCommands, 1);
    EXPECT_EQ(dlg.commands, 1);

    EXPECT_EQ(CWnd::FromHandle(hWnd), &dlg);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hWnd), nullptr);
}

TEST_F(FrameworkTest, DestroyingTheMainWindowEndsTheMessageLoop) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
    app.m_pMainWnd = &dlg;
    dlg.DestroyWindow();
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    // Any other dialog goes quietly.
    TestDialog other;
    ASSERT_TRUE(other.Create());
    other.DestroyWindow();
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    app.m_pMainWnd = nullptr;
}

TEST_F(FrameworkTest, ScriptedModalDialogExchangesDataBothWays) {
    fw::DialogScript script;
    std::string shownName;
    script.Expect(IDD_TEST, [&](CDialog& dlg) {
        shownName = WindowText(dlg.GetDlgItem(IDC_NAME));
        fw::SetItemText(dlg, IDC_NAME, "Zażółć gęślą jaźń");
        fw::SetCheck(dlg, IDC_REMEMBER, true);
        fw::Press(dlg, IDOK);
    });
    script.Expect(IDD_TEST, [](CDialog& dlg) {
        fw::SetItemText(dlg, IDC_NAME, "changed");
        fw::Press(dlg, IDCANCEL);
    });

    TestDialog dlg;
    dlg.m_strName = "+48602123456";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(shownName, "+48602123456") << "members reach the controls before the user acts";
    EXPECT_EQ(dlg.m_strName, "Zażółć gęślą jaźń");
    EXPECT_TRUE(dlg.m_bRemember);
    EXPECT_EQ(dlg.m_hWnd, nullptr);

    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_strName, "Zażółć gęślą jaźń") << "Cancel keeps the members";
    EXPECT_EQ(script.Opened(), (std::vector<UINT>{IDD_TEST, IDD_TEST}));
}

TEST_F(FrameworkTest, ScriptedDialogThatIsNotExpectedOrLeftOpen) {
    fw::DialogScript script;
    TestDialog dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << "an unexpected dialog is cancelled, not shown";

    script.Expect(IDD_TEST, [](CDialog&) {});
    EXPECT_EQ(dlg.DoModal(), -1) << "a script that never closes the dialog fails it";
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(script.Opened().size(), 2u);
}

TEST_F(FrameworkTest, ScriptedMessageBoxesAreRecordedAndAnswered) {
    fw::MessageBoxScript boxes;
    boxes.Answer(IDNO);
    EXPECT_EQ(AfxMessageBox("Czy kontynuować?", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox("Gotowe", MB_YESNO | MB_ICONQUESTION), IDYES)
        << "with no answer left, the default button";
    EXPECT_EQ(MessageBoxFor(nullptr, "Tekst", "Uwaga", MB_OK), IDOK);

    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[0].text, "Czy kontynuować?");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoTest") << "the application title";
    EXPECT_EQ(boxes.Shown()[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(boxes.Shown()[2].caption, "Uwaga");
}

TEST_F(FrameworkTest, ProfileEntriesRoundTripAndDelete) {
    app.SetProfilePath(TempFile("briskotest.ini"));
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Login", "brak"), "brak");
    EXPECT_EQ(app.GetProfileInt("BriskoPC", "CheckAwayTime", 5), 5);

    ASSERT_TRUE(app.WriteProfileString("BriskoPC", "Login", "+48602123456"));
    ASSERT_TRUE(app.WriteProfileInt("BriskoPC", "CheckAwayTime", 12));
    std::string longValue(1000, 'x');
    ASSERT_TRUE(app.WriteProfileString("BriskoPC", "Long", longValue.c_str()));
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Login"), "+48602123456");
    EXPECT_EQ(app.GetProfileInt("BriskoPC", "CheckAwayTime", 5), 12);
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Long"), longValue) << "long values are not cut";

    ASSERT_TRUE(app.WriteProfileString("BriskoPC", "Login", nullptr));
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Login", ""), "");
    ::DeleteFileW(fw::PathW(app.ProfilePath()).c_str());
}

// The windows are Unicode windows and every text crosses into them through
// cp1250 itself: these hold in any system code page (the tests run in a
// Polish and in a UTF-8 one).
TEST_F(FrameworkTest, TextsReachTheWindowsInCodePage1250WhateverTheSystemUses) {
    TestDialog dlg;
    dlg.m_strName = "Zażółć gęślą jaźń";
    ASSERT_TRUE(dlg.Create());
    HWND edit = dlg.GetDlgItem(IDC_NAME);
    EXPECT_TRUE(::IsWindowUnicode(dlg.m_hWnd));
    EXPECT_TRUE(::IsWindowUnicode(edit));
    wchar_t shown[64] = L"";
    ::GetWindowTextW(edit, shown, 64);
    EXPECT_EQ(std::wstring(shown),
              L"Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144");
    ::GetWindowTextW(dlg.m_hWnd, shown, 64);
    EXPECT_EQ(std::wstring(shown), L"Pr\u00f3ba") << "the template's caption";

    // Typed letters arrive as characters, not as bytes of some code page.
    ::SetWindowTextW(edit, L"");
    for (wchar_t c : std::wstring(L"\u017c\u00f3\u0142w \u0104"))
        ::SendMessageW(edit, WM_CHAR, c, 0);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_strName, "żółw Ą");

    // What cp1250 has no byte for becomes one "?" a character, and the rest stays.
    const std::wstring outside =
        std::wstring(L"S\u00f8ren \U0001F600 \u017c") + wchar_t(0xD800) + L".";
    ::SetWindowTextW(edit, outside.c_str());
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.m_strName, "S?ren ? ż?.");

    // The bytes cp1250 leaves unassigned come back as they went, with what follows.
    const std::string unassigned = "a\x81"
                                   "b\x83"
                                   "c\x88"
                                   "d\x90"
                                   "e\x98"
                                   "f\xbf";
    dlg.m_strName = unassigned;
    dlg.UpdateData(FALSE);
    EXPECT_EQ(fw::GetText(edit), unassigned);
    EXPECT_EQ(fw::Cp1250(fw::Wide(unassigned)), unassigned);
    dlg.DestroyWindow();

    EXPECT_EQ(AfxLoadString(IDS_TEST_TEXT), "Zażółć gęślą jaźń") << "the string table";
    EXPECT_EQ(AfxLoadString(IDS_TEST_TEXT + 1), "");
}

// A path keeps letters cp1250 lacks; only a message shows them as "?".
TEST_F(FrameworkTest, PathsKeepLettersOutsideCodePage1250) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::string folder = fw::PathText(temp) + "S\xc3\xb8ren";
    EXPECT_EQ(fw::PathW(folder), std::wstring(temp) + L"S\u00f8ren");
    EXPECT_EQ(fw::ShownPath("C:\\users\\S\xc3\xb8ren\\\xc5\xbc"), "C:\\users\\S?ren\\ż");
    ::CreateDirectoryW(fw::PathW(folder).c_str(), nullptr);

    // The profile there, its bytes as the Polish system has always written them.
    const std::string profile = folder + "\\briskotest.ini";
    ::DeleteFileW(fw::PathW(profile).c_str());
    app.SetProfilePath(profile);
    ASSERT_TRUE(app.WriteProfileString("BriskoPC", "Login", "+48602123456"));
    ASSERT_TRUE(app.WriteProfileInt("BriskoPC", "CheckAway", 1));
    EXPECT_EQ(app.GetProfileString("BriskoPC", "Login"), "+48602123456");
    EXPECT_EQ(app.GetProfileInt("BriskoPC", "CheckAway", 0), 1);
    HANDLE file = ::CreateFileW(fw::PathW(profile).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[256];
    DWORD read = 0;
    ::ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    ::CloseHandle(file);
    EXPECT_EQ(std::string(bytes, read), "[BriskoPC]\r\nLogin=+48602123456\r\nCheckAway=1\r\n");
    ::DeleteFileW(fw::PathW(profile).c_str());
    ::RemoveDirectoryW(fw::PathW(folder).c_str());
}

TEST_F(FrameworkTest, MissingBitmapsThrowTheResourceException) {
    CBitmapButton button;
    EXPECT_THROW(button.LoadBitmaps(1, 2, 3), CResourceException);
}

// Procedures that run only once all of them run: none may wait for another's end.
struct Crowd {
    explicit Crowd(LONG n) : nCount(n) {}
    // The threads that ran them, once all of them ran.
    std::set<DWORD> Threads() const { return {anThreads, anThreads + nCount}; }
    LONG nCount;
    HANDLE hAllIn = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hAllOut = ::CreateSemaphoreA(nullptr, 0, 100, nullptr);
    LONG nIn = 0;
    DWORD anThreads[8] = {};
    ~Crowd() {
        ::CloseHandle(hAllIn);
        ::CloseHandle(hAllOut);
    }
};

UINT JoinCrowd(LPVOID p) {
    auto* crowd = static_cast<Crowd*>(p);
    LONG n = ::InterlockedIncrement(&crowd->nIn);
    if (n == crowd->nCount)
        ::SetEvent(crowd->hAllIn);
    if (::WaitForSingleObject(crowd->hAllIn, 5000) == WAIT_OBJECT_0)
        crowd->anThreads[n - 1] = ::GetCurrentThreadId();
    ::ReleaseSemaphore(crowd->hAllOut, 1, nullptr);
    return 0;
}

bool RunCrowd(Crowd& crowd) {
    for (LONG i = 0; i < crowd.nCount; ++i)
        if (!AfxBeginThread(JoinCrowd, &crowd))
            return false;
    for (LONG i = 0; i < crowd.nCount; ++i)
        if (::WaitForSingleObject(crowd.hAllOut, 10000) != WAIT_OBJECT_0)
            return false;
    return true;
}

TEST(Workers, EachProcedureRunsOnAWorkerOfItsOwnAndFinishedWorkersAreReused) {
    Crowd first(3);
    ASSERT_TRUE(RunCrowd(first));
    std::set<DWORD> firstThreads = first.Threads();
    EXPECT_EQ(firstThreads.size(), 3u) << "the procedures did not all run at once";
    EXPECT_EQ(firstThreads.count(0), 0u);

    // Once the first ones have gone back to waiting, the next ones run on them.
    ::Sleep(300);
    Crowd second(2);
    ASSERT_TRUE(RunCrowd(second));
    std::set<DWORD> secondThreads = second.Threads();
    ASSERT_EQ(secondThreads.size(), 2u);
    for (DWORD thread : secondThreads)
        EXPECT_EQ(firstThreads.count(thread), 1u) << "a new thread for a procedure";
}

} // namespace
