// Benchmark, not a test: the real BriskoPC.exe from its process's creation to
// the demo account's contacts in its tree, logging in with the credentials of
// its profile, against startup_bare.exe from its creation to its signal: a
// window made and shown and four bare kept-alive HTTPS GETs to the same
// simulator. Taken in turn, after one start of each that is not counted.
// ./brisko bench runs it.
#include "ClientProcess.h"
#include "Figures.h"
#include "Files.h"
#include "RemoteTree.h"
#include "SimControl.h"

#include <string>
#include <vector>

namespace {

const int kRuns = 7;
const DWORD kPollMs = 2, kWaitMs = 30000;
const char kDoneEvent[] = "BriskoBareStartDone";

// Milliseconds from the start of the client until its tree shows contacts; -1
// when it did not within the time. *shown is how many.
double ClientStart(size_t* shown) {
    WriteClientProfile(SimControl::HttpsPort(), "+48600100200", "haslo123");
    ClientProcess client;
    double start = NowMs();
    double ms = -1;
    if (client.Start(kPollMs)) {
        HWND hTree = client.Child(1000);
        RemoteTree tree(client.Process(), hTree);
        // The window is there before its start-up has made the tree's groups.
        HTREEITEM contacts = nullptr;
        auto found = [&] {
            for (const RemoteTreeItem& root : tree.Children(TVI_ROOT))
                if (root.strText == "Kontakty")
                    contacts = root.hItem;
            return contacts != nullptr;
        };
        // One message a look; the contacts come in one handler, so the first
        // one there means all are, and they are read afterwards.
        auto first = [&] {
            return ::SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_CHILD,
                                  reinterpret_cast<LPARAM>(contacts)) != 0;
        };
        if (WaitFor(found, kWaitMs, kPollMs) && WaitFor(first, kWaitMs, kPollMs)) {
            ms = NowMs() - start;
            *shown = tree.Children(contacts).size();
        }
    }
    if (!client.Quit(15000))
        client.Kill();
    return ms;
}

// Milliseconds from the start of the bare program until its signal; -1 when
// it failed or did not signal within the time.
double BareStart(HANDLE done) {
    double start = NowMs();
    HANDLE process =
        Launch(BesideThisProgram("startup_bare.exe"),
               "localhost " + std::to_string(SimControl::HttpsPort()) + " " + kDoneEvent);
    if (!process)
        return -1;
    HANDLE both[] = {done, process};
    double ms =
        ::WaitForMultipleObjects(2, both, FALSE, kWaitMs) == WAIT_OBJECT_0 ? NowMs() - start : -1;
    ::WaitForSingleObject(process, kWaitMs);
    ::CloseHandle(process);
    return ms;
}

} // namespace

int main() {
    SimControl sim;
    if (!SimControl::HttpsPort() || !sim.StartAfresh()) {
        std::puts("start-up bench: no simulator; run through ./brisko bench");
        return 2;
    }
    HANDLE done = ::CreateEventA(nullptr, FALSE, FALSE, kDoneEvent);
    size_t shown = 0;
    std::vector<double> client, bare;
    for (int run = 0; run <= kRuns; ++run) {
        double c = ClientStart(&shown), b = BareStart(done);
        if (c < 0 || b < 0) {
            std::printf("start-up bench: run %d failed (client %.0f ms, bare %.0f ms)\n", run, c,
                        b);
            return 1;
        }
        // The first of each fills the caches of Wine and of the disk.
        if (run > 0) {
            client.push_back(c);
            bare.push_back(b);
        }
    }
    ::CloseHandle(done);
    DeleteClientProfile();
    sim.StartAfresh();
    PrintFigure("start to logged in with " + std::to_string(shown) +
                    " contacts in the tree, BriskoPC.exe",
                Spread(client), "a window shown and 4 kept-alive HTTPS GETs", Spread(bare),
                Median(client) / Median(bare), "<= 1.5");
    return 0;
}
