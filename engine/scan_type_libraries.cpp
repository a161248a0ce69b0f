// Type library versions whose every registered file is gone (category 11).
#include "engine/algorithm_unit.h"
#include "engine/class_registrations.h"
#include "engine/ansi_text.h"
#include "engine/classes_root.h"
#include "engine/common_unit.h"
#include "engine/dependent_findings.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

#include <algorithm>
#include <optional>

namespace mendrake {

namespace {

// A version key's subkeys that hold data of the library, never a platform's file.
bool IsVersionDataKey(const std::string& name) {
    const std::string upper = UpperCase(name);
    return upper == "FLAGS" || upper == "HELPDIR";
}

// A library file is present when the path names a file, or when it ends in a backslash and a
// resource index ("C:\x\lib.dll\2") and the part before that backslash names one.
bool TypeLibFilePresent(AnalysisRun& run, const std::string& path) {
    if (FileFound(run, path)) {
        return true;
    }
    const std::size_t cut = FindLastCharacter(path, "\\");
    if (cut == std::string::npos || cut + 1 == path.size()) {
        return false;
    }
    const bool index = std::all_of(path.begin() + static_cast<std::ptrdiff_t>(cut) + 1, path.end(),
                                   [](char c) { return c >= '0' && c <= '9'; });
    return index && FileFound(run, path.substr(0, cut));
}

// The programs that load a platform's file: "win32" files are loaded by 32-bit programs,
// whose System32 is SysWOW64; "win64" (and any other platform) files as they stand. Which view
// holds the registration plays no part.
RegistryView LoadingView(const std::string& platformKey) {
    return UpperCase(platformKey) == "WIN32" ? RegistryView::Wow64 : RegistryView::Native;
}

// The first missing file path of one version, as read, when every file path below it was
// tested and is missing; nothing when any is present or cannot be judged: a bare name or a
// relative path (searched for by the loader), an environment reference to a variable that is
// not set, a drive or share that does not answer, a key that cannot be listed.
// `version` is the version's key, open; each key below it is opened below its open parent.
std::optional<std::string> DeadVersionPath(AnalysisRun& run, RegistryAccess& version,
                                           std::vector<TEvidence>& evidence) {
    std::optional<std::string> firstMissing;
    const std::vector<std::string> lcids = version.SubkeyNames();
    if (!version.ListingComplete()) {
        return std::nullopt; // a locale that could not be listed may name a present file
    }
    RegistryAccess locale(run);
    RegistryAccess file(run);
    for (const std::string& lcid : lcids) {
        if (IsVersionDataKey(lcid) || !locale.OpenBelow(version, lcid)) {
            continue;
        }
        const std::vector<std::string> platforms = locale.SubkeyNames();
        if (!locale.ListingComplete()) {
            return std::nullopt;
        }
        for (const std::string& platformKey : platforms) {
            if (!file.OpenBelow(locale, platformKey)) {
                return std::nullopt;
            }
            const std::string path = TextIfString(file, "");
            if (path.empty()) {
                continue; // no file registered here
            }
            const RegistryView view = LoadingView(platformKey);
            const std::string expanded = ExpandedPath(path, view);
            if (DrivePart(expanded).empty() || expanded.find('%') != std::string::npos) {
                return std::nullopt;
            }
            // A file on a drive or share that does not answer can't be judged either.
            const std::string seen = PathSeenBy(view, expanded);
            if (TypeLibFilePresent(run, seen) || !VolumeReachable(run, seen)) {
                return std::nullopt;
            }
            if (!firstMissing) {
                firstMissing = path;
            }
            evidence.push_back(Tested(kTestedFile, path, kAnswerAbsent, seen));
        }
    }
    return firstMissing;
}

// One library of the merged classes: a key without versions, and each version whose files are
// all gone; then the library's key once every version goes.
void ScanLibrary(AnalysisRun& run, ClassLists& lists, const ClassEntry& entry,
                 RegistryAccess& libraryKey, RegistryAccess& versionReg) {
    if (!lists.Open(libraryKey, entry)) {
        return;
    }
    const ClassesKey& library = entry.key;
    bool deadVersion = false;
    const std::vector<std::string> versions = libraryKey.SubkeyNames();
    const bool versionsComplete = libraryKey.ListingComplete();
    // A library key without a version left (a fix that took only its versions) registers
    // nothing.
    if (versions.empty() && versionsComplete && libraryKey.ValueCount() == 0 &&
        EntryHolds(entry, libraryKey)) {
        TItem finding = library.KeyFinding(11, 0, "Type Library Issue", entry.id);
        finding.Evidence = {Tested(kTestedKey, library.KeyText(), kAnswerEmpty)};
        run.Append(std::move(finding));
        return;
    }
    for (const std::string& version : versions) {
        if (!versionReg.OpenBelow(libraryKey, version)) {
            continue;
        }
        std::vector<TEvidence> evidence;
        const auto missing = DeadVersionPath(run, versionReg, evidence);
        // A version key reached through a key both views share belongs to the 64-bit pass.
        if (missing && EntryHolds(entry, versionReg)) {
            TItem finding =
                library.Below(version).KeyFinding(11, 0, "Type Library Issue", *missing);
            finding.ValueData = *missing;
            finding.Evidence = std::move(evidence);
            run.Append(std::move(finding));
            deadVersion = true;
        }
    }
    // The library's key holds its versions only: after the last one it is empty. Its key is
    // still open and its versions listed.
    if (!deadVersion || !versionsComplete) {
        return;
    }
    const std::vector<std::string> values = libraryKey.ValueNames();
    if (libraryKey.ListingComplete()) {
        NoteEmptiedKeyListed(
            run, library.KeyFinding(11, 0, "Type Library Issue (left empty by the fix)", entry.id),
            values, versions, [](const std::string& value) { return value.empty(); });
    }
}

} // namespace

void ScanTypeLibraries(AnalysisRun& run) {
    // The libraries of the merged classes, both views, the machine's and the user's: a library
    // the user registered is read (and reported) where it lives, once, and the machine's
    // library that it hides is not judged.
    ClassesRoot classes(run);
    const ClassRegistrations& libraries = ReadRegistrations(classes, "TypeLib");
    ClassLists lists(run);
    // Each key is opened below its open parent: shorter paths for the registry.
    RegistryAccess libraryKey(run);
    RegistryAccess versionReg(run);
    for (const ClassEntry& entry : libraries.entries) {
        ScanLibrary(run, lists, entry, libraryKey, versionReg);
    }
}

} // namespace mendrake
