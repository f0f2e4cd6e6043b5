// Another process for the Tarnix tests.
//   tarnix_helper window   shows a window titled "tarnix helper" and takes input until it is
//                          closed; the exit code is the number of input messages it took.
//   tarnix_helper init     loads Tarnix.dll, calls TarnixInit and ends without TarnixTerm, as a
//                          client that crashed; the exit code is what TarnixInit returned.
#include "input_window.h"

#include <cstring>

namespace {

int InitAndVanish() {
    // Loaded by hand: in window mode the library must come only through the hooks.
    HMODULE hTarnix = LoadLibraryA("Tarnix.dll");
    auto pfnInit = reinterpret_cast<BOOL (*)()>(
        reinterpret_cast<void*>(GetProcAddress(hTarnix, "TarnixInit")));
    return pfnInit ? pfnInit() : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "init") == 0)
        return InitAndVanish();
    if (argc == 2 && strcmp(argv[1], "window") == 0) {
        HWND hwnd = CreateInputWindow("tarnix helper");
        return hwnd ? PumpUntilDestroyed(hwnd) : -1;
    }
    return 2;
}
