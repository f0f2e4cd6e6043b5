// A thread with its own message queue. Its messages are posted to the thread
// (PostThreadMessage) and handled one at a time, in posting order, by the
// thread's message table, written as a window's is (MessageMap.h):
//
//   BEGIN_MESSAGE_MAP(CMyThread, CWinThread)
//       ON_MESSAGE(WM_USER + 1, OnSomething)  // LRESULT OnSomething(WPARAM, LPARAM)
//   END_MESSAGE_MAP()
//
// The object is created with new and deletes itself when its loop ends (at a
// WM_QUIT message: PostQuitMessage on the thread), after ExitInstance.
#pragma once

#include <windows.h>

class CWinThread {
public:
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; with CREATE_SUSPENDED it waits for ResumeThread.
    BOOL CreateThread(DWORD dwCreateFlags = 0);
    // Lets a suspended thread run, and returns once it takes messages, so
    // that nothing posted to it afterwards is lost.
    DWORD ResumeThread();
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);

    DWORD m_nThreadID = 0;

protected:
    CWinThread() = default;
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // A handle the loop waits on besides the queue (none: nullptr), and what
    // the thread does when it is signalled.
    virtual HANDLE WaitHandle() const { return nullptr; }
    virtual void OnWaitHandle() {}
    virtual BOOL OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

private:
    static unsigned __stdcall Entry(void* p);
    void Run();
    HANDLE m_hThread = nullptr;
    // Set once the thread has its message queue.
    HANDLE m_hQueueReady = nullptr;
};
