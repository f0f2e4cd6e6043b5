// WinInet as a program without the client would call it: one session, one
// kept-alive HTTPS connection, GETs made on the calling thread. What the
// client's requests are measured against.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

class BareWinInet {
public:
    BareWinInet(const char* host, int port)
        : m_hInternet(::InternetOpenA("Microsoft Internet Explorer", INTERNET_OPEN_TYPE_PRECONFIG,
                                      nullptr, nullptr, 0)),
          m_hConnect(::InternetConnectA(m_hInternet, host, static_cast<INTERNET_PORT>(port),
                                        nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)) {}
    ~BareWinInet() {
        ::InternetCloseHandle(m_hConnect);
        ::InternetCloseHandle(m_hInternet);
    }
    BareWinInet(const BareWinInet&) = delete;
    BareWinInet& operator=(const BareWinInet&) = delete;

    // One GET of `target` ("/briskopc.asp?..."), its answer read whole; false
    // when it failed.
    bool Get(const std::string& target) {
        const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                            INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE |
                            INTERNET_FLAG_SECURE;
        HINTERNET request = ::HttpOpenRequestA(m_hConnect, nullptr, target.c_str(), "HTTP/1.1",
                                               nullptr, nullptr, flags, 0);
        bool ok = request && ::HttpSendRequestA(request, nullptr, 0, nullptr, 0);
        char chunk[4096];
        DWORD read = 0;
        while (ok && (ok = ::InternetReadFile(request, chunk, sizeof chunk, &read)) && read)
            ;
        if (request)
            ::InternetCloseHandle(request);
        return ok;
    }

private:
    HINTERNET m_hInternet;
    HINTERNET m_hConnect;
};
