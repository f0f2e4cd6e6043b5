// What the tests of the client's own windows share: a fresh profile that
// points the client at a service, and a message pump with a bound.
#pragma once

#include "BriskoPCApp.h"
#include "Files.h"
#include "WideText.h"
#include "Figures.h"
#include "HttpRequest.h"
#include "MessageBox.h"
#include "TreeCtrl.h"
#include "WinApp.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Points the application at a new, empty profile in the temporary folder that
// names the service's host and port.
void UseFreshProfile(CWinApp& app, const char* name, const char* host, int port);
// The client's timers stop: tests and benchmarks tick them themselves.
void StopTimers(HWND hWnd);
// A fresh profile with the account's stored password ("haslo123"), for a client
// to start with.
void UseAccountProfile(CWinApp& app, const char* name, int port, const char* login);
// The client started on such a profile and logged in, its timers stopped;
// false when it did not log in.
bool StartLoggedIn(CBriskoPCApp& app, const char* name, int port, const char* login);
// Ends the client and starts it again, as after a restart of the program: the
// same profile and data files, logged in again.
bool StartAgain(CBriskoPCApp& app, fw::MessageBoxScript* boxes);
// Pumps until no request of the client runs; false when one still runs.
bool Settle(CBriskoPCDlg& dlg);
// Ends a client the test left running; where the test scripts the boxes, a
// question before it is answered Yes.
void EndClient(CBriskoPCApp& app, fw::MessageBoxScript* boxes);
// The labels of a tree item's children, in the tree's order.
std::vector<std::string> ChildLabels(const CTreeCtrl& tree, HTREEITEM hParent);
// The texts of a menu's items, in order.
std::vector<std::string> MenuTexts(HMENU menu);
// A tray image as the tray icon loads it.
HICON TrayImage(UINT nIDResource);
// Dispatches this thread's messages for a while.
void Pump(DWORD ms);
// Dispatches messages until done() or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 15000);
// A real click of the mouse on the middle of a tree item's label, so that the
// tree control itself tells its window; false when the item cannot be clicked.
// A real click through the input queue; drift moves the pointer that many
// pixels to the right while the button is down.
bool ClickTreeItem(HWND hTopLevel, HWND hTree, HTREEITEM item, bool right, int drift = 0);

// A request of the window's current login with its answer in, as a worker
// gives it back (WM_REQUEST_DONE) after WM_REQUEST_STARTED.
HttpRequest* AnsweredRequest(CBriskoPCDlg& dlg, const char* function, const std::string& answer);
// An answer of `function` handed to the main window as a request's worker
// hands it on, with `context` as the request's own; how long the window took, in ms.
double TimeAnswer(CBriskoPCDlg& dlg, const char* function, const std::string& answer,
                  std::shared_ptr<int> context = nullptr);
