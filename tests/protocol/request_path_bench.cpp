// Benchmark, not a test: 200 sequential requests through the client's request
// path (a worker per request, the semaphore, the dispatcher) against 200 GETs
// made directly with WinInet on one thread, taken in turn, both to the simulator.
// ./brisko bench runs it.
#include "BareWinInet.h"
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "SimControl.h"
#include "resource.h"

#include <cstdio>
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

double Bare(BareWinInet& wininet, int i) {
    double start = NowMs();
    wininet.Get("/" + Url("direct", i));
    return NowMs() - start;
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
    BareWinInet direct("localhost", SimControl::HttpsPort());
    // The first request of each pays for the TLS handshake: both warm up first.
    dlg.QueueRequest("BENCH", Url("warm", 0));
    WaitForDispatch(dlg);
    Bare(direct, -1);
    sim.ClearLog();
    // One of each in turn, so that the load of the machine weighs on both alike.
    std::vector<double> path, bare;
    for (int i = 0; i < kRequests; ++i) {
        path.push_back(ThroughTheRequestPath(dlg, i));
        bare.push_back(Bare(direct, i));
    }

    size_t pathRequests, pathConnections, directRequests, directConnections;
    Connections(sim, "path", &pathRequests, &pathConnections);
    Connections(sim, "direct", &directRequests, &directConnections);
    PrintFigure("request path, " + std::to_string(pathRequests) + " requests over " +
                    std::to_string(pathConnections) + " connection(s)",
                Spread(path),
                "WinInet GET on one thread, " + std::to_string(directRequests) + " over " +
                    std::to_string(directConnections) + " connection(s)",
                Spread(bare), Median(path) / Median(bare), "<= 1.25, one connection");

    dlg.OnClose();
    app.ExitInstance();
    return pathRequests == kRequests && directRequests == kRequests ? 0 : 1;
}
