#include "WinThread.h"

#include <process.h>

namespace {
// A thread that cannot make its queue within this is given up on.
const DWORD kQueueWait = 5000;
} // namespace

CWinThread::~CWinThread() {
    if (m_hThread)
        ::CloseHandle(m_hThread);
    if (m_hQueueReady)
        ::CloseHandle(m_hQueueReady);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags) {
    m_hQueueReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_hQueueReady)
        return FALSE;
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, Entry, this, dwCreateFlags & CREATE_SUSPENDED, &id);
    if (!h)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(h);
    m_nThreadID = id;
    return TRUE;
}

DWORD CWinThread::ResumeThread() {
    DWORD previous = ::ResumeThread(m_hThread);
    ::WaitForSingleObject(m_hQueueReady, kQueueWait);
    return previous;
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostThreadMessageA(m_nThreadID, message, wParam, lParam);
}

unsigned __stdcall CWinThread::Entry(void* p) {
    auto* self = static_cast<CWinThread*>(p);
    MSG msg;
    ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ::SetEvent(self->m_hQueueReady);
    if (self->InitInstance())
        self->Run();
    int code = self->ExitInstance();
    delete self;
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
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            LRESULT result;
            if (msg.hwnd || !OnWndMsg(msg.message, msg.wParam, msg.lParam, &result)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }
}
