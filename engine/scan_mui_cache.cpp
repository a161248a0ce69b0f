// MUI-cache entries of programs that are gone (category 12).
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"

namespace mendrake {

void ScanMuiCache(AnalysisRun& run) {
    const UserScope& user = run.User();
    const std::string key = user.Key("\\Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache");
    RegistryAccess reg(run);
    reg.SetRoot(user.root);
    if (!reg.Open(key)) {
        return;
    }
    for (const std::string& name : reg.ValueNames()) {
        // The name is the program path; names without a drive ("@shell32.dll,-1") are not paths.
        // A name written with environment references is tested where they lead; one that names
        // a variable that is not set can't be judged.
        const std::optional<std::string> path = ExpandedReferences(name, RegistryView::Native);
        if (path && FileMissingWithDrive(run, *path)) {
            AppendIssue(run, 12, 0, "Missing MUI Reference", *path,
                        RootAbbreviation(user.root) + key, user.root, key, name,
                        TextIfString(reg, name), false, {},
                        {Tested(kTestedFile, name, kAnswerAbsent, *path)});
        }
    }
}

} // namespace mendrake
