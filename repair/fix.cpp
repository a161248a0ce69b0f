#include "repair/fix.h"

#include "engine/common_unit.h"
#include "engine/registry_access.h"
#include "repair/file_output.h"
#include "repair/kept_files.h"
#include "repair/regexport_unit.h"

#include <algorithm>
#include <cstdio>

namespace mendrake {

std::string BackupFileName(const platform::LocalTime& time) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d_backup.reg", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return name;
}

std::string DefaultBackupPath() {
    platform::Platform& os = platform::Os();
    return os.ProgramFolder() + BackupFileName(os.Now());
}

std::string BackupScriptText(const std::vector<TItem>& issues) {
    // One growing text: each export is appended once, so the cost stays linear in the script.
    std::string script = RegFileHeader();
    for (const TItem& issue : issues) {
        if (issue.Selected == 0 || IsFileCategory(issue.Category)) {
            continue;
        }
        script += issue.DeleteKey ? ExportKeyText(issue.RootKey, issue.Key)
                                  : ExportValueText(issue.RootKey, issue.Key, issue.Value);
    }
    return script;
}

void WriteBackup(const std::string& path, const std::vector<TItem>& issues) {
    WriteTextFile(path, BackupScriptText(issues));
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

void DeleteRegistryIssue(const TItem& issue) {
    RegistryAccess reg;
    reg.SetRoot(issue.RootKey);
    const std::string path = KeyPathOf(issue);
    if (!OpenKeyPath(reg, path)) {
        return; // already gone, or no full access: passed over
    }
    if (!issue.DeleteKey) {
        reg.RemoveValue(issue.Value);
    } else if (reg.RemoveOpenKey()) {
        return;
    } else if (const auto cut = path.rfind('\\'); cut != std::string::npos) {
        // Too long to name from the root in one path: delete it below its parent.
        if (OpenKeyPath(reg, path.substr(0, cut))) {
            reg.RemoveKey(path.substr(cut + 1));
        }
    }
}

} // namespace

std::size_t DeleteIssues(const std::vector<TItem>& issues,
                         const std::function<void(int position)>& progress,
                         const std::string& filesFolder) {
    FileKeeper keeper(filesFolder);
    std::size_t attempted = 0;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (progress) {
            progress(FixProgressPosition(i, issues.size()));
        }
        const TItem& issue = issues[i];
        if (issue.Selected == 0) {
            continue;
        }
        ++attempted;
        if (IsFileCategory(issue.Category)) {
            if (filesFolder.empty()) {
                RemoveFile(issue.Key + issue.Value);
            } else {
                keeper.Keep(issue.Key + issue.Value);
            }
        } else {
            DeleteRegistryIssue(issue);
        }
    }
    if (progress) {
        progress(100);
    }
    return attempted;
}

bool IssueEntryPresent(const TItem& issue) {
    if (IsFileCategory(issue.Category)) {
        return FileFound(issue.Key + issue.Value);
    }
    RegistryAccess reg;
    reg.SetRoot(issue.RootKey);
    if (!OpenKeyPath(reg, KeyPathOf(issue))) {
        return false;
    }
    return issue.DeleteKey || reg.HasValue(issue.Value);
}

std::size_t FixIssues(const std::vector<TItem>& issues,
                      const std::optional<std::string>& backupPath,
                      const std::function<void(int position)>& progress) {
    if (backupPath) {
        WriteBackup(*backupPath, issues); // throws before anything is deleted
    }
    return DeleteIssues(issues, progress, backupPath ? BackupFilesFolder(*backupPath) : "");
}

} // namespace mendrake
