// The backups of a folder, for choosing one to restore.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mendrake {

struct BackupEntry {
    std::string path; // the backup script
    std::string when; // "2026-12-10 14:25:30", from the name
    std::size_t keys = 0, values = 0, files = 0;
    std::string problem;      // why it cannot be read (the counts are then 0); empty when it reads
    std::string filesProblem; // why its kept files cannot be read (files is then 0)
};

// The date and time in a backup's name ("yyyymmddhhnnss_backup.reg", or with a sequence
// number "yyyymmddhhnnss_2_backup.reg"), as "yyyy-mm-dd hh:nn:ss"; empty for any other name.
std::string BackupTime(const std::string& fileName);

// The backups in `folder`, newest first, not read yet: path and time only.
std::vector<BackupEntry> FindBackups(const std::string& folder);
// Reads the backup of `entry` to count what it holds, or to say why it cannot be read.
void CountBackup(BackupEntry& entry);
// The backups in `folder`, newest first, each read to count what it holds.
std::vector<BackupEntry> ListBackups(const std::string& folder);

} // namespace mendrake
