// bare_window.exe PORT: what the memory figure compares the client with, a
// bare Win32 program that shows a window and makes one HTTPS GET through
// WinInet to the simulator (off its window's thread), then waits to be
// closed. Its caption ends in "OK" once the answer is read, else "FAILED".
#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <string>

namespace {

const UINT WM_FETCHED = WM_APP + 1;

DWORD WINAPI Fetch(void* window) {
    const int port = std::atoi(__argv[1]);
    bool ok = false;
    HINTERNET internet = ::InternetOpenA("bare", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connect = ::InternetConnectA(internet, "localhost", static_cast<INTERNET_PORT>(port),
                                           nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        ::HttpOpenRequestA(connect, nullptr, "/briskopc.asp?function=BENCH&n=1", "HTTP/1.1",
                           nullptr, nullptr, INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD, 0);
    if (request && ::HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        std::string body;
        char chunk[512];
        DWORD read = 0;
        while (::InternetReadFile(request, chunk, sizeof chunk, &read) && read)
            body.append(chunk, read);
        ok = body == "OK\r\n1";
    }
    for (HINTERNET h : {request, connect, internet})
        if (h)
            ::InternetCloseHandle(h);
    ::PostMessageA(static_cast<HWND>(window), WM_FETCHED, ok, 0);
    return 0;
}

LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FETCHED) {
        ::SetWindowTextA(hWnd, wParam ? "bare_window OK" : "bare_window FAILED");
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (__argc != 2)
        return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "BareWindow";
    ::RegisterClassA(&wc);
    HWND window = ::CreateWindowA("BareWindow", "bare_window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(window, show);
    HANDLE thread = ::CreateThread(nullptr, 0, Fetch, window, 0, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return 0;
}
