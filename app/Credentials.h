// The form of an account's login.
#pragma once

#include <string>

// "+" and eleven digits, as +48602123456.
bool IsValidLogin(const std::string& login);
