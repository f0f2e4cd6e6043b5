// Worker threads.
#pragma once

#include <windows.h>

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

// Runs the procedure on a worker of its own, at normal priority with the
// default stack, alongside every other one started; FALSE when the system
// could not start a worker (the procedure then never runs). A worker whose
// procedure has returned waits a few seconds to be given the next one.
BOOL AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
