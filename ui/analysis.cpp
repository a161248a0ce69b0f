// The analysis run, the filter behind the issue list, and the list's rows and check zone.
#include "ui/main_unit.h"

#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/error.h"
#include "engine/exclusion_list.h"
#include "settings/exclusion_unit.h"

#include <algorithm>
#include <cmath>

namespace mendrake {

int AnalysisProgressPosition(int index, int count) {
    if (count <= 1) {
        return 100;
    }
    // nearbyint rounds in the current mode, to nearest with halves to even by default.
    const double exact = static_cast<double>(index) * 100.0 / static_cast<double>(count - 1);
    return std::min(100, static_cast<int>(std::nearbyint(exact)));
}

void T_mainForm::SetButtons(bool analyse, bool fix, bool save) {
    AnalyseAdvToolButton.SetEnabled(analyse);
    FixAdvToolButton.SetEnabled(fix);
    SaveAdvToolButton.SetEnabled(save);
}

void T_mainForm::ProcessPendingMessages() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the outer loop
            return;
        }
        if (IsDialogMessageA(hwnd_, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void T_mainForm::AnalyseAdvToolButtonClick() {
    AdvListView.Clear();
    Issues.clear();
    SetButtons(false, false, false);
    AdvOfficeStatusBar.SetProgressMax(100);
    AdvOfficeStatusBar.SetProgressPosition(0);

    analysing_ = true;
    struct RunEnd {
        bool& flag;
        ~RunEnd() { flag = false; }
    } runEnd{analysing_};
    ExistenceCacheScope existenceCache;
    // The stored exclusion list keeps its entries out of Issues. A value that cannot be read
    // is shown once, and the run goes on without a list.
    std::vector<std::string> excluded;
    try {
        excluded = Exclusions();
    } catch (const Error& e) {
        prompts_.Message(hwnd_, e.what(), "Error", MB_ICONERROR);
    }
    ExclusionScope exclusions(excluded);
    bool nothingRan = true;
    for (int i = 0; i < NodeCount() && !closePending_; ++i) {
        HTREEITEM node = NodeAt(i);
        const TLevel* level = LevelOf(node);
        if (StateIndex(node) != 1 || !level || level->HasScanner == 0) {
            continue;
        }
        ProcessPendingMessages();
        if (closePending_) {
            break;
        }
        RunScanner(level->Id);
        AdvOfficeStatusBar.SetProgressPosition(AnalysisProgressPosition(i, NodeCount()));
        AdvOfficeStatusBar.RepaintNow();
        nothingRan = false;
    }
    if (closePending_) {
        // The user closed the window during the run: stop here and close it now.
        PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        return;
    }
    AdvOfficeStatusBar.SetProgressPosition(100);
    if (nothingRan) {
        prompts_.Message(hwnd_, "No issues selected", "Error", MB_ICONERROR);
    } else if (!Issues.empty()) {
        FixAdvToolButton.SetEnabled(true);
        SaveAdvToolButton.SetEnabled(true);
    }
    ItemsHTMLTreeviewChange(NodeAt(0));
    AnalyseAdvToolButton.SetEnabled(true);
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
    AdvListView.SetRowCount(static_cast<int>(ShownIssues.size()));
    AdvListView.Repaint();
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

void T_mainForm::AdvListViewData(int row, widgets::ListRow& content) {
    if (AdvListView.RowCount() <= 0) {
        return;
    }
    const TItem* issue = IssueOfRow(row);
    if (!issue) {
        return;
    }
    content.stateImage = issue->Selected != 0 ? 1 : 0;
    content.caption = issue->Problem;
    content.subItems = {issue->Data, issue->KeyText};
}

void T_mainForm::AdvListViewLeftClickCell(int row, int column, POINT point) {
    // The check box is the 20-pixel zone at the left edge of the "Problem" column.
    if (row >= 0 && column == 0 && point.x < widgets::Scale(20)) {
        if (TItem* issue = IssueOfRow(row)) {
            issue->Selected = issue->Selected == 1 ? 0 : 1;
        }
    }
    AdvListView.Repaint();
}

} // namespace mendrake
