// The program's data files: in the per-user data folder, where a program
// started at logon can always write; files of earlier installations, in the
// current folder, are still read.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// The whole file, from the data folder or else the current folder. Files past
// 128 MB are refused rather than read: none of ours grows near that.
bool ReadDataFile(const std::string& name, std::string* bytes);
// Replaces the file in the data folder only once the new one is complete: a
// crash or a full disk on the way leaves the old one as it was.
bool WriteDataFile(const std::string& name, const std::string& bytes);
bool DataFileExists(const std::string& name);
bool DeleteDataFile(const std::string& name);

// A record log in the data folder (see RecordLog.h), kept open between
// records so that appending one costs a single write. Past its limit the log
// is replaced with its newest three quarters before the next record.
class CLogFile {
public:
    CLogFile(std::string name, size_t limitBytes);
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    bool Append(std::string_view payload);
    void SetLimit(size_t limitBytes) { m_limitBytes = limitBytes; }
    // Lets go of the file, so that it can be deleted or replaced; the next
    // record opens it again.
    void Close();

private:
    bool Open();
    bool Rotate();
    // The file's last byte, nothing for an empty file.
    std::string_view LogEnd() const { return {&m_lastByte, m_size > 0 ? 1u : 0u}; }

    std::string m_strName;
    size_t m_limitBytes;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    uint64_t m_size = 0;
    char m_lastByte = 0;
};
