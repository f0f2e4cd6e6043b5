// Another process for the Tarnix tests.
//   tarnix_helper window    shows a window titled "tarnix helper" and takes input until it is
//                           closed; the exit code is the number of input messages it took.
//   tarnix_helper session   loads Tarnix.dll, calls TarnixInit and TarnixTerm, as a short client
//                           session; the exit code is what TarnixInit returned.
//   tarnix_helper first     the same, as a client that another one joins: after TarnixInit it
//                           sets the event "tarnix first in" and waits (5 s at most) for
//                           "tarnix second in" before TarnixTerm.
#include "input_window.h"

#include <cstring>

namespace {

HANDLE NamedEvent(const char* pszName) {
    return CreateEventA(nullptr, TRUE, FALSE, pszName);
}

int RunSession(bool bWaitForSecond) {
    // Loaded by hand: in window mode the library must come only through the hooks.
    HMODULE hTarnix = LoadLibraryA("Tarnix.dll");
    auto pfnInit = reinterpret_cast<BOOL (*)()>(
        reinterpret_cast<void*>(GetProcAddress(hTarnix, "TarnixInit")));
    auto pfnTerm = reinterpret_cast<void (*)()>(
        reinterpret_cast<void*>(GetProcAddress(hTarnix, "TarnixTerm")));
    if (!pfnInit || !pfnTerm)
        return -1;
    const BOOL bInit = pfnInit();
    if (bWaitForSecond) {
        HANDLE hFirstIn = NamedEvent("tarnix first in");
        HANDLE hSecondIn = NamedEvent("tarnix second in");
        SetEvent(hFirstIn);
        WaitForSingleObject(hSecondIn, 5000);
        CloseHandle(hSecondIn);
        CloseHandle(hFirstIn);
    }
    pfnTerm();
    return bInit;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "session") == 0)
        return RunSession(false);
    if (argc == 2 && strcmp(argv[1], "first") == 0)
        return RunSession(true);
    if (argc == 2 && strcmp(argv[1], "window") == 0) {
        HWND hwnd = CreateInputWindow("tarnix helper");
        return hwnd ? PumpUntilDestroyed(hwnd) : -1;
    }
    return 2;
}
