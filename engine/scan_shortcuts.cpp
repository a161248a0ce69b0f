// Broken shortcuts in the start menu and on the desktop (categories 13 and 14): the folder
// trees that the shell registers under its Shell Folders names, per user first, then common.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace mendrake {

namespace {

const std::string kShellFoldersKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kUserShellFoldersKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// What a shell folder name decides for every shortcut issue found below it.
struct ShellFolder {
    const char* name;
    std::uint32_t root; // where its Shell Folders value is registered
    std::int32_t category;
    const char* problem;
    std::int32_t kind; // 0 per user, 1 common to all users
};

constexpr ShellFolder kShellFolders[] = {
    {"Start Menu", kHkcu, kStartMenuCategory, "Start Menu Issue", 0},
    {"Common Start Menu", kHklm, kStartMenuCategory, "Start Menu Issue", 1},
    {"Desktop", kHkcu, kDesktopCategory, "Desktop Issue", 0},
    {"Common Desktop", kHklm, kDesktopCategory, "Desktop Issue", 1},
};

// Names are compared exactly, letter case included; any other name has no folder.
const ShellFolder* FindShellFolder(const std::string& name) {
    for (const ShellFolder& shell : kShellFolders) {
        if (name == shell.name) {
            return &shell;
        }
    }
    return nullptr;
}

bool IsHiddenSystem(std::uint32_t attributes) {
    constexpr std::uint32_t both = platform::kAttrHidden | platform::kAttrSystem;
    return (attributes & both) == both;
}

// One shortcut entry of `folder`: reported when its target has a drive part and neither a file
// nor a folder is there. Shortcuts that cannot be read resolve to "" and are passed over.
void CheckShortcut(AnalysisRun& run, const std::string& folder, const std::string& name,
                   const ShellFolder& shell) {
    const std::string target = ResolveShortcut(folder + name);
    if (DrivePart(target).empty() || FileFound(run, target) || FolderFound(run, target) ||
        !VolumeReachable(run, target)) {
        return; // a target on a drive or share that can't be reached is not known to be gone
    }
    AppendIssue(run, shell.category, shell.kind, shell.problem, name, folder, kHklm, folder, name,
                "", false, {}, {Tested(kTestedPath, target, kAnswerAbsent)});
}

// Depth first, entries in file-system order, so a subfolder's issues stand where it was met.
// A folder that is a reparse point (a junction or a symbolic link) is not entered: a link can
// lead anywhere (the whole disk, another user's profile, under Wine the whole Unix file system
// when the desktop is the user's home), and the fix would delete the broken shortcuts found
// there. With no link followed, the walk cannot come back into itself.
// An entry whose name the ANSI code page cannot carry (an older Windows that ignores the
// manifest's UTF-8) is passed over: the name that came back would reach another file or none.
void WalkFolder(AnalysisRun& run, const std::string& folder, const ShellFolder& shell) {
    for (const platform::FindEntry& entry : ListFolder(run, folder)) {
        if (entry.lossy) {
            continue;
        }
        if ((entry.attributes & platform::kAttrDirectory) != 0) {
            if (entry.name != "." && entry.name != ".." &&
                (entry.attributes & platform::kAttrReparsePoint) == 0) {
                WalkFolder(run, folder + entry.name + "\\", shell);
            }
            continue;
        }
        if (IsHiddenSystem(entry.attributes) || UpperCase(ExtensionPart(entry.name)) != ".LNK") {
            continue;
        }
        CheckShortcut(run, folder, entry.name, shell);
    }
}

// `text` with the references to `name` ("%USERPROFILE%", any letter case) replaced by `value`.
// An empty value replaces nothing: the reference stays, and the folder is not read.
std::string Replaced(std::string text, std::string_view name, const std::string& value) {
    if (value.empty()) {
        return text;
    }
    for (std::size_t at = UpperCase(text).find(name); at != std::string::npos;
         at = UpperCase(text).find(name, at + value.size())) {
        text.replace(at, name.size(), value);
    }
    return text;
}

// The folder another profile's hive registers under `name` in its User Shell Folders (the
// shell's own record, "%USERPROFILE%\Desktop"), expanded as the shell expands it when that
// user logs on: %USERPROFILE% is the profile folder, %APPDATA% and %LOCALAPPDATA% the hive's own
// "AppData" and "Local AppData". The running account's environment says nothing of that user,
// so a folder naming any other variable is not read. Where the value is missing, the hive's
// Shell Folders (the expanded copy the shell keeps) is read instead.
std::string OtherUserShellFolder(const UserScope& user, const std::string& name,
                                 RegistryAccess& reg) {
    const auto expanded = [&](std::string text) {
        return Replaced(std::move(text), "%USERPROFILE%", user.profileFolder);
    };
    if (reg.Open(user.Key(kUserShellFoldersKey))) {
        if (std::string folder = TextIfString(reg, name); !folder.empty()) {
            folder =
                Replaced(expanded(folder), "%APPDATA%", expanded(TextIfString(reg, "AppData")));
            folder = Replaced(std::move(folder), "%LOCALAPPDATA%",
                              expanded(TextIfString(reg, "Local AppData")));
            return HasEnvironmentReference(folder) ? std::string() : folder;
        }
    }
    return reg.Open(user.Key(kShellFoldersKey)) ? TextIfString(reg, name) : std::string();
}

// The folder a Shell Folders value names, as written (environment references stay); empty when
// the key cannot be opened with full access (the common folders need write rights) or the
// value is missing. The per-user folders are `user`'s. Read with `reg`, a fresh access.
std::string ShellFolderPath(const ShellFolder& shell, const UserScope& user, RegistryAccess&& reg) {
    const bool perUser = shell.root == kHkcu;
    reg.SetRoot(perUser ? user.root : shell.root);
    if (perUser && !user.IsRunningAccount()) {
        return OtherUserShellFolder(user, shell.name, reg);
    }
    if (!reg.Open(kShellFoldersKey)) {
        return {};
    }
    return TextIfString(reg, shell.name);
}

} // namespace

std::vector<std::string> ShortcutFolders(const std::vector<UserScope>& users) {
    std::vector<std::string> folders;
    for (const ShellFolder& shell : kShellFolders) {
        if (std::string folder = ShellFolderPath(shell, UserScope(), RegistryAccess());
            !folder.empty()) {
            folders.push_back(std::move(folder));
        }
    }
    for (const UserScope& user : users) {
        for (const ShellFolder& shell : kShellFolders) {
            if (shell.root != kHkcu) {
                continue;
            }
            if (std::string folder = ShellFolderPath(shell, user, RegistryAccess());
                !folder.empty()) {
                folders.push_back(std::move(folder));
            }
        }
    }
    return folders;
}

void ScanStartMenu(AnalysisRun& run) {
    ScanShellFolder(run, "Start Menu");
    ScanShellFolder(run, "Common Start Menu");
}

void ScanDesktop(AnalysisRun& run) {
    ScanShellFolder(run, "Desktop");
    ScanShellFolder(run, "Common Desktop");
}

void ScanShellFolder(AnalysisRun& run, const std::string& shellFolderName) {
    const ShellFolder* shell = FindShellFolder(shellFolderName);
    if (shell == nullptr) {
        return;
    }
    const std::string folder = ShellFolderPath(*shell, run.User(), RegistryAccess(run));
    if (!folder.empty()) {
        ScanShortcutFolder(run, folder + "\\", shellFolderName);
    }
}

void ScanShortcutFolder(AnalysisRun& run, const std::string& folder,
                        const std::string& shellFolderName) {
    const ShellFolder* shell = FindShellFolder(shellFolderName);
    if (shell == nullptr) {
        return;
    }
    WalkFolder(run, folder, *shell);
}

std::string ResolveShortcut(std::string_view path) {
    std::string file(path);
    if (UpperCase(file).find(".LNK") == std::string::npos) {
        file += ".lnk";
    }
    return platform::Os().ShortcutTarget(file);
}

} // namespace mendrake
