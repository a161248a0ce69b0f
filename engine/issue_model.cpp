#include "engine/issue_model.h"

#include "engine/dependent_findings.h"
#include "engine/exclusion_list.h"

namespace mendrake {

std::vector<TItem> Issues;

namespace {
thread_local IssueSink* threadSink = nullptr;
} // namespace

IssueSinkScope::IssueSinkScope(IssueSink& sink) : previous_(threadSink) {
    threadSink = &sink;
}

IssueSinkScope::~IssueSinkScope() {
    threadSink = previous_;
}

void AppendIssue(std::int32_t category, std::int32_t kind, std::string problem, std::string data,
                 std::string keyText, std::uint32_t rootKey, std::string key, std::string value,
                 std::string valueData, bool deleteKey, std::vector<std::string> dependsOn) {
    if (ExcludeFinding(keyText, value)) {
        return;
    }
    IssueSink* sink = threadSink;
    TItem& item = sink != nullptr ? sink->items.emplace_back() : Issues.emplace_back();
    item.Selected = 1;
    item.Category = category;
    item.Kind = kind;
    item.Problem = std::move(problem);
    item.Data = std::move(data);
    item.KeyText = std::move(keyText);
    item.RootKey = rootKey;
    item.Key = std::move(key);
    item.Value = std::move(value);
    item.ValueData = std::move(valueData);
    item.DeleteKey = deleteKey;
    item.DependsOn = std::move(dependsOn);
    if (deleteKey) {
        NoteKeyRemoval(DeletedLocation(item));
    }
    if (sink != nullptr) {
        sink->count.fetch_add(1);
    }
}

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

bool CategoryShows(const TLevel& level, const TItem& issue) {
    if (level.ParentId == RootLevel.ParentId) { // the root node lists everything
        return true;
    }
    if (level.HasScanner != 0) {
        return issue.Category == level.Id;
    }
    return issue.Category == level.Id || is_child(level.Id, issue.Category);
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
