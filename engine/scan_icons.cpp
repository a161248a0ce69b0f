#include "engine/scan_icons.h"

#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/scanner_paths.h"

namespace mendrake {

bool CheckDefaultIcon(AnalysisRun& run, RegistryAccess& reg, const ClassesKey& owner,
                      RegistryView view, std::int32_t category, std::int32_t kind,
                      const ViewArea* area) {
    const ClassesKey icon = owner.Below("DefaultIcon");
    reg.SetRoot(icon.Root());
    return reg.Open(icon.Key()) && CheckOpenDefaultIcon(run, reg, icon, view, category, kind, area);
}

bool CheckOpenDefaultIcon(AnalysisRun& run, RegistryAccess& reg, const ClassesKey& icon,
                          RegistryView view, std::int32_t category, std::int32_t kind,
                          const ViewArea* area) {
    const std::string text = TextIfString(reg, "");
    // Environment references are expanded as a program of the view has them; what still
    // cannot be tested ("%1", a variable that is not set) names no file.
    const std::string path =
        IconFilePath(text.find('%') == std::string::npos ? text : ExpandedPath(text, view));
    // The key holds the icon's name and nothing else: one with subkeys of its own stays.
    if (!FileMissingWithDrive(run, path, view) || reg.SubkeyCount() != 0 ||
        (area != nullptr && !area->Holds(reg))) {
        return false;
    }
    AppendIssue(run, category, kind, "Missing Icon", path, icon.KeyText(), icon.Root(), icon.Key(),
                "", text, true, {}, {Tested(kTestedFile, IconFilePath(text), kAnswerAbsent, path)});
    return true;
}

} // namespace mendrake
