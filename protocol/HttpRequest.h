// One call of the service script, and what its worker shares with the window.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

// The request semaphore, the stop event and the window the workers report to.
// Every request holds it, so the handles stay open until the last worker has
// let go, even when the window has gone before it.
class CRequestChannel {
public:
    explicit CRequestChannel(HWND hWndOwner);
    ~CRequestChannel();
    CRequestChannel(const CRequestChannel&) = delete;
    CRequestChannel& operator=(const CRequestChannel&) = delete;

    // Null when the system could not make them.
    HANDLE Semaphore() const { return m_hSemaphore; }
    HANDLE StopEvent() const { return m_hStopEvent; }

    // Posts to the window; FALSE once it has gone.
    BOOL Post(UINT message, WPARAM wParam, LPARAM lParam);
    // The window goes: nothing is posted to it any more.
    void Close();

private:
    HANDLE m_hSemaphore;
    HANDLE m_hStopEvent;
    std::mutex m_lock;
    HWND m_hWndOwner;
};

// Worker results.
enum : int {
    REQUEST_DONE = 0,          // performed; the response is empty when it failed
    REQUEST_STOPPED = -1,      // shutdown while waiting; nothing sent
    REQUEST_TIMED_OUT = -1001, // no turn within 30 s; nothing sent
    REQUEST_RELEASE_FAILED = -1002,
};

struct HttpRequest {
    // Target relative to the web host's root, parameters already escaped.
    std::string szUrl;
    // Routing name; may differ from the URL's function (QUICKLOGIN calls LOGIN).
    std::string szFunction;
    // The body up to its first NUL byte; null until the request was performed.
    std::unique_ptr<char[]> pszResponse;
    int nResult = REQUEST_DONE;
    // The request may have reached the service though no answer came back: it
    // was sent, or it failed in a way that does not rule that out.
    bool bMaybeDelivered = false;
    // The login the request was made for: answers of a login given up are dropped.
    int nLogin = 0;
    // Must not reach the service twice (an SMS): it goes on a new connection.
    // On a kept-alive one, WinInet sends a request again by itself when the
    // connection breaks before the answer, though the service may have it.
    bool bOnce = false;
    std::shared_ptr<CRequestChannel> pChannel;
    // What the call concerns (an SMS, a message, a contact), for its handler.
    void* dwContext = nullptr;
    // The context, when the request owns it: it goes with the request whether
    // or not the answer reaches the handler.
    std::shared_ptr<void> pOwnedContext;
    // QUICKLOGIN only: the request to send again once logged in; it goes with
    // this record when that does not happen.
    std::unique_ptr<HttpRequest> pPending;
    // Sent again after a silent re-login: a second expired session ends the
    // session instead of logging in again and again.
    bool bResent = false;
};
