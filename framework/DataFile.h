// The program's data files: in the per-user data folder, where a program
// started at logon can always write; files of earlier installations, in the
// current folder, are still read.
#pragma once

#include <string>

// The whole file, from the data folder or else the current folder.
bool ReadDataFile(const std::string& name, std::string* bytes);
// Replaces the file in the data folder only once the new one is complete: a
// crash or a full disk on the way leaves the old one as it was.
bool WriteDataFile(const std::string& name, const std::string& bytes);
