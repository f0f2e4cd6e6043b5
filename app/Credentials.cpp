#include "Credentials.h"

#include <algorithm>

bool IsValidLogin(const std::string& login) {
    return login.size() == 12 && login[0] == '+' &&
           std::all_of(login.begin() + 1, login.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool LoginFileName(const std::string& login, const char* extension, std::string* name) {
    if (!IsValidLogin(login))
        return false;
    *name = login + extension;
    return true;
}
