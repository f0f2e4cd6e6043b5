// The contacts in the real main window: the list and its tree items, images
// and highlights with the timer and the tray, sent SMS and their reports, the
// service's answers, the dialog, the commands, the context menus and the
// contacts file.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "ContactDlg.h"
#include "HttpSession.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SimControl.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";

class Contacts : public ::testing::Test {
protected:
    void SetUp() override {
        // No service: the tests hand the window its answers.
        UseFreshProfile(app, "briskopc-contacts", "127.0.0.1", 9);
        ASSERT_TRUE(app.InitInstance());
        StopTimers(dlg().m_hWnd);
        Pump(50);
        dlg().m_strLogin = kLogin;
    }

    void TearDown() override {
        if (::IsWindow(dlg().m_hWnd)) {
            boxes.Answer(IDYES);
            dlg().OnClose();
        }
        Pump(50);
        app.ExitInstance();
    }

    CBriskoPCDlg& dlg() { return *app.m_pMainDlg; }
    CTreeCtrl& tree() { return dlg().m_wndTree; }
    CContactList& contacts() { return dlg().m_contacts; }

    Contact* Add(const std::string& name, const std::string& number, int presence, int userId = 0) {
        auto* c = new Contact;
        c->strName = name;
        c->strNumber = number;
        c->nPresence = presence;
        c->nUserId = userId;
        if (contacts().AddOrUpdate(c))
            return c;
        delete c;
        return nullptr;
    }

    // An answer as a worker brings it back; the context goes with the request.
    void Deliver(const char* function, const char* response,
                 std::shared_ptr<Contact> context = nullptr) {
        auto* request = new HttpRequest;
        request->pChannel = dlg().m_pRequests;
        request->szFunction = function;
        request->pszResponse.reset(new char[std::strlen(response) + 1]);
        std::strcpy(request->pszResponse.get(), response);
        request->dwContext = context.get();
        request->pOwnedContext = context;
        ++dlg().m_nThreads;
        ::SendMessageA(dlg().m_hWnd, WM_REQUEST_DONE, 0, reinterpret_cast<LPARAM>(request));
    }

    std::vector<std::string> Labels(HTREEITEM parent) {
        std::vector<std::string> labels;
        for (HTREEITEM item = tree().GetChildItem(parent); item;
             item = tree().GetNextSiblingItem(item))
            labels.push_back(TreeItemText(tree().m_hWnd, item));
        return labels;
    }

    int Image(const Contact* c) { return tree().GetItemImage(c->hItem); }

    fw::MessageBoxScript boxes;
    fw::DialogScript dialogs;
    CBriskoPCApp app;
};

TEST_F(Contacts, OneContactANumberTreeIdsAndThePseudoContact) {
    Contact* dom = Add("Dom", "+48601234567", 1);
    ASSERT_NE(dom, nullptr);
    EXPECT_EQ(dom->nTreeId, 100);
    EXPECT_EQ(Add("Inna nazwa", "+48601234567", 2), nullptr) << "the same number is one contact";
    EXPECT_EQ(dom->strName, "Dom");
    EXPECT_EQ(dom->nPresence, 2);
    EXPECT_EQ(Image(dom), 14);

    Contact* pseudo = Add("Cokolwiek", "Brisko", 1);
    EXPECT_EQ(pseudo->nTreeId, 500);
    EXPECT_EQ(tree().GetParentItem(pseudo->hItem), contacts().m_hServiceItem);
    Add("B", "+48601234568", 0)->nTreeId = 105;
    Add("C", "+48601234569", 0);
    EXPECT_EQ(contacts().FindByNumber("+48601234569")->nTreeId, 106)
        << "after 100 and 105 comes 106; the pseudo-contact's 500 does not count";
    EXPECT_EQ(Labels(contacts().m_hContactsItem), (std::vector<std::string>{"B", "C", "Dom"}))
        << "sorted";

    Contact* odd = Add("Dziwny", "+48601234570", 7);
    EXPECT_EQ(Image(odd), 0);
    contacts().RefreshContactItem(odd);
    EXPECT_EQ(Image(odd), 3);
}

TEST_F(Contacts, EveryPresenceAndAHighlightHaveTheirImage) {
    struct {
        const char* name;
        int presence;
        int image;
    } shown[] = {{"Adam dostępny", 1, 3},       {"Beata zajęta", 2, 14},
                 {"Cezary zaraz wraca", 3, 17}, {"Dorota niedostępna", 0, 5},
                 {"Edward bez Briska", -1, 6},  {"Franciszek pisze", 1, 7}};
    int number = 601234560;
    std::vector<Contact*> added;
    for (const auto& s : shown)
        added.push_back(Add(s.name, "+48" + std::to_string(number++), s.presence));
    added.back()->nHighlightMode = 1;
    dlg().OnTimer(1);
    for (size_t i = 0; i < added.size(); ++i)
        EXPECT_EQ(Image(added[i]), shown[i].image) << shown[i].name;
}

TEST_F(Contacts, ALoginBlinksForSixTicksAndTheTrayWithIt) {
    Contact* c = Add("Jan", "+48601234567", 0);
    Contact* reader = Add("Ola", "+48601234568", 1);
    c->nPresence = 1;
    c->nHighlightMode = 4;
    reader->nHighlightMode = 1;
    std::vector<int> images;
    std::vector<HICON> tray;
    for (int tick = 0; tick < 8; ++tick) {
        dlg().OnTimer(1);
        images.push_back(Image(c));
        tray.push_back(dlg().m_trayIcon.GetIcon());
    }
    EXPECT_EQ(images, (std::vector<int>{5, 3, 5, 3, 5, 3, 3, 3}));
    EXPECT_EQ(c->nHighlightMode, 0);
    HICON i130 = TrayImage(130), i112 = TrayImage(112), i129 = TrayImage(129);
    EXPECT_EQ(tray, (std::vector<HICON>{i130, i112, i130, i112, i130, i129, i130, i129}))
        << "130 and 112 while the login shows, then 130 and 129";
    EXPECT_EQ(reader->nHighlightMode, 1) << "an unread message blinks until it is seen";
}

TEST_F(Contacts, AReportBlinksUntilTheContactIsOpened) {
    Contact* open = Add("A", "+48601234567", 2);
    Contact* closed = Add("B", "+48601234568", 2);
    for (Contact* c : {open, closed}) {
        tree().InsertItem("sms", 8, c->hItem);
        c->nHighlightMode = 3;
    }
    tree().Expand(open->hItem, TVE_EXPAND);
    std::vector<int> images;
    for (int tick = 0; tick < 6; ++tick) {
        dlg().OnTimer(1);
        images.push_back(Image(open));
    }
    EXPECT_EQ(images, (std::vector<int>{10, 14, 10, 14, 14, 14}));
    EXPECT_EQ(open->nHighlightMode, 0);
    EXPECT_EQ(closed->nHighlightMode, 3);
}

TEST_F(Contacts, ClosingWithAHighlightAsksFirst) {
    Add("Jan", "+48601234567", 1)->nHighlightMode = 1;
    boxes.Answer(IDNO);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_EXIT, 0);
    EXPECT_TRUE(::IsWindow(dlg().m_hWnd)) << "No keeps everything running";
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Masz nieprzeczytane wiadomości, które po zamknięciu "
                                     "programu przepadną. Czy kontynuować?");
    EXPECT_EQ(boxes.Shown()[0].caption, "Uwaga");
    boxes.Answer(IDYES);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_FALSE(::IsWindow(dlg().m_hWnd));
}

TEST_F(Contacts, SentSmsHangUnderTheirContactAndReportsFindThem) {
    Contact* dom = Add("Dom", "+48601234567", 1);
    Add("SMSy wysłane poza Kontaktami", "Brisko", 1);
    auto send = [&](const std::string& number, int smsId) {
        auto* m = new MessageRecord;
        m->strNumber = number;
        m->strText = "Czterdzieści znaków\r\ntekstu, które się nie mieszczą";
        dlg().m_messages.AddMessage(m);
        m->bInOutbox = FALSE;
        m->nSmsId = smsId;
        EXPECT_TRUE(contacts().ShowSentSms(m));
        return m;
    };
    MessageRecord* toDom = send("+48601234567", 71);
    MessageRecord* toOther = send("+48509876543", 72);
    EXPECT_EQ(TreeItemText(tree().m_hWnd, toDom->hItem), "Czterdzieści znaków tekstu, kt...");
    EXPECT_EQ(tree().GetParentItem(toDom->hItem), dom->hItem);
    EXPECT_EQ(TreeItemText(tree().m_hWnd, toOther->hItem),
              "+48509876543: Czterdzieści znaków tekstu, kt...");
    EXPECT_EQ(tree().GetItemData(toDom->hItem), toDom->nListId);
    EXPECT_EQ(Labels(dlg().m_messages.m_hOutboxItem), std::vector<std::string>{})
        << "the outbox items went";

    EXPECT_EQ(contacts().MarkSmsReport(71), toDom);
    EXPECT_EQ(tree().GetItemImage(toDom->hItem), 9);
    EXPECT_EQ(dom->nHighlightMode, 3);
    EXPECT_EQ(contacts().MarkSmsReport(99), nullptr);

    // Id 0 is no SMS's: not the waiting one's, nor a system message's.
    auto* waiting = new MessageRecord;
    waiting->strNumber = "+48601234567";
    waiting->strText = "czeka";
    dlg().m_messages.AddMessage(waiting);
    auto* system = new MessageRecord;
    system->strNumber = "System";
    system->strText = "komunikat";
    dlg().m_messages.AddMessage(system);
    dom->nHighlightMode = 0;
    EXPECT_EQ(contacts().MarkSmsReport(0), nullptr);
    EXPECT_EQ(tree().GetItemImage(waiting->hItem), 8);
    EXPECT_EQ(tree().GetItemImage(system->hItem), 8);
    EXPECT_EQ(dom->nHighlightMode, 0);
    dlg().m_messages.RemoveMessage(waiting); // no outbox file left behind

    // An id the service gave again belongs to its newest SMS.
    MessageRecord* again = send("+48601234567", 72);
    EXPECT_EQ(contacts().MarkSmsReport(72), again);
    EXPECT_EQ(tree().GetItemImage(again->hItem), 9);
    EXPECT_EQ(tree().GetItemImage(toOther->hItem), 8);

    // Log-off takes the contacts and, kept in their log, the sent SMS: a late
    // report finds nothing.
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_LOGOFF, 0);
    EXPECT_EQ(dlg().m_messages.FindBySmsId(71), nullptr);
    EXPECT_EQ(contacts().MarkSmsReport(71), nullptr);
    EXPECT_EQ(tree().GetItemData(contacts().m_hContactsItem), 0);
}

TEST_F(Contacts, TheServicesListMergesByNumber) {
    Add("Z pliku", "+48601234567", 0);
    Deliver("GETCONTACTS", "CONTACTSOK\r\nDom;+48601234567;17;1;Praca;+48501234567;0;-1;");
    EXPECT_EQ(Labels(contacts().m_hContactsItem), (std::vector<std::string>{"Praca", "Z pliku"}));
    EXPECT_EQ(contacts().FindByNumber("+48601234567")->nPresence, 1);
    EXPECT_EQ(contacts().FindByNumber("+48501234567")->nPresence, -1);
    EXPECT_EQ(Labels(contacts().m_hServiceItem),
              (std::vector<std::string>{"Komunikaty systemowe", "SMSy wysłane poza Kontaktami"}));
    EXPECT_EQ(tree().GetItemData(contacts().m_hContactsItem), 1);
    EXPECT_TRUE(tree().IsExpanded(contacts().m_hContactsItem));
    EXPECT_EQ(dlg().m_nContactsSource, 2);

    // An empty number ends the list; nothing is added twice.
    Deliver("GETCONTACTS", "CONTACTSOK\r\nA;+48601234000;5;1;B;;7;0;");
    EXPECT_EQ(Labels(contacts().m_hContactsItem),
              (std::vector<std::string>{"A", "Praca", "Z pliku"}));
    EXPECT_EQ(Labels(contacts().m_hServiceItem).size(), 2u);
}

// The service's list for the numbers +48600200000 on, one contact a name.
std::string ServiceList(const std::vector<std::string>& names) {
    std::string list = "CONTACTSOK\r\n";
    for (size_t i = 0; i < names.size(); ++i)
        list += names[i] + ";+48600" + std::to_string(200000 + i) + ";0;1;";
    return list;
}

TEST_F(Contacts, AListTakesThePlacesTheTreesOwnSortedInsertionGivesIt) {
    const std::vector<std::string> alone = {"Łucja", "adam", "Zenon", "Kontakt 2"};
    const std::vector<std::string> listed = {
        "Adam",      "Ania",   "ania",  "Żaneta", "Zofia",  "Ęwa",    "Ewa", "Kontakt 10",
        "Kontakt 9", "* Gość", "Łucja", "Ľubo",   "O'Neil", "O-Neil", "Ćma", "Cma",
        "Zenon",     "śnieg",  "Śnieg", "Adam",   "12",     "2"};
    // The reference: the same labels, one by one, into a tree of its own.
    HWND reference = ::CreateWindowW(WC_TREEVIEWW, L"", WS_CHILD, 0, 0, 10, 10, dlg().m_hWnd,
                                     nullptr, nullptr, nullptr);
    std::vector<std::pair<std::string, LPARAM>> expected;
    int id = 100;
    for (const std::vector<std::string>* names : {&alone, &listed})
        for (const std::string& name : *names) {
            std::wstring label = Widen(name);
            TVINSERTSTRUCTW insert = {};
            insert.hInsertAfter = TVI_SORT;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM;
            insert.item.pszText = label.data();
            insert.item.lParam = id++;
            ::SendMessageW(reference, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
        }
    for (HTREEITEM item = TreeView_GetRoot(reference); item;
         item = TreeView_GetNextSibling(reference, item)) {
        TVITEMW get = {};
        get.mask = TVIF_PARAM;
        get.hItem = item;
        ::SendMessageW(reference, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
        expected.emplace_back(TreeItemText(reference, item), get.lParam);
    }
    ::DestroyWindow(reference);

    int number = 501234560;
    for (const std::string& name : alone)
        Add(name, "+48" + std::to_string(number++), 1);
    Deliver("GETCONTACTS", ServiceList(listed).c_str());
    std::vector<std::pair<std::string, LPARAM>> shown;
    for (HTREEITEM item = tree().GetChildItem(contacts().m_hContactsItem); item;
         item = tree().GetNextSiblingItem(item))
        shown.emplace_back(TreeItemText(tree().m_hWnd, item), tree().GetItemData(item));
    EXPECT_EQ(shown, expected);
}

TEST_F(Contacts, TreeIdsStayUniqueAndA401stContactIsNotShown) {
    std::vector<std::string> names;
    for (int i = 0; i < 402; ++i)
        names.push_back("Kontakt " + std::to_string(i));
    Deliver("GETCONTACTS", ServiceList(names).c_str());
    std::vector<int> ids;
    contacts().ForEach([&ids](const Contact& c) { ids.push_back(c.nTreeId); });
    std::sort(ids.begin(), ids.end());
    ASSERT_EQ(ids.size(), 401u) << "400 contacts and the pseudo-contact";
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(ids[i], 100 + i);
    EXPECT_EQ(ids[400], 500);
    EXPECT_EQ(contacts().FindByNumber("+48600200400"), nullptr);
    EXPECT_EQ(contacts().FindByNumber("+48600200401"), nullptr);
    EXPECT_EQ(Labels(contacts().m_hContactsItem).size(), 400u);
    ASSERT_EQ(boxes.Shown().size(), 1u) << "told once for the whole list";
    EXPECT_EQ(boxes.Shown()[0].text, "Nie można pokazać więcej niż 400 kontaktów.");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");

    // Freed ids are taken again, the lowest first, while the largest stays in use.
    for (int freed : {250, 120})
        contacts().RemoveContact(contacts().FindByTreeId(freed));
    EXPECT_EQ(Add("Nowy", "+48501234567", 1)->nTreeId, 120);
    EXPECT_EQ(Add("Nowszy", "+48501234568", 1)->nTreeId, 250);
    // Once the largest goes, the next one takes its place again.
    contacts().RemoveContact(contacts().FindByTreeId(499));
    EXPECT_EQ(Add("Ostatni", "+48501234569", 1)->nTreeId, 499);

    // A single contact beyond the limit is refused each time it comes.
    EXPECT_EQ(Add("Za dużo", "+48501234570", 1), nullptr);
    EXPECT_EQ(Add("Za dużo", "+48501234570", 1), nullptr);
    EXPECT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(contacts().FindByTreeId(500)->strNumber, "Brisko");
}

TEST_F(Contacts, TheServicesAnswersToChanges) {
    auto record = [](const char* name, const char* number, int treeId = 0) {
        auto r = std::make_shared<Contact>();
        r->strName = name;
        r->strNumber = number;
        r->nTreeId = treeId;
        return r;
    };
    Deliver("ADDNEWCONTACT", "CONTACTOK\r\n0\r\n42", record("Dom", "601234567"));
    Contact* dom = contacts().FindByNumber("+48601234567");
    ASSERT_NE(dom, nullptr);
    EXPECT_EQ(dom->nPresence, 0);
    EXPECT_EQ(dom->nUserId, 42);

    auto edit = record("Dom rodzinny", "601234567", dom->nTreeId);
    edit->strNewNumber = "601234599";
    Deliver("EDITCONTACT", "CONTACTOK\r\n1\r\n43\r\n", edit);
    EXPECT_EQ(dom->strName, "Dom rodzinny");
    EXPECT_EQ(dom->strNumber, "+48601234599");
    EXPECT_EQ(TreeItemText(tree().m_hWnd, dom->hItem), "Dom rodzinny");
    EXPECT_EQ(Image(dom), 3);

    Contact* temp = Add("* Biuro", "+48501234567", 1);
    temp->bTemporary = TRUE;
    Deliver("ADDCONTACT", "CONTACTOK", record("* Biuro", "+48501234567", temp->nTreeId));
    EXPECT_EQ(temp->strName, "Biuro");
    EXPECT_FALSE(temp->bTemporary);
    EXPECT_EQ(Labels(contacts().m_hContactsItem),
              (std::vector<std::string>{"Biuro", "Dom rodzinny"}));

    // Refusals say so only when they are exact; an edit of a vanished contact does nothing.
    Deliver("ADDNEWCONTACT", "CONTACTFAILED", record("X", "601111111"));
    Deliver("DELETECONTACT", "CONTACTFAILED\r\n", record("Dom", "601234599", dom->nTreeId));
    Deliver("EDITCONTACT", "CONTACTOK\r\n1\r\n1\r\n", record("Nikt", "601000000", 333));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Operacja dodania kontaktu nie powiodła się.");

    Deliver("DELETECONTACT", "CONTACTOK", record("Dom", "601234599", dom->nTreeId));
    EXPECT_EQ(Labels(contacts().m_hContactsItem), std::vector<std::string>{"Biuro"});
}

TEST_F(Contacts, TheDialogChecksNameAndNumber) {
    std::string tooLong(101, 'a');
    dialogs.Expect(IDD_CONTACT, [&](CDialog& d) {
        for (auto [name, number] :
             std::vector<std::pair<std::string, std::string>>{{"", "601234567"},
                                                              {tooLong, "601234567"},
                                                              {"Jan;Kowalski", "601234567"},
                                                              {"Jan", "701234567"},
                                                              {"Jan", "50123456a"}}) {
            fw::SetItemText(d, IDC_CONTACT_NAME, name);
            fw::SetItemText(d, IDC_CONTACT_NUMBER, number);
            fw::Press(d, IDOK);
            ASSERT_NE(d.m_hWnd, nullptr) << name << " " << number;
        }
        fw::SetItemText(d, IDC_CONTACT_NAME, std::string(100, 'a'));
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "691234567");
        fw::Press(d, IDOK);
    });
    CContactDlg dlgContact;
    EXPECT_EQ(dlgContact.DoModal(), IDOK);
    EXPECT_EQ(dlgContact.m_strNumber, "691234567");
    std::vector<std::string> texts;
    for (const auto& box : boxes.Shown()) {
        texts.push_back(box.text);
        EXPECT_EQ(box.caption, "Uwaga");
    }
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "Brak imienia i nazwiska.");
    EXPECT_EQ(texts[1], "Długość imienia i nazwiska nie może być większa niż 100 znaków.");
    EXPECT_EQ(texts[3], "Nieprawidłowy numer telefonu!");
    EXPECT_EQ(texts[4], "Nieprawidłowy numer telefonu!");
}

// The commands, against the simulator: what they send, and what they refuse.
class ContactCommands : public Contacts {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        Contacts::SetUp();
        // Logged in, as far as the window knows; the service answers the log line.
        dlg().m_nSessionState = 2;
        for (const char* f : {"ADDNEWCONTACT", "EDITCONTACT", "DELETECONTACT"})
            sim.Answer(f, "neither yes nor no");
        sim.ClearLog();
        g_session.Open("localhost", static_cast<INTERNET_PORT>(SimControl::HttpsPort()), TRUE);
    }
    void TearDown() override {
        for (const char* f : {"ADDNEWCONTACT", "EDITCONTACT", "DELETECONTACT"})
            sim.Reset(f);
        Contacts::TearDown();
    }
    void Select(const Contact* c) { tree().SelectItem(c->hItem); }
    // What the service got, once the expected number of requests is in (or
    // the time is up) and none is still running.
    std::vector<std::string> Sent(size_t expected, DWORD ms = 5000) {
        PumpUntil([&] { return sim.Log().size() >= expected && dlg().m_nThreads == 0; }, ms);
        Pump(200);
        std::vector<std::string> targets;
        for (const std::string& line : sim.Log())
            targets.push_back(line.substr(line.find("/briskopc.asp") + 1));
        return targets;
    }
    SimControl sim;
};

TEST_F(ContactCommands, AddEditDeleteAndKeepSendWhatTheServiceExpects) {
    Contact* dom = Add("Dom", "+48601234567", 1);
    Contact* temp = Add("* Biuro Łódź", "+48501234567", 1);
    temp->bTemporary = TRUE;

    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NAME, "Zażółć gęślą");
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "691234567");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_ADD, 0);

    Select(dom);
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        EXPECT_EQ(WindowText(d.GetDlgItem(IDC_CONTACT_NUMBER)), "601234567");
        fw::SetItemText(d, IDC_CONTACT_NAME, "Dom i ogród");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_EDIT, 0);

    Select(temp);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_KEEP, 0);

    Select(dom);
    boxes.Answer(IDYES);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);

    // Requests that wait together go in any order.
    std::vector<std::string> sent = Sent(4);
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent,
              (std::vector<std::string>{
                  "briskopc.asp?function=ADDNEWCONTACT&name=Biuro+%A3%F3d%9F&number=501234567",
                  "briskopc.asp?function=ADDNEWCONTACT&name=Za%BF%F3%B3%E6+g%EA%9Cl%B9&number="
                  "691234567",
                  "briskopc.asp?function=DELETECONTACT&name=Dom&number=601234567",
                  // The unchanged number is its own, not a duplicate.
                  "briskopc.asp?function=EDITCONTACT&name=Dom+i+ogr%F3d&number=601234567"
                  "&newnumber=601234567"}));
    EXPECT_EQ(boxes.Shown().back().text, "Czy napewno usunąć kontakt?");
}

TEST_F(ContactCommands, EachChangeComesBackToItsOwnHandler) {
    Contact* dom = Add("Dom", "+48601234567", 1);
    Add("Praca", "+48501234567", 1);
    Contact* temp = Add("* Biuro", "+48691234567", 1);
    temp->bTemporary = TRUE;
    // Keeping a temporary contact asks the service to add it: handled as an
    // add of a new contact, its confirmation would bring a second contact.
    ASSERT_TRUE(sim.Answer("ADDNEWCONTACT", "CONTACTOK\r\n1\r\n5\r\n"));
    ASSERT_TRUE(sim.Answer("EDITCONTACT", "CONTACTOK\r\n2\r\n6\r\n"));
    ASSERT_TRUE(sim.Answer("DELETECONTACT", "CONTACTOK"));

    Select(temp);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_KEEP, 0);
    Select(dom);
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NAME, "Dom i ogród");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_EDIT, 0);
    Select(contacts().FindByNumber("+48501234567"));
    boxes.Answer(IDYES);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);
    ASSERT_EQ(Sent(3).size(), 3u);

    EXPECT_FALSE(temp->bTemporary);
    EXPECT_EQ(temp->strName, "Biuro");
    EXPECT_EQ(dom->strName, "Dom i ogród");
    EXPECT_EQ(dom->nPresence, 2);
    EXPECT_EQ(dom->nUserId, 6);
    EXPECT_EQ(contacts().FindByNumber("+48501234567"), nullptr);
    EXPECT_EQ(Labels(contacts().m_hContactsItem),
              (std::vector<std::string>{"Biuro", "Dom i ogród"}));
}

TEST_F(ContactCommands, ADuplicateOrAnAnswerNoSendsNothing) {
    Contact* dom = Add("Dom", "+48601234567", 1);
    Add("Praca", "+48501234567", -1);
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NAME, "Drugi dom");
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "601234567");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_NEW, 0);
    Select(dom);
    dialogs.Expect(IDD_CONTACT, [](CDialog& d) {
        fw::SetItemText(d, IDC_CONTACT_NUMBER, "501234567");
        fw::Press(d, IDOK);
    });
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_EDIT, 0);
    boxes.Answer(IDNO);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);

    EXPECT_TRUE(Sent(1, 1000).empty());
    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[0].text, "Istnieje już kontakt o numerze: 601234567.");
    EXPECT_EQ(boxes.Shown()[0].caption, "BriskoPC");
    EXPECT_EQ(boxes.Shown()[1].text, "Istnieje już kontakt o numerze: 501234567.");

    // Logged out, the commands send nothing at all.
    dlg().m_nSessionState = 0;
    Select(dom);
    boxes.Answer(IDYES);
    ::SendMessageA(dlg().m_hWnd, WM_COMMAND, ID_CONTACT_DELETE, 0);
    EXPECT_TRUE(Sent(1, 1000).empty());
}

// Opens a context menu and reads it while it is up.
class ContextMenus : public Contacts {
protected:
    struct Seen {
        bool shown = false;
        std::vector<std::string> enabled;
    };

    static LRESULT CALLBACK Spy(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_TIMER && wParam == kGiveUp) {
            ::EndMenu();
            return 0;
        }
        if (msg == WM_INITMENUPOPUP && !s_seen.shown) {
            auto menu = reinterpret_cast<HMENU>(wParam);
            s_seen.shown = true;
            for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
                std::string text = MenuItemText(menu, static_cast<UINT>(i));
                if (!text.empty() && !(::GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED))
                    s_seen.enabled.push_back(text);
            }
            ::PostMessageA(hWnd, WM_CANCELMODE, 0, 0);
        }
        return ::CallWindowProcA(s_original, hWnd, msg, wParam, lParam);
    }

    // What the menu that show() opens offers, if one opens.
    Seen Watch(const std::function<void()>& show) {
        s_seen = Seen();
        s_original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(dlg().m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Spy)));
        ::SetTimer(dlg().m_hWnd, kGiveUp, 2000, nullptr);
        show();
        ::KillTimer(dlg().m_hWnd, kGiveUp);
        ::SetWindowLongPtrA(dlg().m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_original));
        return s_seen;
    }

    Seen Open(LPARAM data, int kind) {
        return Watch([&] { EXPECT_TRUE(dlg().ShowTreeMenu(data, kind)); });
    }

    void Click(HTREEITEM item, bool right, int drift = 0) {
        ASSERT_TRUE(ClickTreeItem(dlg().m_hWnd, tree().m_hWnd, item, right, drift));
    }

    static const UINT_PTR kGiveUp = 77;
    static Seen s_seen;
    static WNDPROC s_original;
};

ContextMenus::Seen ContextMenus::s_seen;
WNDPROC ContextMenus::s_original;

TEST_F(ContextMenus, EachKindHasItsMenu) {
    using Items = std::vector<std::string>;
    EXPECT_EQ(Open(100, 0).enabled,
              (Items{"Wyślij SMSa...", "Wyślij SMSa z polskimi znakami...", "Wyślij wiadomość",
                     "Archiwum SMSów", "Edycja", "Usuń", "Dodaj nowy"}));
    EXPECT_EQ(Open(100, 2).enabled, (Items{"Wyślij SMSa...", "Wyślij SMSa z polskimi znakami...",
                                           "Archiwum SMSów", "Edycja", "Usuń", "Dodaj nowy"}))
        << "no chat with someone who is not a user";
    EXPECT_EQ(Open(100, 1).enabled,
              (Items{"Wyślij SMSa...", "Wyślij SMSa z polskimi znakami...", "Wyślij wiadomość",
                     "Dodaj do kontaktów", "Dodaj nowy"}));
    EXPECT_EQ(Open(500, 3).enabled,
              (Items{"Wyślij SMSa...", "Wyślij SMSa z polskimi znakami...", "Dodaj nowy"}));
    EXPECT_EQ(Open(1, 0).enabled, Items{"Dodaj nowy"});
    EXPECT_EQ(Open(2, 0).enabled, Items{"Wyślij SMSy ze Skrzynki Nadawczej"});
    EXPECT_EQ(Open(1000, 0).enabled, (Items{"Edycja", "Usuń"}));
    EXPECT_FALSE(Open(501, 0).shown) << "no menu on \"Komunikaty systemowe\"";

    // Contacts from the file: only the SMS commands.
    dlg().m_nContactsSource = 1;
    EXPECT_EQ(Open(100, 0).enabled, (Items{"Wyślij SMSa...", "Wyślij SMSa z polskimi znakami..."}));
}

TEST_F(ContextMenus, RealClicksOnTheTreeSelectAndActOnTheItemUnderThePointer) {
    Contact* adam = Add("Adam", "+48601234567", 1);
    Contact* beata = Add("Beata", "+48601234568", -1);
    tree().Expand(contacts().m_hContactsItem, TVE_EXPAND);
    tree().SelectItem(contacts().m_hContactsItem);

    // A click on a contact selects it and writes it an SMS.
    std::string number;
    dialogs.Expect(IDD_SMS, [&](CDialog& d) {
        number = WindowText(d.GetDlgItem(IDC_SMS_NUMBER));
        fw::Press(d, IDCANCEL);
    });
    Click(beata->hItem, false);
    EXPECT_EQ(tree().GetSelectedItem(), beata->hItem);
    EXPECT_EQ(number, "601234568");

    // The tree drags nothing: a hand that moves while it clicks still clicks.
    number.clear();
    dialogs.Expect(IDD_SMS, [&](CDialog& d) {
        number = WindowText(d.GetDlgItem(IDC_SMS_NUMBER));
        fw::Press(d, IDCANCEL);
    });
    // Just past the distance that starts a drag, and still on the label.
    Click(adam->hItem, false, ::GetSystemMetrics(SM_CXDRAG) + 2);
    EXPECT_EQ(number, "601234567");

    // A right click on another selects that one and opens its contact menu,
    // also when the hand moves.
    Seen seen = Watch([&] { Click(adam->hItem, true, ::GetSystemMetrics(SM_CXDRAG) + 2); });
    EXPECT_EQ(tree().GetSelectedItem(), adam->hItem);
    ASSERT_TRUE(seen.shown) << "no menu opened";
    EXPECT_EQ(seen.enabled,
              (std::vector<std::string>{"Wyślij SMSa...", "Wyślij SMSa z polskimi znakami...",
                                        "Wyślij wiadomość", "Archiwum SMSów", "Edycja", "Usuń",
                                        "Dodaj nowy"}));
}

TEST_F(Contacts, TheFileKeepsTheServicesListForOfflineLogins) {
    // A list from the service is written at the end.
    Add("SMSy wysłane poza Kontaktami", "Brisko", 1);
    Add("Dom", "+48601234567", 1, 10);
    Add("Praca", "+48501234567", -1);
    dlg().m_nContactsSource = 2;
    dlg().OnClose();
    app.ExitInstance();
    const Path path = ClientDataFile("+48600100200.cts");
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    file.close();
    EXPECT_EQ(bytes.substr(0, 8), std::string("BPCC\3\0\0\0", 8));
    EXPECT_NE(bytes.find(std::string("\r\n\0\0\0", 5)), std::string::npos)
        << "user id 10 as stored by a text-mode stream";

    // An offline login reads it back.
    UseFreshProfile(app, "briskopc-contacts", "127.0.0.1", 9);
    app.WriteProfileString("BriskoPC", "Login", kLogin);
    app.WriteProfileString("BriskoPC", "Password", "haslo123");
    ASSERT_TRUE(app.InitInstance());
    ASSERT_TRUE(PumpUntil([&] { return dlg().m_nSessionState == 0; }));
    EXPECT_EQ(dlg().m_nContactsSource, 1);
    EXPECT_EQ(Labels(contacts().m_hContactsItem), (std::vector<std::string>{"Dom", "Praca"}));
    EXPECT_EQ(contacts().FindByNumber("+48601234567")->nPresence, 0);
    EXPECT_EQ(contacts().FindByNumber("+48601234567")->nUserId, 10);

    // Contacts from the file are not written back.
    ::DeleteFileW(path.c_str());
    dlg().OnClose();
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
