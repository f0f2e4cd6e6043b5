// The settings dialog with the Run value and the profile behind it, the About
// box from every window, and the help file's path.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientProcess.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "MessageBox.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The Run value "BriskoPC" as Windows reads it at logon, or "<absent>".
std::string RunValue() {
    char text[1024] = "";
    DWORD size = sizeof text - 1;
    if (::RegGetValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC", RRF_RT_REG_SZ, nullptr, text,
                       &size) != ERROR_SUCCESS)
        return "<absent>";
    return text;
}

void SetRunValue(const std::string& text) {
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC", REG_SZ, text.c_str(),
                                static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
}

void DeleteRunValue() {
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC");
}

std::string OwnQuotedPath() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    return "\"" + std::string(path, n) + "\"";
}

bool Checked(CDialog& d, int nID) {
    return ::IsDlgButtonChecked(d.m_hWnd, nID) == BST_CHECKED;
}

std::string Text(CDialog& d, int nID) {
    return WindowText(d.GetDlgItem(nID));
}

BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam) {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(WindowText(hWnd));
    return TRUE;
}

// What the settings dialog shows when it opens.
struct Shown {
    bool autostart = false;
    bool checkAway = false;
    std::string minutes = "<not opened>";
    bool awayWhenLocked = false;
    bool saveHistory = false;
    std::string historyLimit = "<not opened>";
};

// The texts of a dialog's controls that do not fit them in the dialog's font:
// one line for most, wrapped within its height for a multi-line check box.
std::vector<std::string> ClippedTexts(HWND dialog) {
    std::vector<std::string> clipped;
    HDC dc = ::GetDC(dialog);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        char kind[32] = "";
        ::GetClassNameA(c, kind, sizeof kind);
        bool button = lstrcmpiA(kind, "Button") == 0;
        LONG style = ::GetWindowLongA(c, GWL_STYLE);
        if ((!button && lstrcmpiA(kind, "Static") != 0) ||
            (button && (style & BS_TYPEMASK) == BS_GROUPBOX))
            continue;
        bool check = button && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        RECT box;
        ::GetClientRect(c, &box);
        // A check box draws its square and a gap before its text.
        int room = box.right - (check ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0);
        RECT need = {0, 0, room, 0};
        std::string t = WindowText(c);
        ::DrawTextA(dc, t.c_str(), -1, &need,
                    DT_CALCRECT | (check && (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE));
        if (need.right > room || need.bottom > box.bottom)
            clipped.push_back(t);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(dialog, dc);
    return clipped;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseFreshProfile(app, "briskopc-settings", "127.0.0.1", 9);
        DeleteRunValue();
        dialogs.Expect(IDD_LOGIN, [](CDialog& d) { fw::Press(d, IDCANCEL); });
        ASSERT_TRUE(app.InitInstance());
        ASSERT_NE(dlg(), nullptr);
        StopTimers(dlg()->m_hWnd);
        // Values the dialog never shows, to see whether it copies its own.
        dlg()->m_bCheckAway = 7;
        dlg()->m_nCheckAwayTime = 77;
        dlg()->m_bAwayWhenLocked = 7;
        dlg()->m_bSaveHistory = 7;
        dlg()->m_nHistoryLimitKb = 77;
    }

    void TearDown() override {
        if (dlg() && ::IsWindow(dlg()->m_hWnd))
            dlg()->OnClose();
        MSG msg;
        ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        app.ExitInstance();
        DeleteRunValue();
    }

    // Runs the settings command; the user reads the dialog, then does what the action does.
    Shown RunSettings(const std::function<void(CDialog&)>& action) {
        Shown shown;
        dialogs.Expect(IDD_SETTINGS, [&](CDialog& d) {
            shown = {Checked(d, IDC_AUTOSTART),    Checked(d, IDC_CHECK_AWAY),
                     Text(d, IDC_CHECK_AWAY_TIME), Checked(d, IDC_AWAY_WHEN_LOCKED),
                     Checked(d, IDC_SAVE_HISTORY), Text(d, IDC_HISTORY_LIMIT)};
            action(d);
        });
        ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_SETTINGS, 0);
        return shown;
    }

    int Profile(const char* entry) { return app.GetProfileInt("BriskoPC", entry, -1000); }

    // With autostart checked, each text typed into the field and OK pressed:
    // whether the dialog stayed open each time.
    std::vector<bool> StaysOpenFor(int nID, const std::vector<const char*>& texts) {
        std::vector<bool> stayedOpen;
        RunSettings([&](CDialog& d) {
            fw::SetCheck(d, IDC_AUTOSTART, true);
            for (const char* text : texts) {
                fw::TypeText(d, nID, text);
                fw::Press(d, IDOK);
                stayedOpen.push_back(d.m_hWnd && ::IsWindow(d.m_hWnd));
            }
            if (d.m_hWnd)
                fw::Press(d, IDCANCEL);
        });
        return stayedOpen;
    }

    CBriskoPCDlg* dlg() { return app.m_pMainDlg; }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
};

TEST_F(SettingsTest, OkWritesTheProgramsOwnQuotedPathAndTheOtherSettings) {
    std::vector<std::string> clipped = {"<not opened>"};
    Shown shown = RunSettings([&](CDialog& d) {
        ::ShowWindow(d.m_hWnd, SW_SHOW);
        clipped = ClippedTexts(d.m_hWnd);
        if (const std::string png = ShotFile("settings"); !png.empty()) {
            // Painted, and on the screen: Wine brings it there while messages run.
            RECT r;
            ::GetWindowRect(d.m_hWnd, &r);
            Pump(300);
            EXPECT_TRUE(ShootScreen(r, png));
        }
        fw::SetCheck(d, IDC_AUTOSTART, true);
        fw::SetCheck(d, IDC_CHECK_AWAY, false);
        fw::TypeText(d, IDC_CHECK_AWAY_TIME, "12");
        fw::SetCheck(d, IDC_AWAY_WHEN_LOCKED, true);
        fw::SetCheck(d, IDC_SAVE_HISTORY, false);
        fw::TypeText(d, IDC_HISTORY_LIMIT, "2048");
        fw::Press(d, IDOK);
    });
    EXPECT_EQ(clipped, std::vector<std::string>{}) << "texts that do not fit their controls";
    // No profile values, no Run value: the defaults.
    EXPECT_FALSE(shown.autostart);
    EXPECT_TRUE(shown.checkAway);
    EXPECT_EQ(shown.minutes, "5");
    EXPECT_FALSE(shown.awayWhenLocked);
    EXPECT_TRUE(shown.saveHistory);
    EXPECT_EQ(shown.historyLimit, "512");

    EXPECT_EQ(RunValue(), OwnQuotedPath());
    EXPECT_EQ(Profile("CheckAway"), 0);
    EXPECT_EQ(Profile("CheckAwayTime"), 12);
    EXPECT_EQ(Profile("AwayWhenLocked"), 1);
    EXPECT_EQ(Profile("SaveHistory"), 0);
    EXPECT_EQ(Profile("HistoryLimit"), 2048);
    EXPECT_EQ(dlg()->m_bCheckAway, FALSE);
    EXPECT_EQ(dlg()->m_nCheckAwayTime, 12);
    EXPECT_EQ(dlg()->m_bAwayWhenLocked, TRUE);
    EXPECT_EQ(dlg()->m_bSaveHistory, FALSE);
    EXPECT_EQ(dlg()->m_nHistoryLimitKb, 2048);
    EXPECT_TRUE(boxes.Shown().empty());

    // Opened again, it shows what was stored.
    shown = RunSettings([](CDialog& d) { fw::Press(d, IDCANCEL); });
    EXPECT_TRUE(shown.autostart);
    EXPECT_FALSE(shown.checkAway);
    EXPECT_EQ(shown.minutes, "12");
    EXPECT_TRUE(shown.awayWhenLocked);
    EXPECT_FALSE(shown.saveHistory);
    EXPECT_EQ(shown.historyLimit, "2048");
}

TEST_F(SettingsTest, ARunValueOfAnyOtherTextShowsCheckedAndOkRewritesIt) {
    for (const char* other : {"c:\\program files\\briskopc\\briskopc.exe", ""}) {
        SetRunValue(other);
        Shown shown = RunSettings([](CDialog& d) { fw::Press(d, IDOK); });
        EXPECT_TRUE(shown.autostart) << "Run value \"" << other << "\"";
        EXPECT_EQ(RunValue(), OwnQuotedPath());
    }
}

TEST_F(SettingsTest, UncheckingRemovesTheValueAndAnyIntegerIsTaken) {
    SetRunValue(OwnQuotedPath());
    RunSettings([](CDialog& d) {
        fw::SetCheck(d, IDC_AUTOSTART, false);
        fw::TypeText(d, IDC_CHECK_AWAY_TIME, "-3");
        fw::Press(d, IDOK);
    });
    EXPECT_EQ(RunValue(), "<absent>");
    EXPECT_EQ(Profile("CheckAway"), 1);
    EXPECT_EQ(Profile("CheckAwayTime"), -3);
    EXPECT_EQ(dlg()->m_bCheckAway, TRUE);
    EXPECT_EQ(dlg()->m_nCheckAwayTime, -3);

    // No value to remove is no error either.
    RunSettings([](CDialog& d) {
        fw::TypeText(d, IDC_CHECK_AWAY_TIME, " 0 ");
        fw::Press(d, IDOK);
    });
    EXPECT_EQ(RunValue(), "<absent>");
    EXPECT_EQ(dlg()->m_nCheckAwayTime, 0);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(SettingsTest, CancelChangesNothing) {
    SetRunValue("C:\\elsewhere\\BriskoPC.exe");
    app.WriteProfileInt("BriskoPC", "CheckAway", 0);
    app.WriteProfileInt("BriskoPC", "CheckAwayTime", 9);
    Shown shown = RunSettings([](CDialog& d) {
        fw::SetCheck(d, IDC_AUTOSTART, false);
        fw::SetCheck(d, IDC_CHECK_AWAY, true);
        fw::TypeText(d, IDC_CHECK_AWAY_TIME, "30");
        fw::Press(d, IDCANCEL);
    });
    EXPECT_TRUE(shown.autostart);
    EXPECT_FALSE(shown.checkAway);
    EXPECT_EQ(shown.minutes, "9");
    EXPECT_EQ(RunValue(), "C:\\elsewhere\\BriskoPC.exe");
    EXPECT_EQ(Profile("CheckAway"), 0);
    EXPECT_EQ(Profile("CheckAwayTime"), 9);
    EXPECT_EQ(dlg()->m_bCheckAway, 7);
    EXPECT_EQ(dlg()->m_nCheckAwayTime, 77);
    EXPECT_EQ(dlg()->m_bAwayWhenLocked, 7);
    EXPECT_EQ(dlg()->m_bSaveHistory, 7);
    EXPECT_EQ(dlg()->m_nHistoryLimitKb, 77);
    EXPECT_EQ(Profile("AwayWhenLocked"), -1000);
    EXPECT_EQ(Profile("HistoryLimit"), -1000);
}

TEST_F(SettingsTest, MinutesThatAreNoIntegerKeepTheDialogOpenAndWriteNothing) {
    EXPECT_EQ(StaysOpenFor(IDC_CHECK_AWAY_TIME, {"", "abc", "5 min", "1.5", "99999999999"}),
              std::vector<bool>(5, true));
    ASSERT_EQ(boxes.Shown().size(), 5u);
    EXPECT_EQ(boxes.Shown()[0].text, "Wprowadź liczbę całkowitą.");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");
    EXPECT_EQ(RunValue(), "<absent>");
    EXPECT_EQ(Profile("CheckAway"), -1000);
    EXPECT_EQ(Profile("CheckAwayTime"), -1000);
    EXPECT_EQ(dlg()->m_nCheckAwayTime, 77);

    // Put right, the same dialog takes it.
    RunSettings([](CDialog& d) {
        fw::TypeText(d, IDC_CHECK_AWAY_TIME, "x");
        fw::Press(d, IDOK);
        fw::TypeText(d, IDC_CHECK_AWAY_TIME, "8");
        fw::Press(d, IDOK);
    });
    EXPECT_EQ(Profile("CheckAwayTime"), 8);
    EXPECT_EQ(dlg()->m_nCheckAwayTime, 8);
}

TEST_F(SettingsTest, AHistoryLimitOutOfItsRangeIsRefusedAndAStoredOneIsClamped) {
    EXPECT_EQ(StaysOpenFor(IDC_HISTORY_LIMIT, {"15", "65537", "0", "", "x"}),
              std::vector<bool>(5, true));
    ASSERT_EQ(boxes.Shown().size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(boxes.Shown()[i].text, "Wprowadź liczbę całkowitą z zakresu od 16 do 65536.");
        EXPECT_EQ(boxes.Shown()[i].caption, "BriskoPC");
    }
    EXPECT_EQ(boxes.Shown()[3].text, "Wprowadź liczbę całkowitą.");
    EXPECT_EQ(RunValue(), "<absent>");
    EXPECT_EQ(Profile("HistoryLimit"), -1000);
    EXPECT_EQ(Profile("CheckAway"), -1000) << "nothing written";
    EXPECT_EQ(dlg()->m_nHistoryLimitKb, 77);

    // Both ends of the range are taken.
    for (const char* limit : {"16", "65536"}) {
        RunSettings([=](CDialog& d) {
            fw::TypeText(d, IDC_HISTORY_LIMIT, limit);
            fw::Press(d, IDOK);
        });
        EXPECT_EQ(dlg()->m_nHistoryLimitKb, std::stoi(limit));
        EXPECT_EQ(Profile("HistoryLimit"), std::stoi(limit));
    }

    // A profile edited by hand: the dialog and the next login read the nearest allowed.
    const std::pair<int, std::string> stored[] = {{1, "16"}, {-5, "16"}, {1 << 20, "65536"}};
    for (const auto& [value, read] : stored) {
        app.WriteProfileInt("BriskoPC", "HistoryLimit", value);
        EXPECT_EQ(RunSettings([](CDialog& d) { fw::Press(d, IDCANCEL); }).historyLimit, read);
        dialogs.Expect(IDD_LOGIN, [](CDialog& d) { fw::Press(d, IDCANCEL); });
        dlg()->StartLogin(FALSE);
        EXPECT_EQ(dlg()->m_nHistoryLimitKb, std::stoi(read)) << "stored " << value;
    }
    app.WriteProfileInt("BriskoPC", "AwayWhenLocked", 1);
    app.WriteProfileInt("BriskoPC", "SaveHistory", 0);
    dialogs.Expect(IDD_LOGIN, [](CDialog& d) { fw::Press(d, IDCANCEL); });
    dlg()->StartLogin(FALSE);
    EXPECT_EQ(dlg()->m_bAwayWhenLocked, TRUE);
    EXPECT_EQ(dlg()->m_bSaveHistory, FALSE);
}

TEST_F(SettingsTest, TheAboutBoxOpensFromEveryMenuAndWindow) {
    std::vector<std::vector<std::string>> texts;
    auto read = [&](CDialog& d) {
        texts.emplace_back();
        texts.back().push_back(WindowText(d.m_hWnd));
        ::EnumChildWindows(d.m_hWnd, CollectText, reinterpret_cast<LPARAM>(&texts.back()));
        fw::Press(d, IDOK);
    };
    // Logged out, locked, and from another of the program's windows.
    dialogs.Expect(IDD_ABOUTBOX, read);
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_APP_ABOUT, 0);
    dialogs.Expect(IDD_ABOUTBOX, read);
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_LOCKED_ABOUT, 0);
    CDialog other(IDD_CONTACT);
    ASSERT_TRUE(other.Create());
    dialogs.Expect(IDD_ABOUTBOX, read);
    ::SendMessageA(other.m_hWnd, WM_COMMAND, ID_APP_ABOUT, 0);

    ASSERT_EQ(texts.size(), 3u);
    for (const auto& t : texts) {
        ASSERT_FALSE(t.empty());
        EXPECT_EQ(t[0], "BriskoPC - informacje");
        auto has = [&](const std::string& text) {
            for (const std::string& s : t)
                if (s.find(text) != std::string::npos)
                    return true;
            return false;
        };
        EXPECT_TRUE(has("BriskoPC wersja 0.22"));
        EXPECT_TRUE(has("Uwagi, opisy problemów z działaniem programu prosimy kierować na "
                        "email: pomoc@brisko.example"));
    }
}

TEST_F(SettingsTest, TheHelpFileLiesInTheInstallationFolderAsItIsWritten) {
    dlg()->m_strInstallPath = "C:\\Program Files\\BriskoPC";
    EXPECT_EQ(dlg()->HelpFilePath(), "C:\\Program Files\\BriskoPC\\bpc.chm");
    dlg()->m_strInstallPath = "C:\\Program Files\\BriskoPC\\";
    EXPECT_EQ(dlg()->HelpFilePath(), "C:\\Program Files\\BriskoPC\\\\bpc.chm");
}

TEST_F(SettingsTest, TheHelpCommandAsksTheViewerAndKeepsItLoaded) {
    dlg()->m_strInstallPath = ScratchPath("");
    ::SendMessageA(dlg()->m_hWnd, WM_COMMAND, ID_HELP_CONTENTS, 0);
    // No help file there: whatever the viewer shows, the program says nothing.
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_NE(::GetModuleHandleA("hhctrl.ocx"), nullptr);
}

} // namespace
