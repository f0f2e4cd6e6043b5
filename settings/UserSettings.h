// The user's settings kept in the application profile: going away by himself,
// and the chat history. The main window reads them at each login, the
// settings dialog shows and writes them.
#pragma once

#include <windows.h>

class CWinApp;

// The history kept of a conversation, per contact.
constexpr int kMinHistoryLimitKb = 16;
constexpr int kMaxHistoryLimitKb = 65536;

// Each setting with its default, the value of an entry not stored.
struct UserSettings {
    BOOL bCheckAway = TRUE;
    int nCheckAwayTime = 5;
    BOOL bAwayWhenLocked = FALSE;
    BOOL bSaveHistory = TRUE;
    int nHistoryLimitKb = 512;
};

// A stored history limit outside its range (an edited profile) reads as the
// nearest one allowed.
UserSettings ReadUserSettings(const CWinApp& app);
void WriteUserSettings(CWinApp& app, const UserSettings& settings);
