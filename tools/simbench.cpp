// simbench.exe HOST PORT COUNT
//
// Times the simulator through WinInet as the client uses it: one session,
// one kept-alive HTTPS connection, COUNT sequential GETs of
// "/briskopc.asp?function=BENCH&n=<i>", each body read whole and checked
// ("OK\r\n<i>"). Certificate errors are not ignored: it works only when the
// simulator's authority is trusted in the prefix (tools/trustca). Prints the
// total and the mean time per request; exits 1 if any request failed or any
// body was wrong, 2 on a usage error. A benchmark: it asserts no times.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* wininet_error_name(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_INVALID_CA:
        return " (ERROR_INTERNET_INVALID_CA: the certificate authority is not trusted)";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        return " (ERROR_INTERNET_SEC_CERT_CN_INVALID)";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        return " (ERROR_INTERNET_SEC_CERT_DATE_INVALID)";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return " (ERROR_INTERNET_CANNOT_CONNECT)";
    case ERROR_INTERNET_CONNECTION_RESET:
        return " (ERROR_INTERNET_CONNECTION_RESET)";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return " (ERROR_INTERNET_CONNECTION_ABORTED)";
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        return " (ERROR_INTERNET_SEC_CERT_REV_FAILED)";
    case ERROR_INTERNET_SEC_CERT_ERRORS:
        return " (ERROR_INTERNET_SEC_CERT_ERRORS)";
    case ERROR_INTERNET_TIMEOUT:
        return " (ERROR_INTERNET_TIMEOUT)";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return " (ERROR_INTERNET_NAME_NOT_RESOLVED)";
    default:
        return "";
    }
}

void report(const char* what, int n) {
    const DWORD error = GetLastError();
    std::fprintf(stderr, "simbench: request %d: %s failed: error %lu%s\n", n, what, error,
                 wininet_error_name(error));
}

// After a failed send: which certificate problems WinInet found.
void report_certificate_problems(HINTERNET request) {
    DWORD flags = 0;
    DWORD size = sizeof flags;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size) ||
        !(flags &
          (SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION |
           SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID))) {
        return;
    }
    std::fprintf(stderr, "simbench: security flags 0x%08lX%s%s%s%s\n", flags,
                 flags & SECURITY_FLAG_IGNORE_UNKNOWN_CA ? ", unknown certificate authority" : "",
                 flags & SECURITY_FLAG_IGNORE_REVOCATION ? ", revocation" : "",
                 flags & SECURITY_FLAG_IGNORE_CERT_CN_INVALID ? ", name" : "",
                 flags & SECURITY_FLAG_IGNORE_CERT_DATE_INVALID ? ", date" : "");
}

// One GET; returns true when it answered 200 with the expected body.
bool one_request(HINTERNET connect, int n) {
    const std::string path = "/briskopc.asp?function=BENCH&n=" + std::to_string(n);
    const DWORD flags = INTERNET_FLAG_SECURE | INTERNET_FLAG_KEEP_CONNECTION |
                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE;
    HINTERNET request =
        HttpOpenRequestA(connect, nullptr, path.c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0);
    if (!request) {
        report("HttpOpenRequestA", n);
        return false;
    }
    bool ok = false;
    if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        report("HttpSendRequestA", n);
        report_certificate_problems(request);
    } else {
        DWORD status = 0;
        DWORD size = sizeof status;
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                       nullptr);
        std::string body;
        char buf[4096];
        DWORD got = 0;
        bool read_ok = true;
        while ((read_ok = InternetReadFile(request, buf, sizeof buf, &got)) && got > 0) {
            body.append(buf, got);
        }
        const std::string expected = "OK\r\n" + std::to_string(n);
        if (!read_ok) {
            report("InternetReadFile", n);
        } else if (status != 200 || body != expected) {
            std::fprintf(stderr, "simbench: request %d: status %lu, body \"%s\" (%zu bytes)\n", n,
                         status, body.c_str(), body.size());
        } else {
            ok = true;
        }
    }
    InternetCloseHandle(request);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const int port = argc == 4 ? std::atoi(argv[2]) : 0;
    const int count = argc == 4 ? std::atoi(argv[3]) : 0;
    if (port <= 0 || port > 65535 || count <= 0) {
        std::fprintf(stderr, "usage: simbench.exe HOST PORT COUNT\n");
        return 2;
    }
    HINTERNET internet = InternetOpenA("Microsoft Internet Explorer", INTERNET_OPEN_TYPE_PRECONFIG,
                                       nullptr, nullptr, 0);
    if (!internet) {
        std::fprintf(stderr, "simbench: InternetOpenA failed: error %lu\n", GetLastError());
        return 1;
    }
    HINTERNET connect = InternetConnectA(internet, argv[1], static_cast<INTERNET_PORT>(port),
                                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connect) {
        std::fprintf(stderr, "simbench: InternetConnectA failed: error %lu\n", GetLastError());
        InternetCloseHandle(internet);
        return 1;
    }

    LARGE_INTEGER frequency, start, first_done, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    first_done = start;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (!one_request(connect, i)) {
            ++failed;
            if (i == 0) {
                break; // the first one failing (no connection, untrusted CA) fails them all
            }
        }
        if (i == 0) {
            QueryPerformanceCounter(&first_done);
        }
    }
    QueryPerformanceCounter(&end);
    InternetCloseHandle(connect);
    InternetCloseHandle(internet);

    const auto ms = [&](LARGE_INTEGER from, LARGE_INTEGER to) {
        return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    };
    if (failed) {
        std::printf("simbench: %d of %d requests failed\n", failed, count);
        return 1;
    }
    std::printf("simbench: %d requests to %s:%d in %.1f ms, mean %.2f ms per request, the first "
                "(connect and TLS handshake) %.1f ms\n",
                count, argv[1], port, ms(start, end), ms(start, end) / count,
                ms(start, first_done));
    // The bare WinInet call itself, against the simulator: no client code to
    // compare, so no ratio; the request path's figure compares with it.
    if (count > 1) {
        std::printf("figure: the simulator's answer to a kept-alive WinInet GET, mean of %d: "
                    "%.3f ms | bare: this is the bare call | aim: about 2 ms\n",
                    count - 1, ms(first_done, end) / (count - 1));
    }
    return 0;
}
