// Worker threads.
#pragma once

#include <windows.h>

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

// Starts a worker at normal priority with the default stack; FALSE when the
// system could not start it (the procedure then never runs).
BOOL AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
