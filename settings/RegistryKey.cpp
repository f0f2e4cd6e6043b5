#include "RegistryKey.h"

#include <vector>

BOOL CRegistryKey::Open(HKEY hRoot, const char* path, REGSAM access) {
    Close();
    return ::RegOpenKeyExA(hRoot, path, 0, access, &m_hKey) == ERROR_SUCCESS;
}

BOOL CRegistryKey::ReadString(const char* name, std::string& value, DWORD nMaxChars) const {
    if (!m_hKey)
        return FALSE;
    std::vector<char> data(nMaxChars + 1);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    if (::RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return FALSE;
    // A stored string need not end in a terminator.
    value.assign(data.data(), strnlen(data.data(), size));
    return TRUE;
}

void CRegistryKey::Close() {
    if (m_hKey)
        ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
}
