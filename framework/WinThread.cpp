#include "WinThread.h"

#include "HandleCounts.h"

#include <process.h>

#include <initializer_list>

namespace {
// A thread that cannot make its queue within this is given up on.
const DWORD kQueueWait = 5000;
} // namespace

CWinThread::~CWinThread() {
    for (HANDLE h : {m_hThread, m_hQueueReady})
        if (h) {
            ::CloseHandle(h);
            fw::Closed(fw::kKernelObjects);
        }
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags) {
    m_hQueueReady = fw::Opened(fw::kKernelObjects, ::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_hQueueReady)
        return FALSE;
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, Entry, this, dwCreateFlags & CREATE_SUSPENDED, &id);
    if (!h)
        return FALSE;
    m_hThread = fw::Opened(fw::kKernelObjects, reinterpret_cast<HANDLE>(h));
    m_nThreadID = id;
    return TRUE;
}

DWORD CWinThread::ResumeThread() {
    DWORD previous = ::ResumeThread(m_hThread);
    ::WaitForSingleObject(m_hQueueReady, kQueueWait);
    return previous;
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostThreadMessageW(m_nThreadID, message, wParam, lParam);
}

unsigned __stdcall CWinThread::Entry(void* p) {
    auto* self = static_cast<CWinThread*>(p);
    fw::CountHandle(fw::kThreads, +1);
    fw::CountThreadWindows();
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ::SetEvent(self->m_hQueueReady);
    if (self->InitInstance())
        self->Run();
    int code = self->ExitInstance();
    delete self;
    fw::CountHandle(fw::kThreads, -1);
    return static_cast<unsigned>(code);
}

void CWinThread::Run() {
    for (;;) {
        HANDLE h = WaitHandle();
        DWORD r = ::MsgWaitForMultipleObjects(h ? 1 : 0, &h, FALSE, INFINITE, QS_ALLINPUT);
        if (h && r == WAIT_OBJECT_0) {
            OnWaitHandle();
            continue;
        }
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            LRESULT result;
            if (msg.hwnd || !OnWndMsg(msg.message, msg.wParam, msg.lParam, &result)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }
}
