// Tarnix.dll: the time of the user's last keyboard or mouse input anywhere on the desktop.
#pragma once

#include <windows.h>

#ifndef TARNIX_API
#define TARNIX_API __declspec(dllimport)
#endif

extern "C" {

// GetTickCount value of the most recent keyboard or mouse message taken from any queue.
TARNIX_API DWORD TarnixGetLastInputTime(void);

// Installs the system-wide keyboard and mouse hooks and stamps the current time.
// Returns FALSE when the hooks could not be installed; calling it again while they
// are installed changes nothing.
TARNIX_API BOOL TarnixInit(void);

// Removes the hooks this process installed; another client's stay.
TARNIX_API void TarnixTerm(void);
}
