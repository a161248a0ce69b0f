#include "repair/issue_locations.h"

#include "engine/ansi_text.h"
#include "engine/common_unit.h"
#include "repair/regexport_unit.h"

namespace mendrake {

std::string RegistryEditorPath(const TItem& issue) {
    const std::string root = RootKeyName(issue.RootKey);
    if (IsFileCategory(issue.Category) || root.empty()) {
        return {};
    }
    std::string key(WithoutTrailingBackslashes(issue.Key));
    if (!key.empty() && key.front() != '\\') {
        key.insert(key.begin(), '\\');
    }
    return "Computer\\" + root + key;
}

std::string RowsAsText(const std::vector<const TItem*>& issues) {
    std::string text;
    for (const TItem* issue : issues) {
        text += issue->Problem + "\t" + issue->Data + "\t" + issue->KeyText + "\r\n";
    }
    return text;
}

namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || WithoutTrailingBackslashes(folder).size() < folder.size()) {
        return folder + name;
    }
    return folder + "\\" + name;
}

} // namespace

std::string ExclusionEntry(const TItem& issue) {
    if (IsFileCategory(issue.Category)) {
        return JoinPath(issue.KeyText, issue.Value);
    }
    if (!issue.DeleteKey && !issue.Value.empty()) {
        return JoinPath(issue.KeyText, issue.Value);
    }
    return issue.KeyText;
}

std::string FileLocationOf(const TItem& issue) {
    if (IsFileCategory(issue.Category)) {
        return JoinPath(issue.Key, issue.Value);
    }
    return DrivePart(issue.Data).empty() ? std::string() : issue.Data;
}

} // namespace mendrake
