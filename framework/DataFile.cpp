#include "DataFile.h"

#include "RecordLog.h"
#include "WinApp.h"

#include <fstream>
#include <utility>

namespace {
const LONGLONG kMaxDataFileBytes = 128ll << 20;

std::string DataFolderPath(const std::string& name) {
    return CWinApp::DataFolder(AfxGetApp()->m_strAppName.c_str()) + "\\" + name;
}

// One read of the whole file: a history of megabytes comes in at once.
bool ReadWholeFile(const std::string& path, std::string* bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    DWORD read = 0;
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart <= kMaxDataFileBytes;
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        ok = bytes->empty() ||
             (::ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr) &&
              read == bytes->size());
    }
    ::CloseHandle(file);
    return ok;
}
} // namespace

bool ReadDataFile(const std::string& name, std::string* bytes) {
    return ReadWholeFile(DataFolderPath(name), bytes) || ReadWholeFile(name, bytes);
}

bool WriteDataFile(const std::string& name, const std::string& bytes) {
    std::string path = DataFolderPath(name);
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (::MoveFileExA(temporary.c_str(), path.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temporary.c_str());
    return false;
}

bool DataFileExists(const std::string& name) {
    return ::GetFileAttributesA(DataFolderPath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteDataFile(const std::string& name) {
    return ::DeleteFileA(DataFolderPath(name).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

CLogFile::CLogFile(std::string name, size_t limitBytes)
    : m_strName(std::move(name)), m_limitBytes(limitBytes) {}

CLogFile::~CLogFile() {
    Close();
}

void CLogFile::Close() {
    if (m_hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

bool CLogFile::Open() {
    m_hFile = ::CreateFileA(DataFolderPath(m_strName).c_str(), FILE_APPEND_DATA | GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    m_lastByte = 0;
    if (!::GetFileSizeEx(m_hFile, &size)) {
        Close();
        return false;
    }
    m_size = static_cast<uint64_t>(size.QuadPart);
    OVERLAPPED at = {};
    if (m_size > 0) {
        at.Offset = static_cast<DWORD>(m_size - 1);
        at.OffsetHigh = static_cast<DWORD>((m_size - 1) >> 32);
        DWORD read = 0;
        if (!::ReadFile(m_hFile, &m_lastByte, 1, &read, &at) || read != 1)
            m_lastByte = '?'; // unknown: start the next record on a line of its own
    }
    return true;
}

bool CLogFile::Rotate() {
    std::string bytes;
    Close();
    if (!ReadWholeFile(DataFolderPath(m_strName), &bytes) ||
        !WriteDataFile(m_strName, RotateLog(bytes, m_limitBytes / 4 * 3)))
        return false;
    return Open();
}

bool CLogFile::Append(std::string_view payload) {
    if (m_hFile == INVALID_HANDLE_VALUE && !Open())
        return false;
    std::string line = LineToAppend(LogEnd(), payload);
    if (m_size + line.size() > m_limitBytes && m_size > 0) {
        if (!Rotate())
            return false;
        line = LineToAppend(LogEnd(), payload);
    }
    DWORD written = 0;
    bool ok =
        ::WriteFile(m_hFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
        written == line.size();
    m_size += written;
    if (written > 0)
        m_lastByte = line[written - 1];
    return ok;
}
