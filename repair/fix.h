// The fix: a backup script of everything about to be deleted, then the deletions.
#pragma once

#include "engine/issue_model.h"
#include "platform/platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mendrake {

// "yyyymmddhhnnss_backup.reg" for a local time.
std::string BackupFileName(const platform::LocalTime& time);
// The program's folder followed by the backup file name for the current local time.
std::string DefaultBackupPath();
// The backup script of the ticked registry issues: the header, then for each ticked issue of a
// registry category the key's blocks (DeleteKey) or the value's blocks, in list order.
std::string BackupScriptText(const std::vector<TItem>& issues);
// Writes the backup script of `issues` to `path`, every step checked. Throws Error ("Cannot
// create file "%s". %s", or a message naming the file when writing fails); nothing is deleted
// by this function.
void WriteBackup(const std::string& path, const std::vector<TItem>& issues);
// Progress position after `index` of `count` issues: min(100, index * 100 / count) rounded to
// the nearest integer, an exact half to the even neighbour.
int FixProgressPosition(std::size_t index, std::size_t count);
// Deletes every ticked issue: the file Key + Value for file categories, the key with its
// subtree (DeleteKey) or the value otherwise. Failures are passed over. `progress` is called
// with FixProgressPosition(i, N) before each issue i, ticked or not, and with 100 at the end.
// With a `filesFolder` (BackupFilesFolder of the backup) files are moved there and listed in
// its manifest instead of deleted; a file that cannot be moved stays where it is.
// Returns how many ticked issues were attempted.
std::size_t DeleteIssues(const std::vector<TItem>& issues,
                         const std::function<void(int position)>& progress = {},
                         const std::string& filesFolder = {});
// Whether the entry an issue names is still there: the file, the key, or the value in its key.
bool IssueEntryPresent(const TItem& issue);
// The whole fix: the backup of `issues` written to `backupPath` when one is given (an error
// stops the fix before anything is deleted), then DeleteIssues, which keeps the files beside
// that backup. Returns DeleteIssues' count.
std::size_t FixIssues(const std::vector<TItem>& issues,
                      const std::optional<std::string>& backupPath,
                      const std::function<void(int position)>& progress = {});

} // namespace mendrake
