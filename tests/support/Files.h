// The files the tests read, write and look for.
#pragma once

#include "WideText.h"

#include <windows.h>

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The folders of the user's profile (the client's data folder among them) lie
// under the user's name, which cp1250 may not spell: their paths are wide.
using Path = std::filesystem::path;

inline std::string ReadFile(const Path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFile(const Path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const Path& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file in the folder of the running program.
inline std::string BesideThisProgram(const char* name) {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.rfind('\\') + 1) + name;
}

// A scratch file of the tests, which they hand to the client's code as a
// narrow path: beside the tests, as the temporary folder lies under the
// user's name.
inline std::string ScratchPath(const char* name) {
    return BesideThisProgram(name);
}

// The client's data folder, %APPDATA%\BriskoPC, found apart from the client's
// own code and made if missing, as the client makes it (an uninstaller may
// have removed it); and a file in it (a cp1250 name: the login's files).
inline Path ClientDataFolder() {
    wchar_t appData[MAX_PATH] = L"";
    ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    const Path folder = Path(appData) / L"BriskoPC";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

inline Path ClientDataFile(const std::string& name) {
    return ClientDataFolder() / Widen(name);
}

// What the client keeps of earlier runs in its data folder, besides the
// contacts and outbox files: one test's history must not show in the next.
inline void ForgetHistory(const Path& dataFolder) {
    for (const wchar_t* pattern : {L"*.hst", L"*.pnd", L"*.snt"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((dataFolder / pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do
            ::DeleteFileW((dataFolder / found.cFileName).c_str());
        while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
}
