#include "ClientTest.h"

void UseFreshProfile(CWinApp& app, const char* name, const char* host, int port) {
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    std::string profile = std::string(dir) + name + ".ini";
    ::DeleteFileA(profile.c_str());
    app.SetProfilePath(profile);
    app.WriteProfileString("BriskoPC", "ServiceHost", host);
    app.WriteProfileInt("BriskoPC", "ServicePort", port);
}

void Pump(DWORD ms) {
    DWORD start = ::GetTickCount();
    MSG msg;
    do {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD start = ::GetTickCount(); !done(); Pump(20))
        if (::GetTickCount() - start > ms)
            return false;
    return true;
}

void StopTimers(HWND hWnd) {
    ::KillTimer(hWnd, 1);
    ::KillTimer(hWnd, 2);
}

HICON TrayImage(UINT nIDResource) {
    return static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nIDResource), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}
