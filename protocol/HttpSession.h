// The program's one WinInet session with the service's web host, and the
// worker that performs one request over it.
#pragma once

#include "HttpRequest.h"

#include <wininet.h>

#include <string>

class CHttpSession {
public:
    CHttpSession() = default;
    CHttpSession(const CHttpSession&) = delete;
    CHttpSession& operator=(const CHttpSession&) = delete;
    virtual ~CHttpSession();

    // Always TRUE: a failed open shows later as empty responses.
    BOOL Open(const std::string& host, INTERNET_PORT port, BOOL bSecure);
    // The body of the answer, cut at its first NUL byte; empty on any failure,
    // with *pMaybeDelivered telling whether the service may have got the request.
    // Only the worker holding the request semaphore calls it.
    std::string SendRequest(const HttpRequest& request, bool* pMaybeDelivered);
    // Ends the session; an exchange still running fails at once.
    void Close();

private:
    // Leaves no kept-alive connection for the next request to go on: a small
    // request asks the server to close its connection after it.
    void EndKeptConnection();

    HINTERNET m_hInternet = nullptr;
    HINTERNET m_hConnect = nullptr;
    HINTERNET m_hRequest = nullptr;
    DWORD m_dwFlags = 0;
};

extern CHttpSession g_session;

// The largest answer taken; a longer one counts as a failed request.
const size_t kMaxResponse = 1 << 20;

UINT HttpSendThread(LPVOID pParam);
// Hands the request to a new worker; the window gets it back with WM_REQUEST_DONE.
void StartRequest(HttpRequest* request);
