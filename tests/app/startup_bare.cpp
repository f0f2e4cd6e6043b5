// Not a test: the bare start that the client's start is measured against
// (startup_bench runs it). startup_bare.exe HOST PORT EVENT makes a window and
// shows it, makes four kept-alive HTTPS GETs to the service with bare WinInet
// on the window's thread, then sets the named event; exits 1 when a GET failed.
#include "BareWinInet.h"

#include <windows.h>

#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShow) {
    if (__argc != 4)
        return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "BriskoBareStart";
    ::RegisterClassA(&wc);
    HWND hWnd = ::CreateWindowA(wc.lpszClassName, "Bare start", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 300, 400, nullptr, nullptr, hInstance, nullptr);
    ::ShowWindow(hWnd, nShow);
    ::UpdateWindow(hWnd);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);

    BareWinInet wininet(__argv[1], std::atoi(__argv[2]));
    for (int i = 0; i < 4; ++i)
        if (!wininet.Get("/briskopc.asp?function=BENCH&n=start" + std::to_string(i)))
            return 1;
    HANDLE done = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, __argv[3]);
    if (!done || !::SetEvent(done))
        return 1;
    ::CloseHandle(done);
    ::DestroyWindow(hWnd);
    return 0;
}
