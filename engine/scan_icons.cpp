#include "engine/scan_icons.h"

#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "engine/scanner_paths.h"

namespace mendrake {

bool CheckDefaultIcon(RegistryAccess& reg, const ClassesKey& owner, RegistryView view,
                      std::int32_t category, std::int32_t kind, const ViewArea* area) {
    const ClassesKey icon = owner.Below("DefaultIcon");
    reg.SetRoot(icon.Root());
    if (!reg.Open(icon.Key())) {
        return false;
    }
    const std::string text = TextIfString(reg, "");
    const std::string path = IconFilePath(text);
    // The key holds the icon's name and nothing else: one with subkeys of its own stays.
    if (!FileMissingWithDrive(path, view) || reg.SubkeyCount() != 0 ||
        (area != nullptr && !area->Holds(reg))) {
        return false;
    }
    AppendIssue(category, kind, "Missing Icon", path, icon.KeyText(), icon.Root(), icon.Key(), "",
                text, true);
    return true;
}

} // namespace mendrake
