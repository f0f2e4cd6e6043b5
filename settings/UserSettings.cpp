#include "UserSettings.h"

#include "WinApp.h"

#include <algorithm>

UserSettings ReadUserSettings(const CWinApp& app) {
    const char* section = app.m_strAppName.c_str();
    const UserSettings d;
    UserSettings s;
    s.bCheckAway = app.GetProfileInt(section, "CheckAway", d.bCheckAway);
    s.nCheckAwayTime = app.GetProfileInt(section, "CheckAwayTime", d.nCheckAwayTime);
    s.bAwayWhenLocked = app.GetProfileInt(section, "AwayWhenLocked", d.bAwayWhenLocked);
    s.bSaveHistory = app.GetProfileInt(section, "SaveHistory", d.bSaveHistory);
    s.nHistoryLimitKb = std::clamp(app.GetProfileInt(section, "HistoryLimit", d.nHistoryLimitKb),
                                   kMinHistoryLimitKb, kMaxHistoryLimitKb);
    return s;
}

void WriteUserSettings(CWinApp& app, const UserSettings& s) {
    const char* section = app.m_strAppName.c_str();
    app.WriteProfileInt(section, "CheckAway", s.bCheckAway);
    app.WriteProfileInt(section, "CheckAwayTime", s.nCheckAwayTime);
    app.WriteProfileInt(section, "AwayWhenLocked", s.bAwayWhenLocked);
    app.WriteProfileInt(section, "SaveHistory", s.bSaveHistory);
    app.WriteProfileInt(section, "HistoryLimit", s.nHistoryLimitKb);
}
