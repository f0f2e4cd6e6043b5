// The program's data files: in the per-user data folder, where a program
// started at logon can always write; files of earlier installations, in the
// current folder, are still read.
#pragma once

#include "DataFileWriter.h"

#include <string>

// The whole file, from the data folder or, while it has none, the current
// folder. Files past 128 MB are refused rather than read: none of ours grows
// near that.
bool ReadDataFile(const std::string& name, std::string* bytes);
// Replaces the file in the data folder only once the new one is on the disk:
// a crash, a power cut or a full disk on the way leaves the old one as it was.
bool WriteDataFile(const std::string& name, const std::string& bytes);
bool DataFileExists(const std::string& name);
bool DeleteDataFile(const std::string& name);

// A record log in the data folder (see RecordLog.h and DataFileWriter.h).
class CLogFile : public CRecordLogFile {
public:
    CLogFile(const std::string& name, size_t limitBytes);
};
