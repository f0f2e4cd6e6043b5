// Benchmark, not a test: 200 sequential requests through the client's request
// path (a worker per request, the semaphore, the dispatcher) against the same
// 200 GETs made directly with WinInet on one thread, both to the simulator.
// ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "SimControl.h"
#include "resource.h"

#include <wininet.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

const int kRequests = 200;

double Now() {
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * counter.QuadPart / frequency.QuadPart;
}

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

double ThroughTheRequestPath(CBriskoPCDlg& dlg) {
    double start = Now();
    for (int i = 0; i < kRequests; ++i) {
        dlg.QueueRequest("BENCH", Url("path", i));
        WaitForDispatch(dlg);
    }
    return Now() - start;
}

double DirectWinInet() {
    HINTERNET internet = ::InternetOpenA("Microsoft Internet Explorer",
                                         INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connect = ::InternetConnectA(internet, "localhost",
                                           static_cast<INTERNET_PORT>(SimControl::HttpsPort()),
                                           nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_SECURE;
    double start = Now();
    for (int i = 0; i < kRequests; ++i) {
        std::string target = "/" + Url("direct", i);
        HINTERNET request = ::HttpOpenRequestA(connect, nullptr, target.c_str(), "HTTP/1.1",
                                               nullptr, nullptr, flags, 0);
        if (::HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
            char chunk[4096];
            DWORD read = 0;
            while (::InternetReadFile(request, chunk, sizeof chunk, &read) && read)
                ;
        }
        ::InternetCloseHandle(request);
    }
    double elapsed = Now() - start;
    ::InternetCloseHandle(connect);
    ::InternetCloseHandle(internet);
    return elapsed;
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
    // The first request of each pays for the TLS handshake: both warm up first.
    dlg.QueueRequest("BENCH", Url("warm", 0));
    WaitForDispatch(dlg);
    sim.ClearLog();
    double path = ThroughTheRequestPath(dlg);
    double direct = DirectWinInet();

    size_t pathRequests, pathConnections, directRequests, directConnections;
    Connections(sim, "path", &pathRequests, &pathConnections);
    Connections(sim, "direct", &directRequests, &directConnections);
    std::printf("request path: %d requests in %.1f ms, %.2f ms each, %zu logged over %zu "
                "connection(s)\n",
                kRequests, path, path / kRequests, pathRequests, pathConnections);
    std::printf("direct WinInet: %d requests in %.1f ms, %.2f ms each, %zu logged over %zu "
                "connection(s)\n",
                kRequests, direct, direct / kRequests, directRequests, directConnections);
    std::printf("request path / direct: %.3f\n", path / direct);

    dlg.OnClose();
    app.ExitInstance();
    return pathRequests == kRequests && directRequests == kRequests ? 0 : 1;
}
