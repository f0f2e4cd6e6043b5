// The data-file writers as the crash and disk-full tests drive them: each
// case a file or two as they were, the write under test, the write of the
// next run, and the files read back with the program's own parsers.
#pragma once

#include "DataFileWriter.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What a file holds as its parser reads it, a text a record; none when the
// parser finds it broken. A missing file holds no records.
using Records = std::optional<std::vector<std::string>>;

struct WriterCase {
    std::string name;
    std::map<std::string, std::string> before; // path → bytes
    std::function<bool(CFileOps&)> write;
    std::function<Records(CFileOps&)> read;
    // For a log: what rotation keeps of the log before the write.
    std::function<Records()> rotated;
    // The write of the next run, and what it gives after the records found.
    std::function<bool(CFileOps&)> next;
    std::function<Records(const std::vector<std::string>&)> afterNext;
};

// The outbox, the contacts file, a history and a sent log, in `folder`
// (a path that ends in its separator).
std::vector<WriterCase> DataFileCases(const std::string& folder);
