#include "HttpSession.h"

#include "Encoding.h"
#include "HandleCounts.h"
#include "MessageBox.h"
#include "Messages.h"
#include "Thread.h"

#include <cstring>
#include <initializer_list>
#include <vector>

CHttpSession g_session;

namespace {
const DWORD kTimeout = 15000;  // connect, send, receive
const DWORD kTurnWait = 30000; // a worker's wait for its turn
const DWORD kChunk = 4096;
const DWORD kProbeTimeout = 3000; // the request that ends a kept-alive connection

// Fresh answers over a kept-alive connection, never from a cache. Certificate
// errors are not ignored: anyone on the path could read the password.
const DWORD kFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                     INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE;

// The canonical form of a URL, however long; empty when there is none.
std::string Canonical(const std::string& url) {
    std::string canonical(url.size() * 3 + 16, '\0');
    DWORD size = static_cast<DWORD>(canonical.size());
    if (!::InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &size, 0)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return {};
        canonical.resize(size + 1);
        size = static_cast<DWORD>(canonical.size());
        if (!::InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &size, 0))
            return {};
    }
    canonical.resize(size);
    return canonical;
}

// Failures that come before the request leaves: the name is unknown, or the
// server is not the service's. A failed connection proves nothing: WinInet sends
// a request again on a new connection when a kept-alive one breaks, so the first
// may have reached the service before the second could not connect.
bool FailedBeforeSending(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_INVALID_URL:
        return true;
    default:
        return false;
    }
}
} // namespace

CRequestChannel::CRequestChannel(HWND hWndOwner)
    : m_hSemaphore(fw::Opened(fw::kKernelObjects, ::CreateSemaphoreA(nullptr, 1, 1, nullptr))),
      m_hStopEvent(fw::Opened(fw::kKernelObjects, ::CreateEventA(nullptr, TRUE, FALSE, nullptr))),
      m_hWndOwner(hWndOwner) {}

CRequestChannel::~CRequestChannel() {
    for (HANDLE h : {m_hSemaphore, m_hStopEvent})
        if (h) {
            ::CloseHandle(h);
            fw::Closed(fw::kKernelObjects);
        }
}

BOOL CRequestChannel::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_hWndOwner && ::PostMessageA(m_hWndOwner, message, wParam, lParam);
}

void CRequestChannel::Close() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_hWndOwner = nullptr;
}

CHttpSession::~CHttpSession() {
    Close();
}

BOOL CHttpSession::Open(const std::string& host, INTERNET_PORT port, BOOL bSecure) {
    Close();
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD timeout = kTimeout;
        ::InternetSetOptionA(nullptr, option, &timeout, sizeof timeout);
    }
    m_dwFlags = bSecure ? kFlags | INTERNET_FLAG_SECURE : kFlags;
    m_hInternet = fw::Opened(fw::kInternetHandles,
                             ::InternetOpenA("Microsoft Internet Explorer",
                                             INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    m_hConnect = fw::Opened(fw::kInternetHandles,
                            ::InternetConnectA(m_hInternet, host.c_str(), port, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    return TRUE;
}

std::string CHttpSession::SendRequest(const HttpRequest& request, bool* pMaybeDelivered) {
    *pMaybeDelivered = false;
    // A URL that has no canonical form is never sent with a made-up target.
    // WinInet takes the target through the system's code page: the bytes the
    // escaping leaves above 127 reach the wire as they are only on a system
    // of cp1250, and elsewhere go escaped.
    std::string url =
        Canonical(::GetACP() == 1250 ? request.szUrl : EscapeHighBytes(request.szUrl));
    if (url.empty() || !m_hConnect)
        return {};
    if (request.bOnce)
        EndKeptConnection();
    m_hRequest = fw::Opened(fw::kInternetHandles,
                            ::HttpOpenRequestA(m_hConnect, nullptr, url.c_str(), "HTTP/1.1",
                                               nullptr, nullptr, m_dwFlags, 0));
    std::string body;
    bool complete = false;
    bool sent = m_hRequest && ::HttpSendRequestA(m_hRequest, nullptr, 0, nullptr, 0);
    *pMaybeDelivered = sent || (m_hRequest && !FailedBeforeSending(::GetLastError()));
    if (sent) {
        std::vector<char> chunk(kChunk);
        DWORD read = 0;
        while (::InternetReadFile(m_hRequest, chunk.data(), kChunk, &read)) {
            if (read == 0) {
                complete = true;
                break;
            }
            if (body.size() + read > kMaxResponse)
                break;
            body.append(chunk.data(), read);
        }
    }
    if (m_hRequest) {
        ::InternetCloseHandle(m_hRequest);
        fw::Closed(fw::kInternetHandles);
    }
    m_hRequest = nullptr;
    if (!complete)
        return {};
    // The text ends at a NUL byte.
    body.resize(std::strlen(body.c_str()));
    return body;
}

void CHttpSession::EndKeptConnection() {
    static const char kClose[] = "Connection: close\r\n";
    HINTERNET probe =
        fw::Opened(fw::kInternetHandles,
                   ::HttpOpenRequestA(m_hConnect, "HEAD", "/", "HTTP/1.1", nullptr, nullptr,
                                      m_dwFlags & ~INTERNET_FLAG_KEEP_CONNECTION, 0));
    if (!probe)
        return;
    // A probe that times out breaks the connection too: the SMS need not wait long.
    for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD timeout = kProbeTimeout;
        ::InternetSetOptionA(probe, option, &timeout, sizeof timeout);
    }
    ::HttpAddRequestHeadersA(probe, kClose, static_cast<DWORD>(sizeof kClose - 1),
                             HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    ::HttpSendRequestA(probe, nullptr, 0, nullptr, 0);
    ::InternetCloseHandle(probe);
    fw::Closed(fw::kInternetHandles);
}

void CHttpSession::Close() {
    // Closing the root handle also ends an exchange that is still running.
    if (m_hInternet)
        ::InternetCloseHandle(m_hInternet);
    // The connection handle goes with its root.
    for (HINTERNET h : {m_hInternet, m_hConnect})
        if (h)
            fw::Closed(fw::kInternetHandles);
    m_hInternet = m_hConnect = nullptr;
}

UINT HttpSendThread(LPVOID pParam) {
    auto* request = static_cast<HttpRequest*>(pParam);
    // Our own hold on the channel: the window may free the request the moment
    // it has it, while the post is still returning here.
    std::shared_ptr<CRequestChannel> hold = request->pChannel;
    CRequestChannel& channel = *hold;
    request->pszResponse.reset();
    request->bMaybeDelivered = false;
    int result = REQUEST_DONE;
    channel.Post(WM_REQUEST_STARTED, 0, 0);

    HANDLE turn[] = {channel.Semaphore(), channel.StopEvent()};
    switch (::WaitForMultipleObjects(2, turn, FALSE, kTurnWait)) {
    case WAIT_OBJECT_0: {
        std::string body = g_session.SendRequest(*request, &request->bMaybeDelivered);
        request->pszResponse.reset(new char[body.size() + 1]);
        std::memcpy(request->pszResponse.get(), body.c_str(), body.size() + 1);
        if (!::ReleaseSemaphore(channel.Semaphore(), 1, nullptr)) {
            AfxMessageBox("ReleaseSemaphore error occurred in HttpSendThread");
            result = REQUEST_RELEASE_FAILED;
            request->bMaybeDelivered = true;
        }
        break;
    }
    case WAIT_TIMEOUT:
        result = REQUEST_TIMED_OUT;
        break;
    default:
        // Stopped, or a wait that failed outright: nothing was sent.
        result = REQUEST_STOPPED;
        break;
    }
    request->nResult = result;
    // With the window gone, nobody else will free the request.
    if (!channel.Post(WM_REQUEST_DONE, static_cast<WPARAM>(result),
                      reinterpret_cast<LPARAM>(request)))
        delete request;
    return 0;
}

void StartRequest(HttpRequest* request) {
    if (AfxBeginThread(HttpSendThread, request))
        return;
    // No worker: the window still hears of the request, as one that was stopped.
    request->nResult = REQUEST_STOPPED;
    request->pChannel->Post(WM_REQUEST_STARTED, 0, 0);
    if (!request->pChannel->Post(WM_REQUEST_DONE, static_cast<WPARAM>(REQUEST_STOPPED),
                                 reinterpret_cast<LPARAM>(request)))
        delete request;
}
