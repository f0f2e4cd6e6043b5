// The account's password as the profile keeps it: protected for the current
// Windows user, so that the profile file alone does not give it away.
#pragma once

#include "WinApp.h"

#include <string>

// The stored password, empty when there is none or it cannot be read back. A
// plain one that an earlier version wrote is read and stored protected.
std::string ReadStoredPassword(CWinApp& app);
// FALSE when it could not be protected: then nothing is stored.
BOOL WriteStoredPassword(CWinApp& app, const std::string& password);
// Both forms go.
void DeleteStoredPassword(CWinApp& app);
