// The files the tests read, write and look for.
#pragma once

#include <windows.h>

#include "WinApp.h"

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name in the temporary folder.
inline std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

// A file in the folder of the running program.
inline std::string BesideThisProgram(const char* name) {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    return dir.substr(0, dir.rfind('\\') + 1) + name;
}

// The client's logs of sent SMS, of every login: a test that starts afresh
// must not find the SMS of the one before under its contacts.
inline void DeleteSentSmsLogs() {
    const std::string folder = CWinApp::DataFolder("BriskoPC") + "\\";
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*.snt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        ::DeleteFileA((folder + found.cFileName).c_str());
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
}
