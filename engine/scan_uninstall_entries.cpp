// Add/Remove Programs entries of programs that are gone (category 9, kind 2).
//
// An entry names its program in up to four places: the uninstall command, the quiet uninstall
// command, the icon and the install folder. It is reported only when every one of them that can
// be tested is gone, and at least one could be: a single file still there, or one on a drive
// that does not answer, keeps it. Windows Installer entries uninstall through msiexec, which
// is always there, so their commands say nothing about the product: only their icon and
// install folder are judged. Entries Windows hides (SystemComponent) are never reported.
// Environment references are expanded as the entry's programs have them; one to a variable
// that is not set keeps the entry. Files in installer caches (a bundle's uninstaller in the
// package cache, which disk cleaners empty) are no evidence either way.
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/removed_programs.h"
#include "engine/scanner_paths.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace mendrake {

namespace {

const std::string kUninstallKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::int32_t kCategory = 9;
constexpr std::int32_t kKind = 2;

bool NumberIs(RegistryAccess& reg, std::string_view name, std::int32_t expected) {
    return reg.ValueKindOf(name) == ValueKind::Number && reg.ValueSize(name) == 4 &&
           reg.ReadNumber(name) == expected;
}

// Whether a command starts Windows Installer ("MsiExec.exe /X{...}", with or without a folder).
bool StartsMsiexec(std::string_view command) {
    const std::string program = UpperCase(NamePart(ExtractCommandPath(command)));
    return program == "MSIEXEC.EXE" || program == "MSIEXEC" ||
           program.rfind("MSIEXEC.EXE ", 0) == 0 || program.rfind("MSIEXEC ", 0) == 0;
}

// What the entry's tested paths say, and the ones that are gone, for the log.
struct Verdict {
    bool keep = false;
    std::vector<std::string> gone;

    void Add(PathState state, const std::string& shown) {
        if (state == PathState::Present || state == PathState::Unreachable) {
            keep = true;
        } else if (state == PathState::Gone &&
                   std::find(gone.begin(), gone.end(), shown) == gone.end()) {
            gone.push_back(shown);
        }
    }
    bool ProgramGone() const { return !keep && !gone.empty(); }
};

// What one of the entry's texts says, its environment references expanded as the entry's
// programs have them: a reference to a variable that is not set keeps the entry, and a file in
// an installer cache says nothing.
void Judge(Verdict& verdict, std::string_view text, RegistryView view,
           const std::function<PathState(const std::string&)>& stateOf,
           const std::function<std::string(const std::string&)>& pathOf) {
    const std::optional<std::string> expanded = ExpandedReferences(text, view);
    if (!expanded) {
        verdict.keep = true;
        return;
    }
    const std::string path = pathOf(*expanded);
    if (path.empty() || InInstallerCache(path)) {
        return;
    }
    verdict.Add(stateOf(*expanded), path);
}

Verdict JudgeEntry(AnalysisRun& run, RegistryAccess& reg, const std::string& name,
                   RegistryView view) {
    Verdict verdict;
    const std::string uninstall = TextIfString(reg, "UninstallString");
    const bool windowsInstaller = NumberIs(reg, "WindowsInstaller", 1) ||
                                  (LooksLikeClassId(name) && StartsMsiexec(uninstall));
    if (!windowsInstaller) {
        for (const char* value : {"UninstallString", "QuietUninstallString"}) {
            const std::string command = TextIfString(reg, value);
            if (!Trim(command).empty() && !StartsMsiexec(command)) {
                Judge(
                    verdict, command, view,
                    [&](const std::string& text) { return CommandProgramState(run, text, view); },
                    [](const std::string& text) { return ExtractCommandPath(text); });
            }
        }
    }
    const auto asPath = [&](const std::string& path) { return PathStateOf(run, path, view); };
    const auto itself = [](const std::string& path) { return path; };
    const std::string icon = TextIfString(reg, "DisplayIcon");
    if (!IconFilePath(icon).empty() || HasEnvironmentReference(icon)) {
        Judge(
            verdict, icon, view,
            [&](const std::string& text) { return PathStateOf(run, IconFilePath(text), view); },
            [](const std::string& text) { return IconFilePath(text); });
    }
    std::string folder = Trim(TextIfString(reg, "InstallLocation"));
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') {
        folder = Trim(std::string_view(folder).substr(1, folder.size() - 2));
    }
    if (!folder.empty()) {
        Judge(verdict, folder, view, asPath, itself);
    }
    return verdict;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : "; ") + part;
    }
    return text;
}

void ScanUninstallArea(AnalysisRun& run, const ViewArea& area) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.KeptSubkeyNames()) {
        const std::string key = area.Subkey(name);
        if (!reg.Open(key)) {
            continue;
        }
        reg.ReadValues(); // an entry's values are read by name, several of them
        if (NumberIs(reg, "SystemComponent", 1)) {
            continue;
        }
        const Verdict verdict = JudgeEntry(run, reg, name, area.view);
        if (!verdict.ProgramGone() || !area.Holds(reg)) {
            continue;
        }
        const std::string displayName = Trim(TextIfString(reg, "DisplayName"));
        std::vector<TEvidence> evidence;
        for (const std::string& gone : verdict.gone) {
            evidence.push_back(Tested(kTestedPath, gone, kAnswerAbsent));
        }
        AppendIssue(run, kCategory, kKind, "Uninstall Entry of Removed Program",
                    displayName.empty() ? name : displayName, area.SubkeyText(name), area.root, key,
                    "", Joined(verdict.gone), true, {}, std::move(evidence));
    }
}

} // namespace

bool UninstallEntryOfRemovedProgram(AnalysisRun& run, RegistryAccess& entry,
                                    const std::string& name, RegistryView view) {
    entry.ReadValues();
    return !NumberIs(entry, "SystemComponent", 1) &&
           JudgeEntry(run, entry, name, view).ProgramGone();
}

void ScanUninstallEntries(AnalysisRun& run) {
    for (const ViewArea& area : BothViews(kHklm, kUninstallKey)) {
        ScanUninstallArea(run, area);
    }
    // HKCU\Software is one key for both views.
    ScanUninstallArea(run, UserArea(run.User(), kUninstallKey));
}

} // namespace mendrake
