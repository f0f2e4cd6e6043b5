// The main window's own messages.
#pragma once

#include <windows.h>

#define WM_PUSH_MSG (WM_USER + 1)
#define WM_TRAY_NOTIFY (WM_USER + 10)
#define WM_REQUEST_DONE (WM_USER + 11)
#define WM_REQUEST_STARTED (WM_USER + 12)
#define WM_CHAT_ACTIVATED (WM_USER + 13)
#define WM_SEND_SMS (WM_USER + 14)
#define WM_PUSH_SYSTEM (WM_USER + 100)
#define WM_PUSH_LOGIN (WM_USER + 101)
#define WM_PUSH_LOGOFF (WM_USER + 102)
#define WM_PUSH_AWAY (WM_USER + 103)
#define WM_PUSH_BUSY (WM_USER + 104)
#define WM_PUSH_SMSREPORT (WM_USER + 1001)
#define WM_BPC_DISCONNECT (WM_USER + 10000)
#define WM_BPC_CONNECT (WM_USER + 10001)
#define WM_BPC_SESSION (WM_USER + 10002)
#define WM_BPC_ALIVE (WM_USER + 10003)
