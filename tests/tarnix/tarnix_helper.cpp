// Another process for the Tarnix tests.
//   tarnix_helper window    shows a window titled "tarnix helper" and takes input until it is
//                           closed; the exit code is the number of input messages it took.
//   tarnix_helper session   loads Tarnix.dll, calls TarnixInit and TarnixTerm, as a short client
//                           session; the exit code is what TarnixInit returned.
#include "input_window.h"

#include <cstring>

namespace {

int RunSession() {
    // Loaded by hand: in window mode the library must come only through the hooks.
    HMODULE hTarnix = LoadLibraryA("Tarnix.dll");
    auto pfnInit = reinterpret_cast<BOOL (*)()>(
        reinterpret_cast<void*>(GetProcAddress(hTarnix, "TarnixInit")));
    auto pfnTerm = reinterpret_cast<void (*)()>(
        reinterpret_cast<void*>(GetProcAddress(hTarnix, "TarnixTerm")));
    if (!pfnInit || !pfnTerm)
        return -1;
    const BOOL bInit = pfnInit();
    pfnTerm();
    return bInit;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "session") == 0)
        return RunSession();
    if (argc == 2 && strcmp(argv[1], "window") == 0) {
        HWND hwnd = CreateInputWindow("tarnix helper");
        return hwnd ? PumpUntilDestroyed(hwnd) : -1;
    }
    return 2;
}
