// Font registrations and help-file registrations whose files are gone (categories 7 and 8).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "engine/scanner_paths.h"

#include <functional>
#include <optional>

namespace mendrake {

namespace {

const std::string kFontsKey = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string kHelpKey = "\\Software\\Microsoft\\Windows\\Help";
const std::string kHtmlHelpKey = "\\Software\\Microsoft\\Windows\\HTML Help";

// One value-list pass over an area of the machine: every string value gives a path (from its
// name and data); `missing` judges it as a program of the area's view sees it, and each missing
// one is reported with the value's name. With `expands`, the path's environment references are
// expanded first, and a path that names a variable that is not set is not judged.
void ScanValueList(
    AnalysisRun& run, const ViewArea& area, std::int32_t category, std::int32_t kind,
    const std::string& problem,
    const std::function<std::string(const std::string&, const std::string&)>& path,
    const std::function<bool(AnalysisRun&, const std::string&, RegistryView)>& missing,
    bool expands = false) {
    RegistryAccess reg(run);
    reg.SetRoot(area.root);
    if (!reg.Open(area.key)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        // Numbers, bytes and lists (and values gone since the listing) are passed over.
        if (!IsTextKind(reg.ValueKindOf(name))) {
            continue;
        }
        const std::string data = reg.ReadText(name);
        const std::optional<std::string> tested =
            expands ? ExpandedReferences(path(name, data), area.view) : path(name, data);
        if (tested && missing(run, *tested, area.view)) {
            AppendIssue(run, category, kind, problem, *tested, area.KeyText(), area.root, area.key,
                        name, data, false, {},
                        {Tested(kTestedFile, path(name, data), kAnswerAbsent, *tested)});
        }
    }
}

bool MissingFileWithDrive(AnalysisRun& run, const std::string& path, RegistryView view) {
    return FileMissingWithDrive(run, path, view);
}

} // namespace

void ScanFonts(AnalysisRun& run) {
    const std::string fonts = FontsFolder();
    // Data that names a drive already (a font outside the Fonts folder) is tested where it
    // points; a bare name is looked up in the Fonts folder.
    auto fontPath = [&fonts](const std::string&, const std::string& data) {
        return DrivePart(data).empty() ? fonts + "\\" + data : data;
    };
    // The font list is one key for both views.
    ScanValueList(run, ViewArea{kHklm, kFontsKey, RegistryView::Native, {}}, 7, 0, "Font Issue",
                  fontPath, MissingFileWithDrive);
}

void ScanHelpFiles(AnalysisRun& run) {
    // The value's name is the help file, its data the folder that holds it.
    auto helpPath = [](const std::string& name, const std::string& data) {
        return HelpFilePath(data, name);
    };
    // Help folders are written with references (%SystemRoot%\Help, %ProgramFiles%\...) in
    // either string kind; the help engines expand them.
    for (const ViewArea& area : BothViews(kHklm, kHelpKey)) {
        ScanValueList(run, area, 8, 0, "Help File Issue", helpPath, MissingFileWithDrive, true);
    }
    // HTML help entries are tested without the drive-part condition: a rooted path is looked
    // up on the current drive.
    for (const ViewArea& area : BothViews(kHklm, kHtmlHelpKey)) {
        ScanValueList(
            run, area, 8, 1, "Help File Issue", helpPath,
            [](AnalysisRun& run, const std::string& path, RegistryView view) {
                const std::string seen = PathSeenBy(view, path);
                return !FileFound(run, seen) && VolumeReachable(run, seen);
            },
            true);
    }
}

} // namespace mendrake
