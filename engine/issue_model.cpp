#include "engine/issue_model.h"

#include <iterator>

namespace mendrake {

std::vector<TItem> Issues;

const TLevel Levels[kLevelCount] = {
    {1, 0, "Registry", 0, 1},
    {2, 0, "Files", 0, 4},
    {3, 1, "Shared DLLs", 1, 1},
    {4, 1, "File Extensions", 1, 1},
    {5, 1, "ActiveX and Classes", 1, 1},
    {6, 1, "Applications", 1, 1},
    {7, 1, "Fonts", 1, 1},
    {8, 1, "Help Files", 1, 1},
    {9, 1, "Install", 1, 1},
    {10, 1, "Run", 1, 1},
    {11, 1, "Type Libraries", 1, 1},
    {12, 1, "MUI Cache", 1, 1},
    {15, 1, "Shell Extensions", 1, 1},
    {16, 1, "Sound Events", 1, 1},
    {13, 2, "Start Menu", 1, 4},
    {14, 2, "Desktop", 1, 4},
};

const TLevel RootLevel = {0, -1, "Registry", 0, 0};

bool is_child(std::int32_t parent, std::int32_t child) {
    bool found = false;
    std::int32_t parentOfChild = 0;
    for (const TLevel& level : Levels) {
        if (level.Id == child) {
            found = true;
            parentOfChild = level.ParentId; // the last matching row counts
        }
    }
    return found && parentOfChild == parent;
}

bool CategoryShows(const TLevel& level, std::int32_t category) {
    if (level.ParentId == RootLevel.ParentId) { // the root node lists everything
        return true;
    }
    if (level.HasScanner != 0) {
        return category == level.Id;
    }
    return category == level.Id || is_child(level.Id, category);
}

bool CategoryShows(const TLevel& level, const TItem& issue) {
    return CategoryShows(level, issue.Category);
}

const TProblemKind ProblemKinds[] = {
    {"Missing Shared DLL", Certainty::Direct, true},
    {"Unused File Extension", Certainty::Direct, true},
    {"Unused File Extension (program id being removed)", Certainty::Inferred, true},
    {"Unused File Extension (left empty by the fix)", Certainty::Inferred, false},
    {"Missing Icon", Certainty::Direct, true},
    {"COM Issue", Certainty::Direct, true},
    {"COM Issue (class being removed)", Certainty::Inferred, true},
    {"Interface Issue", Certainty::Direct, true},
    {"Interface Issue (class being removed)", Certainty::Inferred, true},
    {"Interface Issue (type library being removed)", Certainty::Inferred, true},
    {"Open with Issue", Certainty::Direct, true},
    {"Open with Issue (left empty by the fix)", Certainty::Inferred, false},
    {"Application Path Issue", Certainty::Direct, true},
    {"Obsolete Software Key", Certainty::Direct, true},
    {"Software Key of Removed Program", Certainty::Inferred, false},
    {"Font Issue", Certainty::Direct, true},
    {"Help File Issue", Certainty::Direct, true},
    {"Installer Reference Issue", Certainty::Direct, true},
    {"Uninstaller Reference Issue", Certainty::Direct, true},
    {"Uninstaller Reference Issue (uninstall entry being removed)", Certainty::Inferred, true},
    {"Uninstall Entry of Removed Program", Certainty::Inferred, false},
    {"Run Issue", Certainty::Direct, true},
    {"Type Library Issue", Certainty::Direct, true},
    {"Type Library Issue (left empty by the fix)", Certainty::Inferred, false},
    {"Missing MUI Reference", Certainty::Direct, true},
    {"Shell Extension Issue", Certainty::Direct, true},
    {"Shell Extension Issue (class being removed)", Certainty::Inferred, true},
    {"Sound Event Issue", Certainty::Direct, true},
    {"Start Menu Issue", Certainty::Direct, true},
    {"Desktop Issue", Certainty::Direct, true},
};
const std::size_t kProblemKindCount = std::size(ProblemKinds);

const TProblemKind* ProblemKindOf(const TItem& issue) {
    for (const TProblemKind& kind : ProblemKinds) {
        if (issue.Problem == kind.Problem) {
            return &kind;
        }
    }
    return nullptr;
}

Certainty CertaintyOf(const TItem& issue) {
    const TProblemKind* kind = ProblemKindOf(issue);
    return kind == nullptr ? Certainty::Direct : kind->Sureness;
}

const char* CertaintyName(Certainty certainty) {
    return certainty == Certainty::Direct ? "direct" : "inferred";
}

std::string IssueBlock(const TItem& issue) {
    std::string block;
    block.reserve(160 + issue.Problem.size() + issue.Data.size() + issue.KeyText.size() +
                  issue.Key.size() + issue.Value.size() + issue.ValueData.size());
    block += issue.Selected != 0 ? "Selected: Yes\r\n" : "Selected: No\r\n";
    block += "Issue: " + std::to_string(issue.Category) + "," + std::to_string(issue.Kind) + "\r\n";
    block += "uProblem: " + issue.Problem + "\r\n";
    block += "uData: " + issue.Data + "\r\n";
    block += "uKey: " + issue.KeyText + "\r\n";
    block += "Section: " + std::to_string(issue.RootKey) + "\r\n";
    block += "Key: " + issue.Key + "\r\n";
    block += "Value: " + issue.Value + "\r\n";
    block += "Data: " + issue.ValueData + "\r\n";
    block += issue.DeleteKey ? "Delete Key: Yes\r\n" : "Delete Key: No\r\n";
    block += "\r\n";
    return block;
}

} // namespace mendrake
