#include "Thread.h"

#include <process.h>

namespace {
struct Start {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* p) {
    Start start = *static_cast<Start*>(p);
    delete static_cast<Start*>(p);
    return start.proc(start.param);
}
} // namespace

BOOL AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) {
    auto* start = new Start{pfnThreadProc, pParam};
    // The C runtime's start, so that the worker may use the runtime freely.
    uintptr_t thread = _beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (!thread) {
        delete start;
        return FALSE;
    }
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    return TRUE;
}
