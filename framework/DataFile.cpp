#include "DataFile.h"

#include "HandleCounts.h"
#include "WinApp.h"

#include <windows.h>

namespace {
const LONGLONG kMaxDataFileBytes = 128ll << 20;

// Names are made of the login, a text; in the current folder it is a path.
std::string CurrentFolderPath(const std::string& name) {
    return fw::PathText(fw::Wide(name));
}

std::string DataFolderPath(const std::string& name) {
    return CWinApp::DataFolder(AfxGetApp()->m_strAppName.c_str()) + "\\" + CurrentFolderPath(name);
}

class CWin32File : public CWritableFile {
public:
    explicit CWin32File(HANDLE hFile) : m_hFile(hFile) {}
    ~CWin32File() override {
        ::CloseHandle(m_hFile);
        fw::Closed(fw::kFiles);
    }

    bool Write(std::string_view bytes) override {
        DWORD written = 0;
        return bytes.size() <= MAXDWORD &&
               ::WriteFile(m_hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) &&
               written == bytes.size();
    }
    bool Flush() override { return ::FlushFileBuffers(m_hFile); }

private:
    HANDLE m_hFile;
};

std::unique_ptr<CWritableFile> Opened(HANDLE hFile) {
    if (fw::Opened(fw::kFiles, hFile, INVALID_HANDLE_VALUE) == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<CWin32File>(hFile);
}

class CWin32FileOps : public CFileOps {
public:
    std::unique_ptr<CWritableFile> Create(const std::string& path) override {
        return Opened(::CreateFileW(fw::PathW(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    std::unique_ptr<CWritableFile> OpenForAppend(const std::string& path, uint64_t* size,
                                                 char* lastByte) override {
        HANDLE file = ::CreateFileW(fw::PathW(path).c_str(), FILE_APPEND_DATA | GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        std::unique_ptr<CWritableFile> opened = Opened(file);
        LARGE_INTEGER length;
        if (!opened || !::GetFileSizeEx(file, &length))
            return nullptr;
        *size = static_cast<uint64_t>(length.QuadPart);
        *lastByte = 0;
        if (*size > 0) {
            OVERLAPPED at = {};
            at.Offset = static_cast<DWORD>(*size - 1);
            at.OffsetHigh = static_cast<DWORD>((*size - 1) >> 32);
            DWORD read = 0;
            if (!::ReadFile(file, lastByte, 1, &read, &at) || read != 1)
                *lastByte = '?';
        }
        return opened;
    }

    // One read of the whole file: a history of megabytes comes in at once.
    bool Read(const std::string& path, std::string* bytes) override {
        HANDLE file =
            fw::Opened(fw::kFiles,
                       ::CreateFileW(fw::PathW(path).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
                       INVALID_HANDLE_VALUE);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size;
        DWORD read = 0;
        bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart <= kMaxDataFileBytes;
        if (ok) {
            bytes->resize(static_cast<size_t>(size.QuadPart));
            ok = bytes->empty() || (::ReadFile(file, &(*bytes)[0],
                                               static_cast<DWORD>(bytes->size()), &read, nullptr) &&
                                    read == bytes->size());
        }
        ::CloseHandle(file);
        fw::Closed(fw::kFiles);
        return ok;
    }

    bool Exists(const std::string& path) override {
        return ::GetFileAttributesW(fw::PathW(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool Rename(const std::string& from, const std::string& to) override {
        return ::MoveFileExW(fw::PathW(from).c_str(), fw::PathW(to).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }

    bool Delete(const std::string& path) override {
        return ::DeleteFileW(fw::PathW(path).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
};

CWin32FileOps g_files;
} // namespace

bool ReadDataFile(const std::string& name, std::string* bytes) {
    return ReadFileOrLegacy(g_files, DataFolderPath(name), CurrentFolderPath(name), bytes);
}

bool WriteDataFile(const std::string& name, const std::string& bytes) {
    return ReplaceFileContent(g_files, DataFolderPath(name), bytes);
}

bool DataFileExists(const std::string& name) {
    return g_files.Exists(DataFolderPath(name));
}

bool DeleteDataFile(const std::string& name) {
    return g_files.Delete(DataFolderPath(name));
}

CLogFile::CLogFile(const std::string& name, size_t limitBytes)
    : CRecordLogFile(g_files, DataFolderPath(name), limitBytes) {}
