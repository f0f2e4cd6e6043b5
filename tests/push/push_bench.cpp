// Benchmark, not a test: 1,000 presence events from the moment their frame is
// written by a push server to the moment the contact's image in the tree has
// changed, through the real socket thread and main window; against the bare
// platform path it competes with: the same write, a thread blocked in recv
// that posts the frame to the main thread, taken in turn. ./brisko bench runs it.
#include <winsock2.h>

#include "EventFrame.h"
#include "LoopbackListener.h"
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "Dialog.h"

#include <string>
#include <thread>
#include <vector>

namespace {

const int kEvents = 1000;
const int kUserId = 42;
const UINT WM_BARE_FRAME = WM_APP + 1;

bool ReadExactly(SOCKET s, char* buffer, int n) {
    for (int got = 0; got < n;) {
        int r = ::recv(s, buffer + got, n - got, 0);
        if (r <= 0)
            return false;
        got += r;
    }
    return true;
}

// The client's push session with the listener as its server: the connect's
// connection, then the session's own with its request and reply.
SOCKET OpenSession(CBriskoPCDlg& dlg, LoopbackListener& server) {
    SOCKET session = INVALID_SOCKET;
    std::thread serve([&] {
        SOCKET first = server.Accept();
        session = server.Accept();
        char request[38];
        if (ReadExactly(session, request, sizeof request))
            ::send(session, "\x03\x01\x01", 3, 0);
        ::closesocket(first);
    });
    dlg.m_nSessionState = 2;
    dlg.m_nDbState = 1;
    dlg.m_strSessionId = std::string(36, 'B');
    dlg.m_strPushHost = "127.0.0.1";
    dlg.m_nPushPort = server.Port();
    dlg.m_nReloginCountdown = 0;
    dlg.OnTimer(1);
    PumpUntil([&] { return dlg.m_nSocksState == 1; }, 5000);
    dlg.OnTimer(1);
    PumpUntil([&] { return dlg.m_nSocksState == 2; }, 5000);
    serve.join();
    return dlg.m_nSocksState == 2 ? session : INVALID_SOCKET;
}

// Writes one frame and dispatches the window's messages until done().
template <class Done> double Deliver(SOCKET s, const std::string& frame, Done done) {
    double start = NowMs();
    ::send(s, frame.data(), static_cast<int>(frame.size()), 0);
    MSG msg;
    while (!done() && ::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    return NowMs() - start;
}

// The bare path: a thread in a blocking recv that posts each frame on.
class BarePath {
public:
    BarePath(LoopbackListener& server) {
        m_client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        std::thread accept([&] { m_server = server.Accept(); });
        ::connect(m_client, server.Address(), server.AddressSize());
        accept.join();
        DWORD mainThread = ::GetCurrentThreadId();
        m_reader = std::thread([this, mainThread] {
            char frame[10];
            while (ReadExactly(m_client, frame, sizeof frame))
                ::PostThreadMessageA(mainThread, WM_BARE_FRAME, 0, 0);
        });
    }
    ~BarePath() {
        ::closesocket(m_server);
        m_reader.join();
        ::closesocket(m_client);
    }
    double Time(const std::string& frame) {
        double start = NowMs();
        ::send(m_server, frame.data(), static_cast<int>(frame.size()), 0);
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_BARE_FRAME)
            ::DispatchMessageA(&msg);
        return NowMs() - start;
    }

private:
    SOCKET m_client = INVALID_SOCKET, m_server = INVALID_SOCKET;
    std::thread m_reader;
};

} // namespace

int main() {
    CBriskoPCApp app;
    UseFreshProfile(app, "briskopc-push-bench", "localhost", 9);
    fw::DialogScript dialogs; // no stored password: the login dialog is declined
    if (!app.InitInstance())
        return 1;
    CBriskoPCDlg& dlg = *app.m_pMainDlg;
    StopTimers(dlg.m_hWnd);
    auto* contact = new Contact;
    contact->strName = "Ewa Testowa";
    contact->strNumber = "+48600999999";
    contact->nUserId = kUserId;
    if (!dlg.m_contacts.AddOrUpdate(contact))
        return 1;

    LoopbackListener server(4);
    SOCKET session = OpenSession(dlg, server);
    if (session == INVALID_SOCKET) {
        std::puts("push bench: the session did not open");
        return 1;
    }
    BarePath bare(server);
    CTreeCtrl& tree = dlg.m_wndTree;
    std::vector<double> client, direct;
    for (int i = 0; i < kEvents; ++i) {
        // Away and busy in turn: each changes the image.
        int before = tree.GetItemImage(contact->hItem);
        client.push_back(Deliver(session, EventFrame(i % 2 ? 104 : 103, kUserId),
                                 [&] { return tree.GetItemImage(contact->hItem) != before; }));
        direct.push_back(bare.Time(EventFrame(104, kUserId)));
    }
    const struct {
        double p;
        const char *name, *aim;
    } levels[] = {{0.5, "median", "<= 2 ms"}, {0.99, "p99", "<= 10 ms"}};
    for (const auto& l : levels)
        PrintFigure(std::string("push event from its frame to the tree's image, ") + l.name +
                        " of " + std::to_string(kEvents),
                    Ms(Percentile(client, l.p)), "recv in a thread that posts the frame on",
                    Ms(Percentile(direct, l.p)), Percentile(client, l.p) / Percentile(direct, l.p),
                    l.aim);
    ::closesocket(session);
    dlg.OnClose();
    app.ExitInstance();
    return 0;
}
