// Restoring a backup: every key and value of the script written through the platform and read
// back, then the shortcut files the fix kept put back where they were.
#pragma once

#include "repair/kept_files.h"
#include "repair/reg_script.h"

#include <cstddef>
#include <string>
#include <vector>

namespace mendrake {

struct RestoreResult {
    std::size_t keys = 0, values = 0, files = 0; // restored and read back the same
    std::vector<std::string> failures;           // one line per entry, with its reason
};

struct BackupContents {
    RegScript script;
    std::vector<KeptFile> files;
};

// Reads and parses the backup and its file list, changing nothing. Throws Error with
// "Cannot read file ..." or the reader's "Line N: ..." message.
BackupContents ReadBackup(const std::string& backupPath);

// Writes `script` into the registry (keys created as needed, values with their type and
// bytes, deletions carried out), then reads each entry back and compares.
RestoreResult RestoreScript(const RegScript& script);

// The whole restore of a backup file: ReadBackup, RestoreScript, then the kept files moved
// back, never over a file that is there again.
RestoreResult RestoreBackup(const std::string& backupPath);

// "Restored K keys, V values and F files from FILE".
std::string RestoreSummary(const RestoreResult& result, const std::string& backupPath);

} // namespace mendrake
