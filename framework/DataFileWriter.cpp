#include "DataFileWriter.h"

#include "RecordLog.h"

#include <utility>

bool ReplaceFileContent(CFileOps& ops, const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".new";
    std::unique_ptr<CWritableFile> file = ops.Create(temporary);
    if (!file)
        return false;
    // Renamed before its bytes reach the disk, a power cut could leave an
    // empty file in the old one's place.
    bool ok = file->Write(bytes) && file->Flush();
    file.reset();
    if (ok && ops.Rename(temporary, path))
        return true;
    ops.Delete(temporary);
    return false;
}

bool ReadFileOrLegacy(CFileOps& ops, const std::string& path, const std::string& legacyPath,
                      std::string* bytes) {
    if (ops.Read(path, bytes))
        return true;
    return !ops.Exists(path) && ops.Read(legacyPath, bytes);
}

CRecordLogFile::CRecordLogFile(CFileOps& ops, std::string path, size_t limitBytes)
    : m_ops(ops), m_strPath(std::move(path)), m_limitBytes(limitBytes) {}

bool CRecordLogFile::Open() {
    m_pFile = m_ops.OpenForAppend(m_strPath, &m_size, &m_lastByte);
    return m_pFile != nullptr;
}

bool CRecordLogFile::Rotate() {
    std::string bytes;
    Close();
    return m_ops.Read(m_strPath, &bytes) &&
           ReplaceFileContent(m_ops, m_strPath, RotateLog(bytes, m_limitBytes / 4 * 3)) && Open();
}

bool CRecordLogFile::Append(std::string_view payload) {
    if (!m_pFile && !Open())
        return false;
    std::string line = LineToAppend(LogEnd(), payload);
    if (m_size + line.size() > m_limitBytes && m_size > 0) {
        if (!Rotate())
            return false;
        line = LineToAppend(LogEnd(), payload);
    }
    if (!m_pFile->Write(line)) {
        // How much of the line went in is not known: opened again, the file
        // tells where the next record starts.
        Close();
        return false;
    }
    m_size += line.size();
    m_lastByte = line.back();
    return true;
}
