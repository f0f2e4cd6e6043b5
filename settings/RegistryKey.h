// One open registry key.
#pragma once

#include <windows.h>

#include <string>

class CRegistryKey {
public:
    CRegistryKey() = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    ~CRegistryKey() { Close(); }

    BOOL Open(HKEY hRoot, const char* path, REGSAM access = KEY_READ);
    // Reads a string value of at most nMaxChars characters; FALSE when it is
    // missing, not a string or longer.
    BOOL ReadString(const char* name, std::string& value, DWORD nMaxChars) const;
    void Close();

private:
    HKEY m_hKey = nullptr;
};
