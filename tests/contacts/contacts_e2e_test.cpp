// The contacts against the simulator, through the real request path: the list
// after login, changes through the real dialogs that show only once the
// service has answered, the file written at the end and read by an offline
// start, and a list far longer than one read of the old client.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "MessageBox.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";

class ContactsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        sim.Reachable();
        sim.Expire();
        sim.ClearLog();
        UseFreshProfile(app, "briskopc-contacts-e2e", "localhost", SimControl::HttpsPort());
        app.WriteProfileString("BriskoPC", "Login", kLogin);
        app.WriteProfileString("BriskoPC", "Password", "haslo123");
        ::DeleteFileW(ContactsFile().c_str());
    }

    void TearDown() override {
        sim.Reachable();
        sim.Reset("GETCONTACTS");
        if (app.m_pMainDlg && ::IsWindow(dlg().m_hWnd))
            dlg().OnClose();
        Pump(50);
        app.ExitInstance();
        ::DeleteFileW(ContactsFile().c_str());
    }

    static Path ContactsFile() { return ClientDataFile(kLogin + std::string(".cts")); }

    // Starts the client and waits until its login came to an end.
    void Start() {
        ASSERT_TRUE(app.InitInstance());
        StopTimers(dlg().m_hWnd);
        Settle();
    }

    // Until no request runs, and a moment later still none: a handler may just
    // have queued the next requests, whose workers have not reported yet.
    void Settle() {
        Pump(30);
        ASSERT_TRUE(PumpUntil([this] { return dlg().m_nThreads == 0; }));
        Pump(100);
        ASSERT_TRUE(PumpUntil([this] { return dlg().m_nThreads == 0; }));
    }

    std::vector<std::string> Labels() {
        return ChildLabels(dlg().m_wndTree, dlg().m_contacts.m_hContactsItem);
    }

    int ImageOf(const char* number) {
        const Contact* c = dlg().m_contacts.FindByNumber(number);
        return c ? dlg().m_wndTree.GetItemImage(c->hItem) : -100;
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
    SimControl sim;
};

TEST_F(ContactsEndToEnd, TheAccountsContactsChangeOnlyWhenTheServiceSaysSo) {
    Start();
    ASSERT_EQ(dlg().m_nSessionState, 2);
    const std::vector<std::string> accountsContacts = {"Beata Nowak",
                                                       "Cezary Wiśniewski",
                                                       "Dom",
                                                       "Dorota Lewandowska",
                                                       "Grzegorz Brzęczyszczykiewicz",
                                                       "Jan Kowalski",
                                                       "Łucja Żółtowska",
                                                       "Praca"};
    EXPECT_EQ(Labels(), accountsContacts);
    EXPECT_EQ(ImageOf("+48600100201"), 5) << "a user, logged off";
    EXPECT_EQ(ImageOf("+48226543210"), 6) << "not a user";
    EXPECT_EQ(dlg().m_nContactsSource, 2);

    // Add: nothing shows until the answer.
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NAME, "Ćma Nocna");
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "691234567");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_ADD, 0);
    EXPECT_EQ(Labels().size(), 8u);
    Settle();
    ASSERT_EQ(Labels().size(), 9u);
    EXPECT_EQ(ImageOf("+48691234567"), 6);

    // Edit it.
    dlg().m_wndTree.SelectItem(dlg().m_contacts.FindByNumber("+48691234567")->hItem);
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NAME, "Ćma");
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "691234568");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_EDIT, 0);
    EXPECT_NE(dlg().m_contacts.FindByNumber("+48691234567"), nullptr);
    Settle();
    ASSERT_NE(dlg().m_contacts.FindByNumber("+48691234568"), nullptr);
    EXPECT_EQ(dlg().m_contacts.FindByNumber("+48691234568")->strName, "Ćma");

    // And delete it.
    dlg().m_wndTree.SelectItem(dlg().m_contacts.FindByNumber("+48691234568")->hItem);
    boxes.Answer(IDYES);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);
    EXPECT_EQ(Labels().size(), 9u);
    Settle();
    EXPECT_EQ(Labels().size(), 8u);
    EXPECT_EQ(boxes.Shown().size(), 1u) << "only the question";

    // The end writes the file; a start without the service shows the same contacts.
    dlg().OnClose();
    app.ExitInstance();
    EXPECT_NE(::GetFileAttributesW(ContactsFile().c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(sim.Unreachable());
    Start();
    EXPECT_EQ(dlg().m_nSessionState, 0);
    EXPECT_EQ(Labels(), accountsContacts);
    EXPECT_TRUE(::GetMenuState(dlg().m_menu, ID_CONTACT_ADD, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(ContactsEndToEnd, FourHundredContactsArriveWhole) {
    std::string list = "CONTACTSOK\r\n";
    for (int i = 0; i < 400; ++i)
        list += "Kontakt numer " + std::to_string(1000 + i) + ";+48600" +
                std::to_string(200000 + i) + ";" + std::to_string(i) + ";" +
                std::to_string(i % 5 - 1) + ";";
    ASSERT_GT(list.size(), 4096u * 3);
    ASSERT_TRUE(sim.Answer("GETCONTACTS", list));
    Start();
    std::vector<std::string> labels = Labels();
    ASSERT_EQ(labels.size(), 400u);
    EXPECT_EQ(labels.front(), "Kontakt numer 1000");
    EXPECT_EQ(labels.back(), "Kontakt numer 1399");
    EXPECT_EQ(dlg().m_contacts.FindByNumber("+48600200399")->nTreeId, 499);
}

} // namespace
