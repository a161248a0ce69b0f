// What the user does with the issue list beyond ticking one row: several rows selected, Space,
// Ctrl+A, typing to find a row, sorting by a column, the context menu and its commands, and the
// counts of issues in the tree's captions.
#include "ui/main_unit.h"

#include "repair/default_ticks.h"

#include "engine/error.h"
#include "repair/issue_locations.h"
#include "platform/platform.h"
#include "settings/exclusion_unit.h"
#include "ui/clipboard.h"
#include "ui/exclusions_dialog.h"
#include "ui/texts.h"
#include "widgets/redraw_off.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace mendrake {

namespace {

// The context menu's entries.
enum MenuCommand : UINT {
    kOpenInRegistryEditor = 1,
    kOpenFileLocation,
    kCopy,
    kExclude,
    kTickAll,
    kUntickAll,
    kExclusions,
    kWhy,
};

const char* const kRegeditKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// The column's text of an issue, as the row shows it; `problem` is the shown problem text.
const std::string& ColumnText(const TItem& issue, int column, const std::string& problem) {
    switch (column) {
    case 1:
        return issue.Data;
    case 2:
        return issue.KeyText;
    default:
        return problem;
    }
}

// The user's own comparison of texts, without regard to case, as Explorer sorts names.
int CompareTexts(const std::string& a, const std::string& b) {
    const int result =
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                       b.c_str(), static_cast<int>(b.size()));
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return prefix.size() <= text.size() &&
           CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(),
                          static_cast<int>(prefix.size()), prefix.c_str(),
                          static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

// The deepest folder of `path` that exists, tested directly on the file system (the run's
// existence cache belongs to the worker); empty when not even the drive is there.
std::string NearestExistingFolder(std::string path) {
    while (!path.empty()) {
        const std::uint32_t attributes = platform::Os().FileAttributes(path);
        if (attributes != platform::kInvalidAttributes &&
            (attributes & platform::kAttrDirectory) != 0) {
            return path;
        }
        if (path.back() == '\\') {
            path.pop_back();
        }
        const std::size_t cut = path.find_last_of('\\');
        if (cut == std::string::npos) {
            return {};
        }
        path.erase(cut + 1); // "C:\" keeps its backslash: "C:" alone is the drive's current folder
    }
    return {};
}

struct CategoryCount {
    std::size_t all = 0;
    std::size_t inferred = 0;
};

// The issues of each category, counted in one pass: the tree's nodes then add up the categories
// they show instead of each walking every issue.
std::map<std::int32_t, CategoryCount> CountsByCategory() {
    std::map<std::int32_t, CategoryCount> counts;
    for (const TItem& issue : Issues) {
        CategoryCount& count = counts[issue.Category];
        ++count.all;
        if (CertaintyOf(issue) == Certainty::Inferred) {
            ++count.inferred;
        }
    }
    return counts;
}

} // namespace

void T_mainForm::ShowCounts(bool withCounts) {
    countsShown_ = withCounts;
    const std::map<std::int32_t, CategoryCount> counts =
        withCounts ? CountsByCategory() : std::map<std::int32_t, CategoryCount>{};
    const widgets::RedrawOff quiet(ItemsHTMLTreeview);
    for (int i = 0; i < NodeCount(); ++i) {
        HTREEITEM node = NodeAt(i);
        const TLevel* level = LevelOf(node);
        if (!level) {
            continue;
        }
        std::string caption = CategoryText(i == 0 ? RootLevel : *level);
        if (withCounts) {
            CategoryCount shown;
            for (const auto& [category, count] : counts) {
                if (CategoryShows(*level, category)) {
                    shown.all += count.all;
                    shown.inferred += count.inferred;
                }
            }
            if (shown.inferred > 0) {
                caption += " (" +
                           Text(IDS_COUNT_INFERRED,
                                {std::to_string(shown.all), std::to_string(shown.inferred)}) +
                           ")";
            } else if (shown.all > 0 || CountKnown(*level)) {
                caption += " (" + std::to_string(shown.all) + ")";
            }
        }

        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = caption.data();
        SendMessageA(ItemsHTMLTreeview, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

bool T_mainForm::CountKnown(const TLevel& level) const {
    if (level.HasScanner != 0) {
        return scannedCategories_.count(level.Id) != 0;
    }
    // The root and the groups: known when any category they list was scanned to its end.
    return std::any_of(scannedCategories_.begin(), scannedCategories_.end(),
                       [&](std::int32_t category) {
                           return level.ParentId == RootLevel.ParentId || category == level.Id ||
                                  is_child(level.Id, category);
                       });
}

bool T_mainForm::AdvListViewKeyDown(UINT key) {
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (key == VK_SPACE) {
        ToggleSelectedTicks();
    } else if (key == 'A' && control) {
        AdvListView.SelectAll();
    } else if (key == 'C' && control) {
        CopySelected();
    } else {
        return false;
    }
    return true;
}

// Space gives every selected row the opposite of the focused row's tick (of the first selected
// row's when the focus is elsewhere), so a mixed selection ends uniform, as in Explorer.
void T_mainForm::ToggleSelectedTicks() {
    const std::vector<TItem*> issues = SelectedIssues();
    if (issues.empty()) {
        return;
    }
    const TItem* leader = issues.front();
    const int focused = AdvListView.FocusedRow();
    const std::vector<int> rows = AdvListView.SelectedRows();
    const auto at = std::find(rows.begin(), rows.end(), focused);
    if (at != rows.end()) {
        leader = issues[static_cast<std::size_t>(at - rows.begin())];
    }
    const std::int32_t ticked = leader->Selected != 0 ? 0 : 1;
    for (TItem* issue : issues) {
        issue->Selected = ticked;
    }
    TicksChanged();
}

void T_mainForm::TickShown(bool ticked) {
    for (std::int32_t k : ShownIssues) {
        Issues[static_cast<std::size_t>(k)].Selected = ticked ? 1 : 0;
    }
    TicksChanged();
}

void T_mainForm::TicksChanged() {
    TickDependents(Issues);
    AdvListView.Repaint();
}

void T_mainForm::ShowWhyReported() {
    const std::vector<TItem*> issues = SelectedIssues();
    if (issues.empty()) {
        return;
    }
    const TItem& issue = *issues.front();
    prompts_.Message(hwnd_,
                     ProblemText(issue.Problem) + "\r\n" + issue.KeyText +
                         (issue.Value.empty() ? "" : "\\" + issue.Value) + "\r\n\r\n" +
                         EvidenceText(issue),
                     Text(IDS_WHY_TITLE), MB_ICONINFORMATION);
}

void T_mainForm::CopySelected() {
    const std::vector<TItem*> issues = SelectedIssues();
    if (issues.empty()) {
        return;
    }
    PutClipboardText(hwnd_, RowsAsText({issues.begin(), issues.end()}));
}

void T_mainForm::OpenInRegistryEditor() {
    const std::vector<TItem*> issues = SelectedIssues();
    if (issues.empty()) {
        return;
    }
    const std::string path = RegistryEditorPath(*issues.front());
    if (path.empty()) {
        return;
    }
    // The registry editor opens at the key it last showed, which it keeps in this value.
    platform::Platform& os = platform::Os();
    platform::Hkey key = 0;
    if (os.CreateKey(platform::kCurrentUser, kRegeditKey, key) != platform::kSuccess) {
        throw Error(Text(IDS_REGEDIT_LAST_KEY));
    }
    std::string data = path;
    data.push_back('\0');
    const long status = os.SetValue(key, "LastKey", platform::kRegSz, data);
    os.CloseKey(key);
    if (status != platform::kSuccess) {
        throw Error(Text(IDS_REGEDIT_LAST_KEY));
    }
    if (!prompts_.StartProgram("regedit.exe", "")) {
        throw Error(Text(IDS_REGEDIT_START));
    }
}

void T_mainForm::OpenFileLocation() {
    const std::vector<TItem*> issues = SelectedIssues();
    if (issues.empty()) {
        return;
    }
    const TItem& issue = *issues.front();
    const std::string location = FileLocationOf(issue);
    if (location.empty()) {
        return;
    }
    if (IsFileCategory(issue.Category)) {
        // Explorer opens the shortcut's folder with the shortcut selected.
        prompts_.StartProgram("explorer.exe", "/select,\"" + location + "\"");
        return;
    }
    const std::string folder = NearestExistingFolder(location);
    if (folder.empty()) {
        throw Error(Text(IDS_LOCATION_UNREACHABLE, {location}));
    }
    prompts_.StartProgram("explorer.exe", "\"" + folder + "\"");
}

void T_mainForm::ExcludeSelected() {
    const std::vector<TItem*> issues = SelectedIssues();
    if (issues.empty()) {
        return;
    }
    std::vector<std::string> entries;
    entries.reserve(issues.size());
    for (const TItem* issue : issues) {
        entries.push_back(ExclusionEntry(*issue));
    }
    // One read and one write of the stored list for all the rows; an entry the list names
    // already covers its row just the same.
    AddExclusions(entries);
    // Every row the new entries cover goes, from the list and from Issues, so that the log, the
    // backup and the fix no longer see them either.
    const ExclusionMatcher added(entries);
    std::erase_if(Issues,
                  [&](const TItem& issue) { return added.Covers(issue.KeyText, issue.Value); });
    RefreshShown();
    if (countsShown_) {
        ShowCounts(true);
    }
    if (Issues.empty()) {
        FixAdvToolButton.SetEnabled(false);
        SaveAdvToolButton.SetEnabled(false);
    }
}

void T_mainForm::ShowExclusions() {
    ExclusionsDialog dialog(
        {[] { return Exclusions(); }, [](const std::string& entry) { RemoveExclusion(entry); }},
        prompts_);
    dialog.ShowModal(hwnd_);
}

void T_mainForm::AdvListViewContextMenu(POINT screen) {
    if (Busy()) {
        return;
    }
    const std::vector<TItem*> issues = SelectedIssues();
    const TItem* first = issues.empty() ? nullptr : issues.front();
    const bool registry = first && !RegistryEditorPath(*first).empty();
    const bool file = first && !FileLocationOf(*first).empty();
    const bool rows = AdvListView.RowCount() > 0 && !ShownIssues.empty();

    HMENU menu = CreatePopupMenu();
    auto add = [menu](UINT id, int text, bool enabled) {
        AppendMenuA(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, Text(text).c_str());
    };
    add(kWhy, IDS_MENU_WHY, first != nullptr);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(kOpenInRegistryEditor, IDS_MENU_OPEN_REGEDIT, registry);
    add(kOpenFileLocation, IDS_MENU_OPEN_LOCATION, file);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(kCopy, IDS_MENU_COPY, first != nullptr);
    add(kExclude, IDS_MENU_EXCLUDE, first != nullptr);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(kTickAll, IDS_MENU_TICK_ALL, rows);
    add(kUntickAll, IDS_MENU_UNTICK_ALL, rows);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(kExclusions, IDS_MENU_EXCLUSIONS, true);
    const UINT chosen = prompts_.ChooseFromMenu(hwnd_, menu, screen);
    DestroyMenu(menu);

    switch (chosen) {
    case kOpenInRegistryEditor:
        OpenInRegistryEditor();
        break;
    case kOpenFileLocation:
        OpenFileLocation();
        break;
    case kCopy:
        CopySelected();
        break;
    case kExclude:
        ExcludeSelected();
        break;
    case kExclusions:
        ShowExclusions();
        break;
    case kWhy:
        ShowWhyReported();
        break;
    case kTickAll:
        TickShown(true);
        break;
    case kUntickAll:
        TickShown(false);
        break;
    default:
        break;
    }
}

void T_mainForm::AdvListViewColumnClick(int column) {
    if (column < 0 || column > 2) {
        return; // the fourth column has no caption and nothing to sort by
    }
    sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
    sortColumn_ = column;
    AdvListView.SetSortArrow(sortColumn_, sortAscending_);
    SortShown();
    AdvListView.SelectNone();
    AdvListView.Repaint();
}

// Orders the shown rows, never Issues: the log, the backup and the fix keep the order in which
// the scanners found the issues. Equal texts keep that order too.
void T_mainForm::SortShown() {
    if (sortColumn_ < 0) {
        return;
    }
    const int column = sortColumn_;
    const bool ascending = sortAscending_;
    // The problem texts as shown, looked up once per issue rather than once per comparison.
    std::vector<std::string> problems(column == 0 ? Issues.size() : 0);
    for (std::int32_t k : ShownIssues) {
        if (column == 0) {
            problems[static_cast<std::size_t>(k)] =
                ProblemText(Issues[static_cast<std::size_t>(k)].Problem);
        }
    }
    auto text = [&](std::int32_t k) -> const std::string& {
        const auto at = static_cast<std::size_t>(k);
        return ColumnText(Issues[at], column, column == 0 ? problems[at] : Issues[at].Problem);
    };
    std::sort(ShownIssues.begin(), ShownIssues.end(), [&](std::int32_t a, std::int32_t b) {
        const int order = CompareTexts(text(a), text(b));
        if (order == 0) {
            return a < b; // equal texts in the order found, whichever way the column is sorted
        }
        return ascending ? order < 0 : order > 0;
    });
}

int T_mainForm::AdvListViewFindRow(int start, const std::string& text) const {
    const int count = static_cast<int>(ShownIssues.size());
    if (count == 0 || text.empty()) {
        return -1;
    }
    start = start < 0 || start >= count ? 0 : start; // past the last row: from the top again
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        const TItem& issue =
            Issues[static_cast<std::size_t>(ShownIssues[static_cast<std::size_t>(row)])];
        if (StartsWithIgnoringCase(ProblemText(issue.Problem), text)) {
            return row;
        }
    }
    return -1;
}

} // namespace mendrake
