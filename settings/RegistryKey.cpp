#include "RegistryKey.h"

#include "Text.h"

#include <wchar.h>

BOOL CRegistryKey::Open(HKEY hRoot, const char* path, REGSAM access) {
    Close();
    if (::RegOpenKeyExW(hRoot, fw::PathW(path).c_str(), 0, access, &m_hKey) == ERROR_SUCCESS)
        return TRUE;
    m_hKey = nullptr;
    return FALSE;
}

BOOL CRegistryKey::Create(HKEY hRoot, const char* path) {
    Close();
    if (::RegCreateKeyExW(hRoot, fw::PathW(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &m_hKey, nullptr) == ERROR_SUCCESS)
        return TRUE;
    m_hKey = nullptr;
    return FALSE;
}

BOOL CRegistryKey::SetString(const char* name, const std::string& text) {
    const std::wstring data = fw::PathW(text);
    if (!m_hKey ||
        ::RegSetValueExW(m_hKey, fw::PathW(name).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        return FALSE;
    ::RegFlushKey(m_hKey);
    return TRUE;
}

BOOL CRegistryKey::QueryString(const char* name, std::string& text) const {
    text.clear();
    wchar_t data[256] = {};
    DWORD size = sizeof data;
    if (!m_hKey || ::RegQueryValueExW(m_hKey, fw::PathW(name).c_str(), nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return FALSE;
    // A stored string need not end in a zero character.
    text = fw::PathText(std::wstring_view(data, wcsnlen(data, size / sizeof(wchar_t))));
    return TRUE;
}

BOOL CRegistryKey::DeleteValue(const char* name) {
    return m_hKey && ::RegDeleteValueW(m_hKey, fw::PathW(name).c_str()) == ERROR_SUCCESS;
}

LONG CRegistryKey::Close() {
    if (!m_hKey)
        return ERROR_INVALID_HANDLE;
    LONG result = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return result;
}
