// The analysis run, the filter behind the issue list, and the list's rows and check zone.
//
// The scanners run on a worker thread, one category per job: the window starts the job of the
// next ticked category, keeps answering while it runs, and takes the job's findings into Issues
// when it has ended. So a mark changed in the tree during a run still counts for the categories
// the run has yet to come to, and Issues is only ever touched on the window's thread.
#include "ui/main_unit.h"

#include "repair/default_ticks.h"

#include "engine/algorithm_unit.h"
#include "engine/error.h"
#include "settings/exclusion_unit.h"
#include "platform/win32/win32_platform.h"
#include "ui/texts.h"
#include "widgets/redraw_off.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>

namespace mendrake {

int AnalysisProgressPosition(int index, int count) {
    if (count <= 1) {
        return 100;
    }
    // nearbyint rounds in the current mode, to nearest with halves to even by default.
    const double exact = static_cast<double>(index) * 100.0 / static_cast<double>(count - 1);
    return std::min(100, static_cast<int>(std::nearbyint(exact)));
}

namespace {

// "574 issues found", with the findings the exclusion list kept out when there were any.
std::string FoundText(std::size_t found, std::size_t excluded = 0) {
    std::string text =
        Text(found == 1 ? IDS_ISSUE_FOUND : IDS_ISSUES_FOUND, {std::to_string(found)});
    if (excluded > 0) {
        text = Text(IDS_FOUND_EXCLUDED, {text, std::to_string(excluded)});
    }
    return text;
}

} // namespace

void T_mainForm::SetButtons(bool analyse, bool fix, bool save) {
    AnalyseAdvToolButton.SetEnabled(analyse);
    FixAdvToolButton.SetEnabled(fix);
    SaveAdvToolButton.SetEnabled(save);
}

void T_mainForm::StartJob(std::function<void(const StopFlag&)> job, StopFlag* stop) {
    HWND window = hwnd_;
    job_ = std::make_unique<BackgroundJob>(
        [job = std::move(job)](const StopFlag& stop) {
            // The shell's shortcut object needs COM on the thread that uses it.
            platform::ComInitialization com;
            job(stop);
        },
        [window] { PostMessageA(window, kJobEnded, 0, 0); }, stop);
    SetTimer(hwnd_, kLiveTimer, kLiveInterval, nullptr);
}

void T_mainForm::AnalyseAdvToolButtonClick() {
    if (work_ == Work::Analysis) {
        StopAnalysis(); // the button reads "Stop" during a run
        return;
    }
    AdvListView.Clear();
    Issues.clear();
    ShownIssues.clear();
    sortColumn_ = -1;
    AdvListView.SetSortArrow(-1, true);
    ShowCounts(false);
    SetButtons(false, false, false);
    AdvOfficeStatusBar.SetProgressMax(100);
    AdvOfficeStatusBar.SetProgressPosition(0);
    AdvOfficeStatusBar.SetProgressNote("");
    scannedCategories_.clear();

    // The stored exclusion list keeps its entries out of Issues. A value that cannot be read
    // is shown once, and the run goes on without a list.
    std::vector<std::string> excluded;
    try {
        excluded = Exclusions();
    } catch (const Error& e) {
        prompts_.Message(hwnd_, e.what(), Text(IDS_TITLE_ERROR), MB_ICONERROR);
        if (closePending_) {
            // The window was closed while the message was up: no run starts, and the window
            // closes as this handler ends.
            AnalyseAdvToolButton.SetEnabled(true);
            return;
        }
    }
    work_ = Work::Analysis;
    run_ = std::make_unique<WindowRun>(excluded);
    AnalyseAdvToolButton.SetText(Text(IDS_STOP));
    AnalyseAdvToolButton.SetEnabled(true);
    StartNextCategory();
}

void T_mainForm::StartNextCategory() {
    WindowRun& run = *run_;
    for (; run.node < NodeCount(); ++run.node) {
        HTREEITEM node = NodeAt(run.node);
        const TLevel* level = LevelOf(node);
        if (StateIndex(node) != 1 || !level || level->HasScanner == 0) {
            continue;
        }
        run.category = level;
        UpdateLiveLine();
        const std::int32_t category = level->Id;
        StartJob([category, &scan = run.scan](const StopFlag&) { RunScanner(category, scan); },
                 &run.scan.Stop());
        return;
    }
    FinishAnalysis(false);
}

void T_mainForm::StopAnalysis() {
    if (run_) {
        run_->stopAsked = true;
        run_->scan.RequestStop();
    }
    AnalyseAdvToolButton.SetEnabled(false); // until the worker has ended
}

void T_mainForm::WorkerEnded() {
    if (!job_ || !job_->Ended()) {
        return;
    }
    KillTimer(hwnd_, kLiveTimer);
    JobOutcome outcome = job_->Take();
    job_.reset();
    if (work_ == Work::Fix) {
        FinishFix(outcome);
        return;
    }
    // The hand-over: the category's findings join Issues on this thread.
    WindowRun& run = *run_;
    Issues.reserve(Issues.size() + run.found.size());
    const std::size_t firstNew = Issues.size();
    std::move(run.found.begin(), run.found.end(), std::back_inserter(Issues));
    // Inferred findings of the newer kinds start unticked, and references follow what they
    // wait on.
    TickAsFound(Issues, firstNew);
    run.found.clear();
    run.nothingRan = false;
    if (outcome.failed) {
        // A scanner's error ends the run where it stands: the issues found so far stay in
        // Issues, the list is not rebuilt, and no fix or log is offered; a new analysis is.
        work_ = Work::None;
        run_.reset();
        AnalyseAdvToolButton.SetText(Text(IDS_ANALYSE));
        SetButtons(true, false, false);
        ShowLive(nullptr);
        throw Error(outcome.error);
    }
    if (outcome.stopped || run.stopAsked) {
        FinishAnalysis(true);
        return;
    }
    scannedCategories_.insert(run.category->Id);
    AdvOfficeStatusBar.SetProgressPosition(AnalysisProgressPosition(run.node, NodeCount()));
    AdvOfficeStatusBar.RepaintNow();
    RefreshShownKeepingSelection();
    ++run.node;
    StartNextCategory();
}

void T_mainForm::FinishAnalysis(bool stopped) {
    KillTimer(hwnd_, kLiveTimer);
    // The run ends here; what the rest of this handler needs of it is kept first.
    const std::unique_ptr<WindowRun> run = std::move(run_);
    const bool nothingRan = run->nothingRan;
    const std::size_t excluded = run->scan.Excluded();
    const TLevel* lastCategory = run->category;
    work_ = Work::None;
    AnalyseAdvToolButton.SetText(Text(IDS_ANALYSE));
    if (stopped) {
        ShowLive([] { return Text(IDS_LIVE_STOPPED); });
        // The bar stays where the run got to and says in which category it ended.
        AdvOfficeStatusBar.SetProgressNote(
            Text(IDS_STOPPED_IN, {lastCategory ? CategoryText(*lastCategory) : ""}));
    } else if (nothingRan) {
        AdvOfficeStatusBar.SetProgressPosition(100);
        ShowLive(nullptr);
    } else {
        AdvOfficeStatusBar.SetProgressPosition(100);
        ShowLive([found = Issues.size(), excluded] { return FoundText(found, excluded); });
    }
    if (nothingRan && !stopped) {
        prompts_.Message(hwnd_, Text(IDS_NO_ISSUES_SELECTED), Text(IDS_TITLE_ERROR), MB_ICONERROR);
    } else if (!Issues.empty()) {
        FixAdvToolButton.SetEnabled(true);
        SaveAdvToolButton.SetEnabled(true);
    }
    ItemsHTMLTreeviewChange(NodeAt(0));
    if (!nothingRan) {
        ShowCounts(true);
    }
    AnalyseAdvToolButton.SetEnabled(true);
}

void T_mainForm::UpdateLiveLine() {
    if (work_ == Work::Analysis) {
        ShowLive([this] {
            // The run's count takes in the findings of the category still being scanned.
            const std::size_t found = run_ ? run_->scan.Found() : Issues.size();
            const std::string category =
                run_ && run_->category ? CategoryText(*run_->category) : "";
            return Text(IDS_LIVE_SCANNING, {category, FoundText(found)});
        });
    } else if (work_ == Work::Fix) {
        AdvOfficeStatusBar.SetProgressPosition(fixProgress_.load());
    }
}

// The rows of the selected node again, after Issues changed.
void T_mainForm::RefreshShown() {
    HTREEITEM selected = reinterpret_cast<HTREEITEM>(
        SendMessageA(ItemsHTMLTreeview, TVM_GETNEXTITEM, TVGN_CARET, 0));
    ItemsHTMLTreeviewChange(selected ? selected : NodeAt(0));
}

// During a run the issues of each category join Issues at its end, behind the ones there: the
// positions in Issues of the rows the user selected stay valid, and those rows are selected
// again wherever the rebuilt (and perhaps sorted) list now shows them.
void T_mainForm::RefreshShownKeepingSelection() {
    std::set<std::int32_t> selected;
    for (int row : AdvListView.SelectedRows()) {
        if (row >= 0 && static_cast<std::size_t>(row) < ShownIssues.size()) {
            selected.insert(ShownIssues[static_cast<std::size_t>(row)]);
        }
    }
    const int focusedRow = AdvListView.FocusedRow();
    const std::int32_t focused =
        focusedRow >= 0 && static_cast<std::size_t>(focusedRow) < ShownIssues.size()
            ? ShownIssues[static_cast<std::size_t>(focusedRow)]
            : -1;
    RefreshShown();
    if (selected.empty() && focused < 0) {
        return;
    }
    std::vector<int> rows;
    int focusRow = -1;
    for (std::size_t row = 0; row < ShownIssues.size(); ++row) {
        if (selected.count(ShownIssues[row]) != 0) {
            rows.push_back(static_cast<int>(row));
        }
        if (ShownIssues[row] == focused) {
            focusRow = static_cast<int>(row);
        }
    }
    AdvListView.SelectRows(rows, focusRow);
}

void T_mainForm::ItemsHTMLTreeviewChange(HTREEITEM node) {
    ShownIssues.clear();
    const TLevel* level = LevelOf(node);
    if (node == NodeAt(0)) {
        for (std::size_t k = 0; k < Issues.size(); ++k) {
            ShownIssues.push_back(static_cast<std::int32_t>(k));
        }
    } else if (level) {
        for (std::size_t k = 0; k < Issues.size(); ++k) {
            if (CategoryShows(*level, Issues[k])) {
                ShownIssues.push_back(static_cast<std::int32_t>(k));
            }
        }
    }
    SortShown();
    const widgets::RedrawOff quiet(AdvListView.hwnd());
    AdvListView.SelectNone();
    AdvListView.SetRowCount(static_cast<int>(ShownIssues.size()));
    FitProblemColumn();
}

void T_mainForm::FitProblemColumn() {
    // Each distinct problem is measured once: the rows repeat a few dozen texts.
    std::set<std::string> problems;
    for (std::int32_t k : ShownIssues) {
        if (k >= 0 && static_cast<std::size_t>(k) < Issues.size()) {
            problems.insert(Issues[static_cast<std::size_t>(k)].Problem);
        }
    }
    problemWidth_ = AdvListView.TextWidth(Text(IDS_COLUMN_PROBLEM));
    for (const std::string& problem : problems) {
        problemWidth_ = std::max(problemWidth_, AdvListView.TextWidth(ProblemText(problem)));
    }
    PlaceProblemColumn();
}

void T_mainForm::PlaceProblemColumn() {
    int box = 0, boxHeight = 0;
    ImageList_GetIconSize(CheckboxImageList.get(), &box, &boxHeight);
    // The design's width at least; at most two fifths of the list, so that the data and the
    // key keep room (the tip over a row shows the whole of a problem cut there).
    RECT list{};
    GetClientRect(AdvListView.hwnd(), &list);
    const int design = Scale(165);
    const int most = std::max(design, static_cast<int>(list.right) * 2 / 5);
    AdvListView.SetColumnWidth(0, std::clamp(problemWidth_ + box + Scale(16), design, most));
}

namespace {

// The issue behind a list row, or nothing when the row is outside ShownIssues or Issues.
TItem* IssueOfRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= ShownIssues.size()) {
        return nullptr;
    }
    const std::int32_t k = ShownIssues[static_cast<std::size_t>(row)];
    if (k < 0 || static_cast<std::size_t>(k) >= Issues.size()) {
        return nullptr;
    }
    return &Issues[static_cast<std::size_t>(k)];
}

} // namespace

std::vector<TItem*> T_mainForm::SelectedIssues() {
    std::vector<TItem*> issues;
    for (int row : AdvListView.SelectedRows()) {
        if (TItem* issue = IssueOfRow(row)) {
            issues.push_back(issue);
        }
    }
    return issues;
}

void T_mainForm::AdvListViewData(int row, widgets::ListRow& content) {
    if (AdvListView.RowCount() <= 0) {
        return;
    }
    const TItem* issue = IssueOfRow(row);
    if (!issue) {
        return;
    }
    content.stateImage = issue->Selected != 0 ? 1 : 0;
    content.caption = ProblemText(issue->Problem);
    content.subItems = {issue->Data, issue->KeyText};
}

void T_mainForm::AdvListViewLeftClickCell(int row, int column, POINT point) {
    // The check box is the 20-pixel zone at the left edge of the "Problem" column.
    if (row >= 0 && column == 0 && point.x < Scale(20)) {
        if (TItem* issue = IssueOfRow(row)) {
            issue->Selected = issue->Selected == 1 ? 0 : 1;
            TickDependents(Issues);
        }
    }
    AdvListView.Repaint();
}

void T_mainForm::ShowEvidenceOf(int row) {
    const TItem* issue = row >= 0 ? IssueOfRow(row) : nullptr;
    SetWindowTextA(EvidencePane, issue != nullptr ? EvidenceText(*issue).c_str() : "");
}

} // namespace mendrake
