#include "repair/fix.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "engine/dependent_findings.h"
#include "engine/error.h"
#include "engine/registry_access.h"
#include "repair/backup_folder.h"
#include "repair/file_output.h"
#include "repair/kept_files.h"
#include "repair/regexport_unit.h"
#include "repair/version5_script.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace mendrake {

namespace {

// Whether each of `locations` (or a key above it) is in `removed`.
bool AllRemoved(const detail::LocationSet& removed, const std::vector<std::string>& locations) {
    return std::all_of(locations.begin(), locations.end(), [&](const std::string& location) {
        return LocationCovered(removed, location);
    });
}

// The first of `locations` that is not in `removed`, nor below a key that is.
std::string FirstKept(const detail::LocationSet& removed,
                      const std::vector<std::string>& locations) {
    for (const std::string& location : locations) {
        if (!LocationCovered(removed, location)) {
            return location;
        }
    }
    return locations.front();
}

} // namespace

std::string BackupFileName(const platform::LocalTime& time) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d_backup.reg", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return name;
}

std::string NumberedBackupPath(const std::string& path, int number) {
    static const std::string kSuffix = "_backup.reg";
    std::string tag(1, '_');
    tag += std::to_string(number);
    if (path.size() >= kSuffix.size() &&
        path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0) {
        return path.substr(0, path.size() - kSuffix.size()) + tag + kSuffix;
    }
    const std::size_t folder = FindLastCharacter(path, "\\/");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) {
        return path + tag;
    }
    return path.substr(0, dot) + tag + path.substr(dot);
}

std::string DefaultBackupPath() {
    platform::Platform& os = platform::Os();
    return BackupFolderForWriting() + BackupFileName(os.Now());
}

namespace {

// Takes each dependent finding of `waiting` (positions in `issues`) whose every key it depends
// on is in `removed`: `take(i)` says whether its own key goes, and a key that goes joins
// `removed`. Again until nothing changes, as a dependent may empty another key. The plan of a
// fix and the deletion itself settle their dependents this one way.
void SettleDependents(const std::vector<TItem>& issues, std::vector<std::size_t> waiting,
                      detail::LocationSet& removed, const std::function<bool(std::size_t)>& take) {
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t& i : waiting) {
            if (i == issues.size() || !AllRemoved(removed, issues[i].DependsOn)) {
                continue;
            }
            if (take(i)) {
                removed.insert(LocationKey(DeletedLocation(issues[i])));
            }
            i = issues.size(); // settled
            changed = true;
        }
    }
}

} // namespace

std::vector<bool> IssuesToFix(const std::vector<TItem>& issues,
                              const std::vector<NotFixed>& leave) {
    std::vector<bool> fix(issues.size(), false);
    for (std::size_t i = 0; i < issues.size(); ++i) {
        fix[i] = issues[i].Selected != 0;
    }
    for (const NotFixed& issue : leave) {
        if (issue.index < fix.size()) {
            fix[issue.index] = false;
        }
    }
    std::vector<std::size_t> waiting;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (fix[i] && !issues[i].DependsOn.empty()) {
            fix[i] = false;
            waiting.push_back(i);
        }
    }
    if (waiting.empty()) {
        return fix; // no dependent finding waits on a key
    }
    // The keys that go: those of the independent findings first, then of each dependent whose
    // keys all go, again until nothing changes (a dependent may empty another key).
    detail::LocationSet removed;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (fix[i] && issues[i].DeleteKey) {
            removed.insert(LocationKey(DeletedLocation(issues[i])));
        }
    }
    SettleDependents(issues, waiting, removed, [&](std::size_t i) {
        fix[i] = true;
        return issues[i].DeleteKey;
    });
    return fix;
}

BackupScript MakeBackupScript(const std::vector<TItem>& issues) {
    // One growing text: each export is appended once, so the cost stays linear in the script.
    BackupScript script{RegFileHeader(), {}};
    // All-ASCII backups stay REGEDIT4, byte for byte; any other text needs version 5.
    bool ascii = true;
    const std::vector<bool> fix = IssuesToFix(issues, {});
    for (std::size_t i = 0; i < issues.size(); ++i) {
        const TItem& issue = issues[i];
        if (!fix[i] || IsFileCategory(issue.Category)) {
            continue;
        }
        ExportResult exported = issue.DeleteKey
                                    ? ExportKey(issue.RootKey, issue.Key)
                                    : ExportValue(issue.RootKey, issue.Key, issue.Value);
        if (!exported.problem.empty()) {
            script.unbacked.push_back({i, "cannot be backed up: " + exported.problem});
            continue;
        }
        ascii = ascii && exported.ascii;
        script.text += exported.text;
    }
    if (!ascii) {
        script.text = Version5Script(script.text);
    }
    return script;
}

std::string BackupScriptText(const std::vector<TItem>& issues) {
    return MakeBackupScript(issues).text;
}

WrittenBackup WriteBackup(const std::string& path, const std::vector<TItem>& issues) {
    // Two fixes within one second (or two programs) get the same time-stamped name; the file is
    // created only where none is, so the earlier backup stays restorable.
    constexpr int kMostNumbers = 1000;
    BackupScript script = MakeBackupScript(issues);
    WrittenBackup written{path, std::move(script.unbacked)};
    for (int number = 2; !WriteNewTextFile(written.path, script.text); ++number) {
        if (number > kMostNumbers) {
            throw Error("Cannot create file \"" + written.path + "\". " +
                        platform::Os().ErrorText(platform::kFileExists));
        }
        written.path = NumberedBackupPath(path, number);
    }
    return written;
}

int FixProgressPosition(std::size_t index, std::size_t count) {
    if (count == 0) {
        return 100;
    }
    const std::size_t scaled = index * 100;
    std::size_t position = scaled / count;
    const std::size_t twiceRest = (scaled % count) * 2;
    // Nearest integer, an exact half to the even neighbour.
    if (twiceRest > count || (twiceRest == count && position % 2 == 1)) {
        ++position;
    }
    return static_cast<int>(std::min<std::size_t>(position, 100));
}

namespace {

// The issue's key path below the root, without the leading backslash.
std::string KeyPathOf(const TItem& issue) {
    return !issue.Key.empty() && issue.Key.front() == '\\' ? issue.Key.substr(1) : issue.Key;
}

// Deletes the issue's entry; true when its key (DeleteKey) is gone afterwards.
bool DeleteRegistryIssue(const TItem& issue) {
    // The key is opened with full access even where one call from the root could delete it:
    // a key the user may only read must stay, and Wine lets such a key be deleted.
    RegistryAccess reg;
    reg.SetRoot(issue.RootKey);
    const std::string path = KeyPathOf(issue);
    if (!OpenKeyPath(reg, path)) {
        // Already gone, or no full access: passed over.
        return issue.DeleteKey && reg.OpenStatus() == platform::kFileNotFound;
    }
    if (!issue.DeleteKey) {
        reg.RemoveValue(issue.Value);
        return false;
    }
    if (reg.RemoveOpenKey()) {
        return true;
    }
    if (const auto cut = FindLastCharacter(path, "\\"); cut != std::string::npos) {
        // Too long to name from the root in one path: delete it below its parent.
        if (OpenKeyPath(reg, path.substr(0, cut))) {
            return reg.RemoveKey(path.substr(cut + 1));
        }
    }
    return false;
}

} // namespace

Deletions DeleteIssues(const std::vector<TItem>& issues,
                       const std::function<void(int position)>& progress,
                       const std::string& filesFolder, const std::vector<NotFixed>& leave) {
    FileKeeper keeper(filesFolder);
    const std::vector<bool> fix = IssuesToFix(issues, leave);
    // The keys this fix has deleted, kept only where a ticked dependent finding waits on them
    // (to be deleted after them, or to say which of them stays).
    bool anyDependent = false;
    for (std::size_t i = 0; i < issues.size() && !anyDependent; ++i) {
        anyDependent = issues[i].Selected != 0 && !issues[i].DependsOn.empty();
    }
    detail::LocationSet removed;
    std::vector<std::size_t> dependents;
    std::vector<bool> tried(issues.size(), false);
    Deletions done;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (progress) {
            progress(FixProgressPosition(i, issues.size()));
        }
        const TItem& issue = issues[i];
        if (!fix[i]) {
            continue;
        }
        if (!issue.DependsOn.empty()) {
            dependents.push_back(i); // after the keys it depends on
            continue;
        }
        ++done.attempted;
        if (IsFileCategory(issue.Category)) {
            if (filesFolder.empty()) {
                RemoveFile(issue.Key + issue.Value);
            } else {
                keeper.Keep(issue.Key + issue.Value);
            }
        } else if (DeleteRegistryIssue(issue) && anyDependent) {
            removed.insert(LocationKey(DeletedLocation(issue)));
        }
    }
    // A dependent goes only once every key it depends on is gone by this fix: a key whose
    // deletion failed keeps what refers to it, as the entry still resolves.
    SettleDependents(issues, dependents, removed, [&](std::size_t i) {
        ++done.attempted;
        tried[i] = true;
        return DeleteRegistryIssue(issues[i]);
    });
    // Every ticked dependent not tried was kept with a key it depends on; those left for a
    // reason of their own (`leave`) are reported with that reason instead.
    std::vector<bool> left(issues.size(), false);
    for (const NotFixed& issue : leave) {
        if (issue.index < left.size()) {
            left[issue.index] = true;
        }
    }
    for (std::size_t i = 0; i < issues.size() && anyDependent; ++i) {
        if (issues[i].Selected != 0 && !issues[i].DependsOn.empty() && !tried[i] && !left[i]) {
            done.kept.push_back({i, FirstKept(removed, issues[i].DependsOn)});
        }
    }
    if (progress) {
        progress(100);
    }
    return done;
}

bool IssueEntryPresent(const TItem& issue) {
    if (IsFileCategory(issue.Category)) {
        return FileFound(issue.Key + issue.Value);
    }
    RegistryAccess reg;
    reg.SetRoot(issue.RootKey);
    reg.SetAccess(platform::kKeyRead);
    if (!OpenKeyPath(reg, KeyPathOf(issue))) {
        return reg.OpenStatus() != platform::kFileNotFound; // there, but not to be read
    }
    return issue.DeleteKey || reg.HasValue(issue.Value);
}

std::string NotFixedEntryText(const TItem& issue) {
    if (IsFileCategory(issue.Category) || issue.DeleteKey) {
        return issue.KeyText;
    }
    return issue.KeyText + " \"" + issue.Value + "\"";
}

const KeptDependent* KeptDependentAt(const std::vector<KeptDependent>& kept, std::size_t index) {
    // In list order, as DeleteIssues gives them.
    const auto at = std::lower_bound(
        kept.begin(), kept.end(), index,
        [](const KeptDependent& k, std::size_t wanted) { return k.index < wanted; });
    return at == kept.end() || at->index != index ? nullptr : &*at;
}

std::string NotFixedSummary(const std::vector<TItem>& issues, const std::vector<NotFixed>& notFixed,
                            std::size_t lines, const std::string& headline) {
    std::string text = headline.empty()
                           ? std::to_string(notFixed.size()) +
                                 (notFixed.size() == 1 ? " issue was" : " issues were") +
                                 " not fixed: nothing of them was deleted."
                           : headline;
    text += "\r\n";
    for (std::size_t i = 0; i < notFixed.size() && i < lines; ++i) {
        text += "\r\n" + NotFixedEntryText(issues[notFixed[i].index]) + ": " + notFixed[i].reason;
    }
    if (notFixed.size() > lines) {
        text += "\r\n...";
    }
    return text;
}

FixResult FixIssues(const std::vector<TItem>& issues, const std::optional<std::string>& backupPath,
                    const std::function<void(int position)>& progress) {
    FixResult result;
    // Nothing ticked: nothing to delete and nothing to back up, so no empty backup is written.
    if (std::none_of(issues.begin(), issues.end(),
                     [](const TItem& issue) { return issue.Selected != 0; })) {
        if (progress) {
            progress(100);
        }
        return result;
    }
    if (backupPath) {
        WrittenBackup written = WriteBackup(*backupPath, issues); // throws before any deletion
        result.backupPath = std::move(written.path);
        result.notFixed = std::move(written.unbacked);
    }
    Deletions done = DeleteIssues(issues, progress,
                                  result.backupPath ? BackupFilesFolder(*result.backupPath) : "",
                                  result.notFixed);
    result.attempted = done.attempted;
    result.kept = std::move(done.kept);
    return result;
}

std::vector<AfterFix> ReadFixOutcome(const std::vector<TItem>& issues, const FixResult& fixed) {
    std::vector<bool> unbacked(issues.size(), false);
    for (const NotFixed& issue : fixed.notFixed) {
        if (issue.index < unbacked.size()) {
            unbacked[issue.index] = true;
        }
    }
    std::vector<AfterFix> outcome;
    outcome.reserve(issues.size());
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (!IssueEntryPresent(issues[i])) {
            outcome.push_back(AfterFix::Removed);
        } else if (issues[i].Selected == 0) {
            outcome.push_back(AfterFix::Unticked);
        } else if (unbacked[i]) {
            outcome.push_back(AfterFix::NotBackedUp);
        } else if (KeptDependentAt(fixed.kept, i) != nullptr) {
            outcome.push_back(AfterFix::KeptDependent);
        } else {
            outcome.push_back(AfterFix::CouldNotRemove);
        }
    }
    return outcome;
}

} // namespace mendrake
