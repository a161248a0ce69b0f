// Restoring a backup: every key and value of the script written through the platform and read
// back, then the shortcut files the fix kept put back where they were.
#pragma once

#include "repair/kept_files.h"
#include "repair/reg_script.h"

#include "platform/platform.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace mendrake {

// An entry that changed since the backup and was left as it is: what it holds now and what the
// backup holds (none: not there). A key the backup deletes but that holds other entries now has
// neither.
struct RestoreConflict {
    std::string location; // "HKCU\Key\name", or "HKCU\Key" for a key
    std::string failure;  // its line in RestoreResult::failures
    bool key = false;
    std::optional<platform::RegValue> now, backup;
};

struct RestoreResult {
    // Restored, or already there as the backup holds them, and read back the same.
    std::size_t keys = 0, values = 0, files = 0;
    // Entries that changed since the backup and were left as they are (also in `failures`).
    std::size_t conflicts = 0;
    std::vector<std::string> failures;    // one line per entry, with its reason
    std::vector<RestoreConflict> changed; // the conflicts, in the order of `failures`
};

struct BackupContents {
    RegScript script;
    std::vector<KeptFile> files;
    std::string filesProblem; // why the kept files cannot be read; the script still can be
};

// Reads and parses the backup and its file list, changing nothing. Throws Error with
// "Cannot read file ..." or the reader's "Line N: ..." message; a files folder that cannot be
// read is only noted in `filesProblem`.
BackupContents ReadBackup(const std::string& backupPath);

// Writes `script` into the registry and reads each entry back. A value that is absent is
// written with its type and bytes, one that holds them already counts as restored, and one that
// holds anything else has changed since the backup: it is left alone and reported as "Not
// restored: KEY\VALUE: changed since the backup". A key the script deletes goes only when it
// holds nothing the script does not write back (else it is reported the same way), and a value
// it deletes only when it is not there. With `overwrite` the script is carried out as it stands,
// over whatever is there.
RestoreResult RestoreScript(const RegScript& script, bool overwrite = false);

// The whole restore of a backup file: ReadBackup, RestoreScript, then the kept files moved
// back, never over a file that is there again and only into the start-menu and desktop folders.
// `files` false leaves the kept files alone: a second pass that only overwrites the registry
// entries a first one left does not report the files that first one put back.
// The hives of other users that the backup names are loaded for the restore when they are not
// (`OtherUsers::Load`, the console's restore); the window leaves them as they are, as it runs
// the restore beside its own thread and loading them changes the process's registry platform:
// an entry of a hive that is not loaded then fails, named with its key.
enum class OtherUsers { Load, AsTheyAre };
RestoreResult RestoreBackup(const std::string& backupPath, bool overwrite = false,
                            bool files = true, OtherUsers otherUsers = OtherUsers::Load);

// "3 keys", "1 key": a count with its English noun.
std::string Counted(std::size_t count, const char* one, const char* many);

// "Restored K keys, V values and F files from FILE" (each noun in the singular for one).
std::string RestoreSummary(const RestoreResult& result, const std::string& backupPath);

} // namespace mendrake
