// Where an issue points, in the forms other programs and the user's clipboard take: the path
// the registry editor opens at, the text of a copied row, the entry that excludes the issue.
#pragma once

#include "engine/issue_model.h"

#include <string>
#include <vector>

namespace mendrake {

// The issue's key as the registry editor names it ("Computer\HKEY_CURRENT_USER\Software\..."),
// the key that holds the value for a value issue; empty for the file categories, whose Key is a
// folder.
std::string RegistryEditorPath(const TItem& issue);
// One line per issue, "Problem<TAB>Data<TAB>Key" with CR LF, as a spreadsheet pastes it.
std::string RowsAsText(const std::vector<const TItem*>& issues);
// The location that excludes the issue: the shortcut file (folder and name) for the file
// categories, the key and the value's name for a value, the key for a key.
std::string ExclusionEntry(const TItem& issue);
// For "Open File Location": the file of a file issue, or the path named by Data when it has a
// drive part; empty when the issue names no place on a disk.
std::string FileLocationOf(const TItem& issue);

} // namespace mendrake
