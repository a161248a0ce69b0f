// The fix: a backup script of everything about to be deleted, then the deletions.
#pragma once

#include "engine/issue_model.h"
#include "platform/platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mendrake {

// An issue the fix leaves alone, and why ("cannot be backed up: ...").
struct NotFixed {
    std::size_t index = 0; // position in the issue list
    std::string reason;
};

// A ticked dependent finding the fix kept on purpose: a key it depends on stays (it was
// unticked, could not be backed up, or could not be deleted), and the entry still resolves
// through it.
struct KeptDependent {
    std::size_t index = 0; // position in the issue list
    std::string location;  // the first key of its DependsOn that the fix did not delete
};

// "yyyymmddhhnnss_backup.reg" for a local time.
std::string BackupFileName(const platform::LocalTime& time);
// The name to use instead of a backup path that is taken, for number 2, 3 ...:
// "..._backup.reg" becomes "..._2_backup.reg"; any other name gets "_2" before its extension.
std::string NumberedBackupPath(const std::string& path, int number);
// The backup folder (made when missing) followed by the backup file name for the current local
// time.
std::string DefaultBackupPath();

// Which issues a fix with `leave` left alone deletes: the ticked ones but those in `leave`,
// and of the dependent findings only those whose every key (DependsOn) is deleted by another
// issue so chosen. Unticking a class keeps what refers to it.
std::vector<bool> IssuesToFix(const std::vector<TItem>& issues, const std::vector<NotFixed>& leave);

// The backup script of the ticked registry issues: the header, then for each issue of IssuesToFix
// of a registry category the key's blocks (DeleteKey) or the value's blocks, in list order. An
// issue whose entries the script cannot give back exactly contributes nothing and is listed in
// `unbacked`: the fix must not delete it.
struct BackupScript {
    std::string text;
    std::vector<NotFixed> unbacked;
};
BackupScript MakeBackupScript(const std::vector<TItem>& issues);
std::string BackupScriptText(const std::vector<TItem>& issues);

// Where a backup went, and the issues it could not take.
struct WrittenBackup {
    std::string path; // `path`, or a numbered one when that was taken
    std::vector<NotFixed> unbacked;
};
// Writes the backup script of `issues` to `path`, or to the first free NumberedBackupPath when
// a file of that name exists: a backup never replaces another. Every step is checked; throws
// Error ("Cannot create file "%s". %s", or a message naming the file when writing fails).
// Nothing is deleted by this function.
WrittenBackup WriteBackup(const std::string& path, const std::vector<TItem>& issues);
// Progress position after `index` of `count` issues: min(100, index * 100 / count) rounded to
// the nearest integer, an exact half to the even neighbour.
int FixProgressPosition(std::size_t index, std::size_t count);
// Deletes every issue of IssuesToFix(issues, leave), each dependent finding after the keys it
// depends on and only when the fix has deleted each of them: the file Key + Value for file
// categories, the key with its subtree (DeleteKey) or the value otherwise. Failures are passed
// over. `progress` is called with FixProgressPosition(i, N) before each issue i, ticked or not, and
// with 100 at the end. With a `filesFolder` (BackupFilesFolder of the backup) files are moved
// there and listed in its manifest instead of deleted; a file that cannot be moved stays where
// it is. Returns how many ticked issues were attempted, and the ticked dependent findings kept
// because a key they depend on was not deleted (those of `leave` aside), in list order.
struct Deletions {
    std::size_t attempted = 0;
    std::vector<KeptDependent> kept;
};
Deletions DeleteIssues(const std::vector<TItem>& issues,
                       const std::function<void(int position)>& progress = {},
                       const std::string& filesFolder = {},
                       const std::vector<NotFixed>& leave = {});
// Whether the entry an issue names is still there: the file, the key, or the value in its key.
// Keys are opened for reading only, so a key the fix could not open to delete still counts.
bool IssueEntryPresent(const TItem& issue);

// The entry an issue would delete, for the lines that say it was not fixed: the key, or the
// key and the value's name in quotation marks.
std::string NotFixedEntryText(const TItem& issue);
// The entry of `kept` (in list order) for the issue at `index`, or null: a ticked entry still
// there after the fix is either kept so, or could not be deleted or moved.
const KeptDependent* KeptDependentAt(const std::vector<KeptDependent>& kept, std::size_t index);
// After a fix: how many issues were left alone, and why, one line each (at most `lines`).
// `headline` replaces the English first line ("2 issues were not fixed: ...") when given.
std::string NotFixedSummary(const std::vector<TItem>& issues, const std::vector<NotFixed>& notFixed,
                            std::size_t lines, const std::string& headline = {});

struct FixResult {
    std::size_t attempted = 0;             // ticked issues the fix tried to delete
    std::optional<std::string> backupPath; // the file the backup went to
    std::vector<NotFixed> notFixed;        // left alone, because the backup cannot hold them
    std::vector<KeptDependent> kept;       // dependents kept with a key they depend on
};
// The whole fix: the backup of `issues` written to `backupPath` (or a numbered name beside it)
// when one is given, an error stopping the fix before anything is deleted; then DeleteIssues of
// every issue the backup holds, keeping the files beside that backup. Without a backup every
// ticked issue is deleted.
FixResult FixIssues(const std::vector<TItem>& issues, const std::optional<std::string>& backupPath,
                    const std::function<void(int position)>& progress = {});

// What became of each issue after a fix, read back from the registry and the folders: the
// window and the console say the same about the same fix.
enum class AfterFix {
    Removed,        // its entry is gone
    Unticked,       // still there: not ticked
    NotBackedUp,    // still there: ticked, but the backup could not hold it
    KeptDependent,  // still there: ticked, kept with a key it depends on
    CouldNotRemove, // still there: ticked, and could not be deleted or moved
};
std::vector<AfterFix> ReadFixOutcome(const std::vector<TItem>& issues, const FixResult& fixed);

} // namespace mendrake
