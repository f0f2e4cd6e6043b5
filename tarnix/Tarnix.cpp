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

// Per process: the module the hooks are installed with, and whether this process installed
// them. The handles in the shared section may be stale: when the process that installed them
// ended without TarnixTerm, the system removed the hooks but left the section as it was, for
// as long as any other process still had the library loaded.
HINSTANCE g_hInstance;
bool g_bHooked;

LRESULT CALLBACK KeyboardProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION)
        g_shared.dwLastInput = GetTickCount();
    return CallNextHookEx(g_shared.hKeyboardHook, nCode, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION)
        g_shared.dwLastInput = GetTickCount();
    return CallNextHookEx(g_shared.hMouseHook, nCode, wParam, lParam);
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
    if (g_bHooked)
        return TRUE;
    g_shared.hKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, g_hInstance, 0);
    g_shared.hMouseHook = SetWindowsHookExA(WH_MOUSE, MouseProc, g_hInstance, 0);
    g_bHooked = true;
    g_shared.dwLastInput = GetTickCount();
    if (g_shared.hKeyboardHook && g_shared.hMouseHook)
        return TRUE;
    // Half a tracker would miss input; drop what was installed so a later call starts afresh.
    TarnixTerm();
    return FALSE;
}

void TarnixTerm(void) {
    if (!g_bHooked)
        return;
    if (g_shared.hKeyboardHook)
        UnhookWindowsHookEx(g_shared.hKeyboardHook);
    if (g_shared.hMouseHook)
        UnhookWindowsHookEx(g_shared.hMouseHook);
    // The section names no hooks that are gone; a later TarnixInit installs them afresh.
    g_shared.hKeyboardHook = nullptr;
    g_shared.hMouseHook = nullptr;
    g_bHooked = false;
}
