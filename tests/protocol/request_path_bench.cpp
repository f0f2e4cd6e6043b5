// Benchmark, not a test: 200 sequential requests through the client's request
// path (a worker per request, the semaphore, the dispatcher) against 200 GETs
// made directly with WinInet on one thread, taken in turn, both to the simulator.
// ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "SimControl.h"
#include "resource.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int kRequests = 200;

std::string Url(const char* phase, int i) {
    return std::string("briskopc.asp?function=BENCH&n=") + phase + std::to_string(i);
}

// Waits for the one request in flight to come back through the dispatcher.
void WaitForDispatch(CBriskoPCDlg& dlg) {
    bool started = false;
    MSG msg;
    while (!(started && dlg.m_nThreads == 0) && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageA(&msg);
        started = started || dlg.m_nThreads > 0;
    }
}

double ThroughTheRequestPath(CBriskoPCDlg& dlg, int i) {
    double start = NowMs();
    dlg.QueueRequest("BENCH", Url("path", i));
    WaitForDispatch(dlg);
    return NowMs() - start;
}

// Bare WinInet on this thread: one session, one kept-alive connection.
class DirectWinInet {
public:
    DirectWinInet()
        : m_hInternet(::InternetOpenA("Microsoft Internet Explorer", INTERNET_OPEN_TYPE_PRECONFIG,
                                      nullptr, nullptr, 0)),
          m_hConnect(::InternetConnectA(m_hInternet, "localhost",
                                        static_cast<INTERNET_PORT>(SimControl::HttpsPort()),
                                        nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)) {}
    ~DirectWinInet() {
        ::InternetCloseHandle(m_hConnect);
        ::InternetCloseHandle(m_hInternet);
    }

    double Get(int i) {
        const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                            INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE |
                            INTERNET_FLAG_SECURE;
        double start = NowMs();
        std::string target = "/" + Url("direct", i);
        HINTERNET request = ::HttpOpenRequestA(m_hConnect, nullptr, target.c_str(), "HTTP/1.1",
                                               nullptr, nullptr, flags, 0);
        if (::HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
            char chunk[4096];
            DWORD read = 0;
            while (::InternetReadFile(request, chunk, sizeof chunk, &read) && read)
                ;
        }
        ::InternetCloseHandle(request);
        return NowMs() - start;
    }

private:
    HINTERNET m_hInternet;
    HINTERNET m_hConnect;
};

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Sum(const std::vector<double>& times) {
    return std::accumulate(times.begin(), times.end(), 0.0);
}

// Requests logged for a phase, and over how many TCP connections they came.
void Connections(SimControl& sim, const char* phase, size_t* requests, size_t* connections) {
    std::set<std::string> ids;
    *requests = 0;
    for (const std::string& line : sim.Log()) {
        if (line.find(std::string("n=") + phase) == std::string::npos)
            continue;
        std::istringstream fields(line);
        std::string id;
        fields >> id;
        ids.insert(id);
        ++*requests;
    }
    *connections = ids.size();
}

} // namespace

int main() {
    if (!SimControl::HttpsPort()) {
        std::puts("no simulator: run through ./brisko bench");
        return 2;
    }
    CBriskoPCApp app;
    UseFreshProfile(app, "briskopc-bench", "localhost", SimControl::HttpsPort());
    fw::DialogScript dialogs; // no stored password: the login dialog is declined
    if (!app.InitInstance())
        return 1;
    CBriskoPCDlg& dlg = *app.m_pMainDlg;
    StopTimers(dlg.m_hWnd);

    SimControl sim;
    DirectWinInet direct;
    // The first request of each pays for the TLS handshake: both warm up first.
    dlg.QueueRequest("BENCH", Url("warm", 0));
    WaitForDispatch(dlg);
    direct.Get(-1);
    sim.ClearLog();
    // One of each in turn, so that the load of the machine weighs on both alike.
    std::vector<double> path, bare;
    for (int i = 0; i < kRequests; ++i) {
        path.push_back(ThroughTheRequestPath(dlg, i));
        bare.push_back(direct.Get(i));
    }

    size_t pathRequests, pathConnections, directRequests, directConnections;
    Connections(sim, "path", &pathRequests, &pathConnections);
    Connections(sim, "direct", &directRequests, &directConnections);
    std::printf("request path: %d requests in %.1f ms, median %.2f ms, %zu logged over %zu "
                "connection(s)\n",
                kRequests, Sum(path), Median(path), pathRequests, pathConnections);
    std::printf("direct WinInet: %d requests in %.1f ms, median %.2f ms, %zu logged over %zu "
                "connection(s)\n",
                kRequests, Sum(bare), Median(bare), directRequests, directConnections);
    std::printf("request path / direct: %.3f in total, %.3f by the medians\n",
                Sum(path) / Sum(bare), Median(path) / Median(bare));

    dlg.OnClose();
    app.ExitInstance();
    return pathRequests == kRequests && directRequests == kRequests ? 0 : 1;
}
