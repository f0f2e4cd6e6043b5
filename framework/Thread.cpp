#include "Thread.h"

#include "HandleCounts.h"

#include <process.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {
// Starting a thread costs more than a whole kept-alive request under Wine: a
// worker that has finished waits this long for the next procedure to run.
const DWORD kIdleLife = 10000;

struct Worker {
    HANDLE hWake; // auto-reset: set when the worker has been given a procedure
    AFX_THREADPROC proc;
    LPVOID param;
};

std::mutex g_lock;
// Finished workers waiting for a procedure, the most recent last.
std::vector<Worker*> g_idle;

// Takes the worker out of the idle list; FALSE when a start has taken it already.
bool Retire(Worker* w) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = std::find(g_idle.begin(), g_idle.end(), w);
    if (it == g_idle.end())
        return false;
    g_idle.erase(it);
    return true;
}

unsigned __stdcall WorkerEntry(void* p) {
    auto* w = static_cast<Worker*>(p);
    fw::CountHandle(fw::kThreads, +1);
    for (;;) {
        w->proc(w->param);
        {
            std::lock_guard<std::mutex> lock(g_lock);
            g_idle.push_back(w);
        }
        if (::WaitForSingleObject(w->hWake, kIdleLife) == WAIT_OBJECT_0)
            continue;
        if (Retire(w))
            break;
        // Given a procedure just as its time ran out: the wake is already set.
        ::WaitForSingleObject(w->hWake, 0);
    }
    ::CloseHandle(w->hWake);
    fw::Closed(fw::kKernelObjects);
    delete w;
    fw::CountHandle(fw::kThreads, -1);
    return 0;
}

// Hands the procedure to a waiting worker, if there is one.
bool Reuse(AFX_THREADPROC pfnThreadProc, LPVOID pParam) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_idle.empty())
        return false;
    Worker* w = g_idle.back();
    g_idle.pop_back();
    w->proc = pfnThreadProc;
    w->param = pParam;
    ::SetEvent(w->hWake);
    return true;
}
} // namespace

BOOL AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) {
    if (Reuse(pfnThreadProc, pParam))
        return TRUE;
    auto* w =
        new Worker{fw::Opened(fw::kKernelObjects, ::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
                   pfnThreadProc, pParam};
    // The C runtime's start, so that the worker may use the runtime freely.
    uintptr_t thread = w->hWake ? _beginthreadex(nullptr, 0, WorkerEntry, w, 0, nullptr) : 0;
    if (!thread) {
        if (w->hWake) {
            ::CloseHandle(w->hWake);
            fw::Closed(fw::kKernelObjects);
        }
        delete w;
        return FALSE;
    }
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    return TRUE;
}
