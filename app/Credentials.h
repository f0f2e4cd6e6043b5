// The form of an account's login.
#pragma once

#include <string>

// "+" and eleven digits, as +48602123456.
bool IsValidLogin(const std::string& login);

// The name of one of the login's data files, as "+48602123456.obx"; false for
// a login of another form: a profile could hold anything.
bool LoginFileName(const std::string& login, const char* extension, std::string* name);
