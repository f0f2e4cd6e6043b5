// The lock in the real main window against the simulator: what it hides and
// forgets, the password that ends it, and what stays locked meanwhile.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "ClientProcess.h"
#include "ClientTest.h"
#include "MessageBox.h"
#include "ModalPeer.h"
#include "PasswordDlg.h"
#include "SimControl.h"
#include "StoredPassword.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kPassword[] = "haslo123";
const char kJan[] = "+48600100201";

class LockBase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
    }

    void TearDown() override {
        sim.StartAfresh();
        EndClient(app, Boxes());
    }

    void Settle() { ASSERT_TRUE(::Settle(dlg())); }

    bool Stored() { return app.GetProfileString("BriskoPC", "ProtectedPassword", "-") != "-"; }
    bool StoredPlain() { return app.GetProfileString("BriskoPC", "Password", "-") != "-"; }
    bool TreeShown() { return ::IsWindowVisible(dlg().m_wndTree.m_hWnd) != FALSE; }
    std::string FirstMenuItem() { return MenuTexts(::GetSubMenu(dlg().m_menu, 0))[0]; }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }
    // Boxes are scripted only where the test gives their answers.
    virtual fw::MessageBoxScript* Boxes() { return nullptr; }

    CBriskoPCApp app;
    SimControl sim;
};

// Dialogs scripted; the test ticks the timers itself.
class Lock : public LockBase {
protected:
    void SetUp() override {
        LockBase::SetUp();
        ASSERT_TRUE(StartLoggedIn(app, "briskopc-lock", SimControl::HttpsPort(), kLogin));
    }

    fw::MessageBoxScript* Boxes() override { return &boxes; }

    fw::DialogScript dialogs;
    fw::MessageBoxScript boxes;
};

TEST_F(Lock, ItHidesTheTreeAndTheChatsOffersOnlyItsMenuAndForgetsThePassword) {
    Contact* jan = dlg().m_contacts.FindByNumber(kJan);
    ASSERT_NE(jan, nullptr);
    CChatDlg* chat = dlg().OpenChatWindow(jan);
    chat->BringToFront();
    ASSERT_TRUE(Stored());

    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOCK, 0);
    EXPECT_EQ(WindowText(dlg().m_hWnd), "Zablokowany");
    EXPECT_EQ(MenuTexts(::GetSubMenu(dlg().m_menu, 0)),
              (std::vector<std::string>{"Odblokuj", "", "Zakończ"}));
    EXPECT_EQ(MenuTexts(::GetSubMenu(dlg().m_menu, 1)),
              (std::vector<std::string>{"Opis BriskoPC", "Informacja o  programie"}));
    EXPECT_EQ(::GetMenu(dlg().m_hWnd), dlg().m_menu);
    EXPECT_FALSE(TreeShown());
    EXPECT_FALSE(::IsWindowVisible(chat->m_hWnd));
    EXPECT_FALSE(Stored());
    EXPECT_FALSE(StoredPlain());

    // A login while locked, after the connection was lost, leaves it locked
    // and stores no password.
    dlg().m_nSessionState = 0;
    dlg().OnTimer(2);
    Settle();
    ASSERT_EQ(dlg().m_nSessionState, 2);
    EXPECT_EQ(WindowText(dlg().m_hWnd), "Zablokowany");
    EXPECT_EQ(FirstMenuItem(), "Odblokuj");
    EXPECT_FALSE(TreeShown());
    EXPECT_FALSE(Stored());

    // The right password, letter for letter, unlocks; the chat stays hidden
    // until it is opened; the password is stored again as the user asked.
    std::vector<bool> okAtFirst;
    auto answer = [&](const char* password) {
        dialogs.Expect(IDD_PASSWORD, [&okAtFirst, password](CDialog& d) {
            okAtFirst.push_back(::IsWindowEnabled(d.GetDlgItem(IDOK)) != FALSE);
            PumpUntil([&d] { return ::IsWindowEnabled(d.GetDlgItem(IDOK)) != FALSE; }, 35000);
            fw::SetItemText(d, IDC_PASSWORD, password);
            fw::Press(d, IDOK);
        });
        boxes.Answer(IDOK);
        ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_UNLOCK, 0);
    };
    answer("HASLO123");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Błędne hasło.");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");
    EXPECT_EQ(WindowText(dlg().m_hWnd), "Zablokowany");
    answer("haslo12");
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(okAtFirst, (std::vector<bool>{true, false})) << "the second waits";

    dialogs.Expect(IDD_PASSWORD, [](CDialog& d) {
        fw::SetItemText(d, IDC_PASSWORD, kPassword);
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_UNLOCK, 0);
    EXPECT_EQ(WindowText(dlg().m_hWnd), "Zablokowany") << "OK is not taken while it waits";

    answer(kPassword);
    EXPECT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(WindowText(dlg().m_hWnd), kLogin);
    EXPECT_EQ(FirstMenuItem(), "Zmiana loginu");
    EXPECT_TRUE(TreeShown());
    EXPECT_FALSE(::IsWindowVisible(chat->m_hWnd));
    EXPECT_TRUE(Stored());
    EXPECT_EQ(ReadStoredPassword(app), kPassword);
}

TEST_F(Lock, EachWrongPasswordWaitsASecondLongerUpToHalfAMinute) {
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOCK, 0);
    std::vector<DWORD> waits;
    for (int i = 0; i < 33; ++i) {
        dialogs.Expect(IDD_PASSWORD, [&waits](CDialog& d) {
            waits.push_back(static_cast<CPasswordDlg&>(d).m_dwWaitMs);
            // Given at once, as if the wait were over.
            ::EnableWindow(d.GetDlgItem(IDOK), TRUE);
            fw::SetItemText(d, IDC_PASSWORD, "zle");
            fw::Press(d, IDOK);
        });
        boxes.Answer(IDOK);
        ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_UNLOCK, 0);
    }
    ASSERT_EQ(waits.size(), 33u);
    EXPECT_EQ(waits[0], 0u);
    for (size_t i = 1; i < waits.size(); ++i) {
        DWORD most = static_cast<DWORD>(std::min<size_t>(i, 30)) * 1000;
        EXPECT_LE(waits[i], most) << i;
        EXPECT_GT(waits[i], most - 1000) << i;
    }
    EXPECT_EQ(boxes.Shown().size(), 33u);
}

TEST_F(Lock, ZakonczInTheLockedMenuEndsTheProgramWithoutThePassword) {
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOCK, 0);
    HWND main = dlg().m_hWnd;
    ::SendMessageA(main, WM_COMMAND, ID_EXIT, 0);
    EXPECT_FALSE(::IsWindow(main));
    EXPECT_TRUE(dialogs.Opened().empty());
}

// The real modal loop: the timers and answers go on while the password is asked.
class LockModal : public LockBase {};

TEST_F(LockModal, ALoginWhileThePasswordIsAskedKeepsTheClientLocked) {
    UseAccountProfile(app, "briskopc-lock", SimControl::HttpsPort(), kLogin);
    ASSERT_TRUE(app.InitInstance());
    ASSERT_TRUE(PumpUntil([this] { return dlg().m_nSessionState == 2 && dlg().m_nThreads == 0; }));
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOCK, 0);
    dlg().m_nSessionState = 0;
    std::mutex lock;
    std::vector<std::string> seen;
    std::atomic<int> passwords{0};
    ModalPeer peer(dlg().m_hWnd, [&](HWND w) {
        {
            std::lock_guard<std::mutex> hold(lock);
            seen.push_back(DialogText(w));
        }
        if (!ModalPeer::Has(w, IDC_PASSWORD)) {
            Press(w, IDOK);
            return;
        }
        if (passwords++ == 0) {
            // The connection comes back while the dialog is open.
            ::PostMessageA(dlg().m_hWnd, WM_TIMER, 2, 0);
            ::Sleep(2000);
            ModalPeer::SetText(w, IDC_PASSWORD, "zle");
        } else {
            // OK waits a second after the wrong one.
            for (int i = 0; i < 100 && !::IsWindowEnabled(::GetDlgItem(w, IDOK)); ++i)
                ::Sleep(50);
            ModalPeer::SetText(w, IDC_PASSWORD, kPassword);
        }
        Press(w, IDOK);
    });

    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_UNLOCK, 0);
    EXPECT_EQ(dlg().m_nSessionState, 2) << "logged in again behind the dialog";
    EXPECT_EQ(WindowText(dlg().m_hWnd), "Zablokowany");
    EXPECT_EQ(FirstMenuItem(), "Odblokuj");
    EXPECT_FALSE(TreeShown());
    EXPECT_FALSE(Stored());
    {
        std::lock_guard<std::mutex> hold(lock);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_NE(seen[1].find("Błędne hasło."), std::string::npos) << seen[1];
    }

    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_UNLOCK, 0);
    EXPECT_EQ(WindowText(dlg().m_hWnd), kLogin);
    EXPECT_EQ(FirstMenuItem(), "Zmiana loginu");
    EXPECT_TRUE(TreeShown());
    EXPECT_TRUE(Stored());
}

} // namespace
