#include "input_window.h"

namespace {

const char kClassName[] = "TarnixInputWindow";

bool IsInputMessage(UINT uMsg) {
    return (uMsg >= WM_KEYFIRST && uMsg <= WM_KEYLAST) ||
           (uMsg >= WM_MOUSEFIRST && uMsg <= WM_MOUSELAST);
}

} // namespace

HWND CreateInputWindow(const char* pszTitle) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly when another thread registered it already
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, pszTitle, WS_POPUP | WS_VISIBLE, 100,
                                100, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    if (hwnd)
        SetForegroundWindow(hwnd);
    return hwnd;
}

int PumpUntilDestroyed(HWND hwnd) {
    int nInput = 0;
    MSG msg;
    while (IsWindow(hwnd) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsInputMessage(msg.message))
            nInput++;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return nInput;
}
