// The memory of a Wine process as Linux counts it (the Windows counters read
// 0 under Wine), read through the Z: drive from /proc.
#pragma once

#include <string>

struct UnixMemory {
    long long nRssKb = -1;  // VmRSS
    long long nAnonKb = -1; // RssAnon
    // The rest of VmRSS: the program's and the DLLs' mapped files, and
    // memory shared with the wineserver and the X server.
    long long nFileKb = -1;  // RssFile
    long long nShmemKb = -1; // RssShmem
};

// The Linux pid of the one Wine process that runs `program`, its Windows path
// in any case ("Z:\\...\\BriskoPC.exe": others may run a program of that name
// from elsewhere meanwhile); 0 when none or more than one does.
int UnixPidOf(const std::string& program);

// What /proc/<pid>/status says of the process's memory; false when it has
// ended or the file lacks either line.
bool ReadUnixMemory(int pid, UnixMemory& memory);
