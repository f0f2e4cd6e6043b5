#include "ProcessMemory.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// The drive Z: of the prefix is the root of the file system.
std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

// A file of /proc whole: they report no size, so it is read to its end.
std::string ProcFile(const std::string& unixPath) {
    const std::string path = WindowsPath(unixPath);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes;
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD n = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0)
        bytes.append(chunk, n);
    ::CloseHandle(file);
    return bytes;
}

long long StatusKb(const std::string& status, const char* key) {
    const size_t at = status.find(std::string("\n") + key + ":");
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + std::strlen(key) + 2);
}

} // namespace

int UnixPidOf(const std::string& program) {
    // Wine gives a Windows process its program's path as the Linux command
    // line's first word: a Windows path, or the Unix one it was started by.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int pid = 0, matches = 0;
    do {
        if (!std::isdigit(static_cast<unsigned char>(found.cFileName[0])))
            continue;
        std::string path = ProcFile("/proc/" + std::string(found.cFileName) + "/cmdline").c_str();
        if (!path.empty() && path[0] == '/')
            path = WindowsPath(path);
        if (_stricmp(path.c_str(), program.c_str()) == 0) {
            pid = std::atoi(found.cFileName);
            ++matches;
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return matches == 1 ? pid : 0;
}

bool ReadUnixMemory(int pid, UnixMemory& memory) {
    const std::string status = ProcFile("/proc/" + std::to_string(pid) + "/status");
    memory.nRssKb = StatusKb(status, "VmRSS");
    memory.nAnonKb = StatusKb(status, "RssAnon");
    memory.nFileKb = StatusKb(status, "RssFile");
    memory.nShmemKb = StatusKb(status, "RssShmem");
    return memory.nRssKb >= 0 && memory.nAnonKb >= 0;
}
