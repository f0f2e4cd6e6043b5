// Benchmark, not a test: a 20 MB installer from the simulator through the
// download dialog (its worker, displays and file), against the same file read
// with bare WinInet calls into memory, in pieces of the dialog's size and in
// large ones. ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "ClientTest.h"
#include "HttpDownloadDlg.h"
#include "SimControl.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const unsigned kSize = 20u << 20;
const int kRounds = 3;

// Milliseconds for one GET of the whole answer with plain WinInet calls; -1
// when it failed or came short.
double BareRead(int port, DWORD piece) {
    double start = NowMs();
    HINTERNET session = ::InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection =
        ::InternetConnectA(session, "localhost", static_cast<INTERNET_PORT>(port), nullptr, nullptr,
                           INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = ::HttpOpenRequestA(
        connection, "GET", "/briskopc/setup.exe", "HTTP/1.1", nullptr, nullptr,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE, 0);
    uint64_t total = 0;
    if (request && ::HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        std::vector<char> buffer(piece);
        DWORD got = 0;
        while (::InternetReadFile(request, buffer.data(), piece, &got) && got)
            total += got;
    }
    for (HINTERNET h : {request, connection, session})
        if (h)
            ::InternetCloseHandle(h);
    return total == kSize ? NowMs() - start : -1;
}

// The dialog whose worker's own time is kept: the rest is the window's.
class TimedDownloadDlg : public CHttpDownloadDlg {
public:
    double m_dWorkerMs = -1;

protected:
    void RunTransfer() override {
        double start = NowMs();
        CHttpDownloadDlg::RunTransfer();
        m_dWorkerMs = NowMs() - start;
    }
};

} // namespace

int main() {
    CBriskoPCApp app; // the dialog's title
    SimControl sim;
    const int port = SimControl::HttpsPort();
    if (!port || !sim.StartAfresh() || !sim.SetInstallerSize(kSize)) {
        std::printf("download bench: no simulator\n");
        return 1;
    }
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    const std::string target = std::string(dir) + "briskopc-bench-setup.exe";

    std::vector<double> dialog, worker, small, large;
    for (int round = 0; round < kRounds; ++round) {
        small.push_back(BareRead(port, 1024));
        large.push_back(BareRead(port, 64 * 1024));
        TimedDownloadDlg dlg;
        dlg.m_strUrl = "https://localhost:" + std::to_string(port) + "/briskopc/setup.exe";
        dlg.m_strTargetFile = target;
        dlg.m_bAskReplace = FALSE;
        double start = NowMs();
        INT_PTR result = dlg.DoModal();
        dialog.push_back(result == IDOK ? NowMs() - start : -1);
        worker.push_back(dlg.m_dWorkerMs);
    }
    ::DeleteFileA(target.c_str());
    sim.StartAfresh();
    for (const auto* v : {&dialog, &small, &large})
        if (std::find(v->begin(), v->end(), -1) != v->end()) {
            std::printf("download bench: a transfer failed\n");
            return 1;
        }
    const std::string what = "download of " + std::to_string(kSize >> 20) + " MB, ";
    const std::string bare = "WinInet read in 1 KB pieces";
    PrintFigure(what + "the dialog's worker", Spread(worker), bare, Spread(small),
                Median(worker) / Median(small), "<= 1.1");
    PrintFigure(what + "the whole dialog, its window's start and end included", Spread(dialog),
                bare, Spread(small), Median(dialog) / Median(small), "<= 1.1");
    PrintFigure(what + "WinInet read in 64 KB pieces", Spread(large), bare, Spread(small),
                Median(large) / Median(small));
    return 0;
}
