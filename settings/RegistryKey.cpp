#include "RegistryKey.h"

#include <string.h>

BOOL CRegistryKey::Open(HKEY hRoot, const char* path, REGSAM access) {
    Close();
    if (::RegOpenKeyExA(hRoot, path, 0, access, &m_hKey) == ERROR_SUCCESS)
        return TRUE;
    m_hKey = nullptr;
    return FALSE;
}

BOOL CRegistryKey::Create(HKEY hRoot, const char* path) {
    Close();
    if (::RegCreateKeyExA(hRoot, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr) ==
        ERROR_SUCCESS)
        return TRUE;
    m_hKey = nullptr;
    return FALSE;
}

BOOL CRegistryKey::SetString(const char* name, const std::string& text) {
    if (!m_hKey ||
        ::RegSetValueExA(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        return FALSE;
    ::RegFlushKey(m_hKey);
    return TRUE;
}

BOOL CRegistryKey::QueryString(const char* name, std::string& text) const {
    text.clear();
    char data[256] = {};
    DWORD size = sizeof data;
    if (!m_hKey || ::RegQueryValueExA(m_hKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                                      &size) != ERROR_SUCCESS)
        return FALSE;
    // A stored string need not end in a zero byte.
    text.assign(data, strnlen(data, size));
    return TRUE;
}

BOOL CRegistryKey::DeleteValue(const char* name) {
    return m_hKey && ::RegDeleteValueA(m_hKey, name) == ERROR_SUCCESS;
}

LONG CRegistryKey::Close() {
    if (!m_hKey)
        return ERROR_INVALID_HANDLE;
    LONG result = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return result;
}
