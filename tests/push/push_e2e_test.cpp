// The real BriskoPC.exe against the simulator's push server, as a user sees it:
// a contact who logs in blinks at once, a delivery report marks its SMS, also
// after a restart, a flood of events in any cutting arrives whole, and the
// end does not wait for a connect that hangs.
#include <winsock2.h>

#include "ClientProcess.h"
#include "LoopbackListener.h"
#include "OutboxFile.h"
#include "RemoteTree.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kLogin[] = "+48600100200";
const char kPassword[] = "haslo123";
const char kJan[] = "+48600100201";
const int kTreeId = 1000;
// Tree images: available, logged off, a sent SMS with its report.
const int kAvailable = 3, kLoggedOff = 5, kReport = 9;

Path OutboxPath() {
    return ClientDataFile(kLogin + std::string(".obx"));
}

// The SMS the client finds waiting in its outbox when it starts.
bool WriteOutbox(const std::vector<OutboxEntry>& sms) {
    std::ofstream file(OutboxPath(), std::ios::binary | std::ios::trunc);
    file << EncodeOutboxFile(sms);
    return file.good();
}

class PushEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        ASSERT_TRUE(sim.StartAfresh());
        sim.SetPresence(kJan, 0);
        WriteClientProfile(SimControl::HttpsPort(), kLogin, kPassword);
    }

    void TearDown() override {
        if (client.Running() && !client.Quit(10000))
            client.Kill();
        tree.reset();
        for (const char* f : {"LOGIN", "GETCONTACTS", "GETCOSTS", "LOGINPC", "VERSION"})
            sim.Reset(f);
        sim.StartAfresh();
        sim.SetPresence(kJan, 0);
        DeleteClientProfile();
        ::DeleteFileW(OutboxPath().c_str());
    }

    // Starts the client and waits for its push session.
    void StartSession() {
        ASSERT_TRUE(client.Start());
        tree = std::make_unique<RemoteTree>(client.Process(), client.Child(kTreeId));
        ASSERT_TRUE(WaitFor([&] { return SessionOpen(); }, 30000)) << "no push session";
        // The session may open before the service's contact list is shown.
        ASSERT_TRUE(WaitFor([&] { return Contact("Jan Kowalski").hItem != nullptr; }, 30000))
            << "no contacts";
    }

    // The client starts with an SMS to Jan in its outbox and sends it.
    void SendToJan(const char* text) {
        OutboxEntry sms;
        sms.strNumber = kJan;
        sms.strText = text;
        ASSERT_TRUE(WriteOutbox({sms}));
        StartSession();
        ASSERT_TRUE(WaitFor([&] { return sim.Sms().size() == 1; }, 30000));
    }

    bool SessionOpen() {
        for (const std::string& line : sim.PushLog())
            if (line.find(" session " + std::string(kLogin)) != std::string::npos)
                return true;
        return false;
    }

    // The contact's item in the client's tree (its number is not shown:
    // found by its name).
    RemoteTreeItem Contact(const std::string& name) {
        for (const RemoteTreeItem& item : tree->ChildrenOf("Kontakty"))
            if (item.strText == name)
                return item;
        return {};
    }

    ClientProcess client;
    std::unique_ptr<RemoteTree> tree;
    SimControl sim;
};

TEST_F(PushEndToEnd, AContactWhoLogsInBlinksWithinASecond) {
    StartSession();
    ASSERT_EQ(Contact("Jan Kowalski").nImage, kLoggedOff);
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(sim.SetPresence(kJan, 1));
    std::vector<int> images = {kLoggedOff};
    DWORD firstChange = 0;
    while (::GetTickCount() - start < 6000) {
        int image = Contact("Jan Kowalski").nImage;
        if (images.empty() || images.back() != image) {
            images.push_back(image);
            if (images.size() == 2)
                firstChange = ::GetTickCount() - start;
        }
        ::Sleep(20);
    }
    EXPECT_LT(firstChange, 1000u) << "the login shows at once";
    // Six ticks of 600 ms alternating, then available.
    ASSERT_GE(images.size(), 5u);
    for (size_t i = 1; i + 1 < images.size(); ++i)
        EXPECT_EQ(images[i], i % 2 ? kAvailable : kLoggedOff) << i;
    EXPECT_LE(images.size(), 8u);
    EXPECT_EQ(images.back(), kAvailable);
}

TEST_F(PushEndToEnd, ADeliveryReportMarksTheSmsAndTheContactBlinksUntilExpanded) {
    ASSERT_NO_FATAL_FAILURE(SendToJan("Czy dotarło?"));
    ASSERT_EQ(sim.PushEvent(kLogin, 1001, std::stoul(sim.Sms()[0])), 1);
    RemoteTreeItem jan;
    std::vector<RemoteTreeItem> items;
    ASSERT_TRUE(WaitFor(
        [&] {
            jan = Contact("Jan Kowalski");
            items = tree->Children(jan.hItem);
            return items.size() == 1 && items[0].nImage == kReport;
        },
        10000));
    // Blinking: the contact's image keeps changing while it is collapsed.
    std::set<int> seen;
    for (int i = 0; i < 30; ++i, ::Sleep(100))
        seen.insert(Contact("Jan Kowalski").nImage);
    EXPECT_GE(seen.size(), 2u);

    ::SendMessageA(client.Child(kTreeId), TVM_EXPAND, TVE_EXPAND,
                   reinterpret_cast<LPARAM>(jan.hItem));
    ::Sleep(1500);
    seen.clear();
    for (int i = 0; i < 20; ++i, ::Sleep(100))
        seen.insert(Contact("Jan Kowalski").nImage);
    EXPECT_EQ(seen, std::set<int>{kLoggedOff}) << "the blinking ends once the SMS is shown";
}

TEST_F(PushEndToEnd, AReportAfterARestartMarksItsSmsAndTheMarkOutlastsTheNextOne) {
    ASSERT_NO_FATAL_FAILURE(SendToJan("Dotrze po restarcie?"));
    ASSERT_TRUE(
        WaitFor([&] { return tree->Children(Contact("Jan Kowalski").hItem).size() == 1; }, 30000));
    const unsigned smsId = static_cast<unsigned>(std::stoul(sim.Sms()[0]));
    ASSERT_TRUE(client.Quit(10000));

    // The program started again: the SMS hangs under Jan, and his report finds it.
    StartSession();
    std::vector<RemoteTreeItem> items;
    auto shown = [&](int image) {
        return WaitFor(
            [&] {
                items = tree->Children(Contact("Jan Kowalski").hItem);
                return items.size() == 1 && items[0].nImage == image;
            },
            10000);
    };
    ASSERT_TRUE(shown(8)) << items.size() << " SMS under Jan";
    EXPECT_EQ(items[0].strText, "Dotrze po restarcie?");
    // The push log still names the first run's session: sent once the new one is open.
    ASSERT_TRUE(WaitFor([&] { return sim.PushEvent(kLogin, 1001, smsId) == 1; }, 30000));
    ASSERT_TRUE(shown(kReport));
    // Opened, the contact stops blinking and the program ends without a question.
    ::SendMessageA(client.Child(kTreeId), TVM_EXPAND, TVE_EXPAND,
                   reinterpret_cast<LPARAM>(Contact("Jan Kowalski").hItem));
    // Four ticks of the timer, each 600 ms.
    ::Sleep(3000);
    EXPECT_EQ(Contact("Jan Kowalski").nImage, kLoggedOff);
    if (const std::string png = ShotFile("sent-sms-restart"); !png.empty()) {
        EXPECT_TRUE(ShootWindow(client.Main(), png));
    }
    ASSERT_TRUE(client.Quit(10000));

    StartSession();
    EXPECT_TRUE(shown(kReport)) << "the mark stays";
    EXPECT_EQ(sim.Sms().size(), 1u) << "nothing sent again";
}

TEST_F(PushEndToEnd, AThousandEventsInAnyCuttingAllArrive) {
    // Twenty SMS to report on, each from the outbox.
    std::vector<OutboxEntry> outbox(20);
    for (size_t i = 0; i < outbox.size(); ++i) {
        outbox[i].strNumber = kJan;
        outbox[i].strText = "raport " + std::to_string(i);
    }
    ASSERT_TRUE(WriteOutbox(outbox));
    ASSERT_TRUE(sim.SetCredits("%2B48600100200", 100000));
    StartSession();
    ASSERT_TRUE(WaitFor([&] { return sim.Sms().size() == outbox.size(); }, 60000));
    auto texts = [&](HTREEITEM parent) {
        std::string all;
        for (const RemoteTreeItem& item : tree->Children(parent))
            all += item.strText + " | ";
        return all;
    };
    ASSERT_TRUE(
        // An SMS whose answer went astray is checked with the service first.
        WaitFor([&] { return tree->Children(Contact("Jan Kowalski").hItem).size() == 20; }, 60000))
        << "under the contact: " << texts(Contact("Jan Kowalski").hItem)
        << "\nin the outbox: " << texts([&] {
               for (const RemoteTreeItem& root : tree->Children(TVI_ROOT))
                   if (root.strText == "Skrzynka Nadawcza")
                       return root.hItem;
               return HTREEITEM(nullptr);
           }());
    sim.ClearLog();

    int reports = 0, messages = 0;
    ASSERT_TRUE(sim.Burst(kLogin, 1000, 7, 20, &reports, &messages));
    ASSERT_EQ(reports, 20);
    ASSERT_GT(messages, 100);

    auto marked = [&] {
        size_t n = 0;
        for (const RemoteTreeItem& item : tree->Children(Contact("Jan Kowalski").hItem))
            n += item.nImage == kReport;
        return n;
    };
    auto fetched = [&] {
        std::set<std::string> ids;
        for (const std::string& line : sim.Log()) {
            size_t at = line.find("RECEIVEMSG&MsgId=");
            if (at != std::string::npos)
                ids.insert(line.substr(at + 17));
        }
        return ids.size();
    };
    EXPECT_TRUE(WaitFor(
        [&] {
            return marked() == static_cast<size_t>(reports) &&
                   fetched() == static_cast<size_t>(messages);
        },
        120000))
        << marked() << " of " << reports << " reports marked, " << fetched() << " of " << messages
        << " messages fetched";
}

// A push server that takes no connection: its backlog is full, so a connect
// to it neither succeeds nor fails before its limit.
class HangingServer {
public:
    HangingServer() : m_listener(0) {
        // Fill the backlog; these connects are refused or hang in their turn.
        for (SOCKET& s : m_fillers) {
            s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long nonBlocking = 1;
            ::ioctlsocket(s, FIONBIO, &nonBlocking);
            ::connect(s, m_listener.Address(), m_listener.AddressSize());
        }
        ::Sleep(200);
    }
    ~HangingServer() {
        for (SOCKET s : m_fillers)
            ::closesocket(s);
    }
    int Port() const { return m_listener.Port(); }

private:
    // Winsock, started before the sockets and ended after them.
    struct Winsock {
        Winsock() {
            WSADATA wsa;
            ::WSAStartup(MAKEWORD(2, 2), &wsa);
        }
        ~Winsock() { ::WSACleanup(); }
    } m_winsock;
    LoopbackListener m_listener;
    SOCKET m_fillers[8];
};

TEST_F(PushEndToEnd, TheEndDoesNotWaitForAConnectThatHangs) {
    HangingServer server;
    // A service of standing answers, so that the client stays logged in.
    ASSERT_TRUE(sim.Answer("LOGIN", "LOGINOK\r\n127.0.0.1\r\n" + std::to_string(server.Port()) +
                                        "\r\n250\r\n30\r\n1\r\n"));
    ASSERT_TRUE(sim.Answer("GETCONTACTS", "CONTACTSOK\r\n"));
    ASSERT_TRUE(sim.Answer("GETCOSTS", "COSTSOK\r\n0;0;0;"));
    ASSERT_TRUE(sim.Answer("VERSION", "VEROK\r\n0.22"));
    ASSERT_TRUE(sim.Answer("LOGINPC", "LOGINPCOK\r\n" + std::string(36, 'A') + "\r\nZofia\r\n"));
    ASSERT_TRUE(client.Start());
    tree = std::make_unique<RemoteTree>(client.Process(), client.Child(kTreeId));
    // The duty tick after LOGINOK asks for the connect, which now hangs.
    auto connecting = [&] {
        for (const RemoteTreeItem& line : tree->ChildrenOf("Połączenie"))
            if (line.strText == "Socks: 3, trwa podłączanie")
                return true;
        return false;
    };
    // The first duty after the login, or the next one 18 s later.
    ASSERT_TRUE(WaitFor(connecting, 30000)) << [&] {
        std::string lines;
        for (const RemoteTreeItem& line : tree->ChildrenOf("Połączenie"))
            lines += line.strText + " | ";
        return lines;
    }();
    ::Sleep(500);
    ASSERT_TRUE(connecting()) << "the connect is still under way";
    EXPECT_TRUE(client.Quit(5000)) << "the end waited for the socket thread";
}

} // namespace
