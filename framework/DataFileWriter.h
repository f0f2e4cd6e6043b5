// How the data files are written, so that a crash, a power cut or a full
// disk on the way leaves every one of them readable: a file rewritten whole
// is replaced only once its new content is on the disk, and a record log is
// appended to a line at a time (RecordLog.h). The steps go through a small
// set of file operations, so that they run on Windows and in native tests
// alike. Portable: it knows nothing of windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// A file open for writing; closed when destroyed.
class CWritableFile {
public:
    virtual ~CWritableFile() = default;
    // False unless every byte was written; what was written stays.
    virtual bool Write(std::string_view bytes) = 0;
    // Past the system's cache, onto the disk.
    virtual bool Flush() = 0;
};

class CFileOps {
public:
    virtual ~CFileOps() = default;
    // Created empty, or emptied when it exists; null on failure.
    virtual std::unique_ptr<CWritableFile> Create(const std::string& path) = 0;
    // Open for writing at its end, created when missing, with its size and
    // last byte (0 when empty, '?' when it could not be read).
    virtual std::unique_ptr<CWritableFile> OpenForAppend(const std::string& path, uint64_t* size,
                                                         char* lastByte) = 0;
    virtual bool Read(const std::string& path, std::string* bytes) = 0;
    virtual bool Exists(const std::string& path) = 0;
    // Renames `from` to `to` in one step, replacing a `to` that exists.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    virtual bool Delete(const std::string& path) = 0;
};

// Writes the bytes to "<path>.new", puts them on the disk and only then
// renames that over the file. On failure the old file stays as it was and
// the temporary one goes.
bool ReplaceFileContent(CFileOps& ops, const std::string& path, std::string_view bytes);

// The file at `path`, or while none is there the one at `legacyPath`: a file
// there that cannot be read is not traded for an older one.
bool ReadFileOrLegacy(CFileOps& ops, const std::string& path, const std::string& legacyPath,
                      std::string* bytes);

// A record log kept open between records, so that appending one costs a
// single write. Past its limit the log is replaced with its newest three
// quarters (ReplaceFileContent) before the next record.
class CRecordLogFile {
public:
    CRecordLogFile(CFileOps& ops, std::string path, size_t limitBytes);
    CRecordLogFile(const CRecordLogFile&) = delete;
    CRecordLogFile& operator=(const CRecordLogFile&) = delete;

    // False when the record did not go in whole; the next one starts on a
    // line of its own all the same.
    bool Append(std::string_view payload);
    void SetLimit(size_t limitBytes) { m_limitBytes = limitBytes; }
    // Lets go of the file, so that it can be deleted or replaced; the next
    // record opens it again.
    void Close() { m_pFile.reset(); }

private:
    bool Open();
    bool Rotate();
    // The file's last byte, nothing for an empty file.
    std::string_view LogEnd() const { return {&m_lastByte, m_size > 0 ? 1u : 0u}; }

    CFileOps& m_ops;
    std::string m_strPath;
    size_t m_limitBytes;
    std::unique_ptr<CWritableFile> m_pFile;
    uint64_t m_size = 0;
    char m_lastByte = 0;
};
