// One open registry key, held by the code that uses it; destroying it closes the key.
// Key and value names are ASCII. The string values the program keeps there are
// paths and command lines (the install folder, the autostart command): UTF-8
// here, like every path of the program (see Text.h), and UTF-16 in the
// registry, as the registry stores every string value; a cp1250 path reads and
// writes the same data as before, and one with letters cp1250 lacks survives.
#pragma once

#include <windows.h>

#include <string>

class CRegistryKey {
public:
    CRegistryKey() = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    ~CRegistryKey() { Close(); }

    // Opens an existing key. Full access by default; a key that is only read
    // (one of the local machine's among them) is opened with less.
    BOOL Open(HKEY hRoot, const char* path, REGSAM access = KEY_ALL_ACCESS);
    // Opens the key with full access, making it when it is missing.
    BOOL Create(HKEY hRoot, const char* path);
    // Writes a string value and flushes the key to disk.
    BOOL SetString(const char* name, const std::string& text);
    // Reads a value of at most 256 characters, up to its first zero character;
    // on any failure the text is emptied.
    BOOL QueryString(const char* name, std::string& text) const;
    BOOL DeleteValue(const char* name);
    // Closing no key is a harmless failure.
    LONG Close();

private:
    HKEY m_hKey = nullptr;
};
