// The hook procedures run inside every process that takes keyboard or mouse input, so the
// state they write lives in a section that all copies of this library share.

#define TARNIX_API // exported by name and ordinal through Tarnix.def
#include "Tarnix.h"

namespace {

// One struct keeps the three values in this order inside the section.
struct SharedData {
    HHOOK hKeyboardHook;
    HHOOK hMouseHook;
    volatile DWORD dwLastInput; // aligned 32 bits: readers see the old or the new stamp whole
};

SharedData g_shared __attribute__((section(".Tarnix"), shared)) = {nullptr, nullptr, 0};

// Per process: the module the hooks are installed with, and the hooks this process installed.
// Every client (on another desktop or in another session) installs and removes its own; the
// handles in the shared section are only the last installer's, and may be stale: when that
// process ended without TarnixTerm, the system removed its hooks but left the section as it
// was, for as long as any other process still had the library loaded.
HINSTANCE g_hInstance;
HHOOK g_hKeyboardHook;
HHOOK g_hMouseHook;

// The system ignores the hook handle given to CallNextHookEx: the procedures need none.
LRESULT CALLBACK KeyboardProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION)
        g_shared.dwLastInput = GetTickCount();
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION)
        g_shared.dwLastInput = GetTickCount();
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH)
        g_hInstance = hInstance;
    return TRUE;
}

DWORD TarnixGetLastInputTime(void) {
    return g_shared.dwLastInput;
}

BOOL TarnixInit(void) {
    if (g_hKeyboardHook || g_hMouseHook)
        return TRUE;
    g_hKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, g_hInstance, 0);
    g_hMouseHook = SetWindowsHookExA(WH_MOUSE, MouseProc, g_hInstance, 0);
    g_shared.hKeyboardHook = g_hKeyboardHook;
    g_shared.hMouseHook = g_hMouseHook;
    g_shared.dwLastInput = GetTickCount();
    if (g_hKeyboardHook && g_hMouseHook)
        return TRUE;
    // Half a tracker would miss input; drop what was installed so a later call starts afresh.
    TarnixTerm();
    return FALSE;
}

void TarnixTerm(void) {
    if (g_hKeyboardHook)
        UnhookWindowsHookEx(g_hKeyboardHook);
    if (g_hMouseHook)
        UnhookWindowsHookEx(g_hMouseHook);
    // The section names no hooks of ours that are gone; another client's stay named.
    if (g_shared.hKeyboardHook == g_hKeyboardHook && g_shared.hMouseHook == g_hMouseHook) {
        g_shared.hKeyboardHook = nullptr;
        g_shared.hMouseHook = nullptr;
    }
    g_hKeyboardHook = g_hMouseHook = nullptr;
}
