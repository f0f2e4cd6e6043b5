// A plain top-level window that takes keyboard and mouse input, for the Tarnix tests and
// their helper process.
#pragma once

#include <windows.h>

// Creates the window topmost in the foreground, so that keyboard input goes to its thread.
HWND CreateInputWindow(const char* pszTitle);

// Takes and dispatches the thread's messages until hwnd is destroyed (WM_CLOSE does it);
// returns how many keyboard and mouse messages were taken.
int PumpUntilDestroyed(HWND hwnd);
