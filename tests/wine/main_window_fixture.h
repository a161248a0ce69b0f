// The main window created in-process under Wine, and the helpers that drive it with the
// messages a user's clicks and keys produce.
#pragma once

#include "ui/main_unit.h"

#include "engine/issue_model.h"
#include "platform/platform.h"
#include "tests/support/fixtures.h"
#include "tests/wine/window_capture.h"
#include "ui/texts.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace mendrake::test {

class RecordingPrompts : public Prompts {
  public:
    struct Shown {
        std::string text, title;
        UINT icon;
    };
    void Message(HWND, const std::string& text, const std::string& title, UINT icon) override {
        messages.push_back({text, title, icon});
        if (duringMessage) {
            duringMessage(); // what arrives while a real box would run its modal loop
        }
    }
    // The menu's entries as shown ("-" before a greyed one, access-key marks left out), and
    // the entry chosen: the one whose text starts with `menuChoice`, none when it is empty.
    UINT ChooseFromMenu(HWND owner, HMENU menu, POINT at) override {
        if (realMenu) {
            return Prompts::ChooseFromMenu(owner, menu, at);
        }
        menuEntries.clear();
        UINT chosen = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char marked[128] = {};
            GetMenuStringA(menu, static_cast<UINT>(i), marked, sizeof marked, MF_BYPOSITION);
            if (!marked[0]) {
                continue; // a separator
            }
            const std::string text = WithoutAccessKey(marked); // as the menu shows it
            const bool grey = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) &
                               (MF_GRAYED | MF_DISABLED)) != 0;
            std::string entry = grey ? "-" : "";
            entry += text;
            menuEntries.push_back(entry);
            if (!menuChoice.empty() && !grey && text.rfind(menuChoice, 0) == 0) {
                chosen = GetMenuItemID(menu, i);
            }
        }
        return chosen;
    }
    bool StartProgram(const std::string& program, const std::string& parameters) override {
        started.push_back(program + " " + parameters);
        return true;
    }
    bool AskSavePath(HWND, const SaveDialogOptions& options, std::string& path) override {
        dialog = options;
        ++dialogs;
        if (!savePath) {
            return false;
        }
        path = *savePath;
        return true;
    }
    bool AskOpenPath(HWND, const SaveDialogOptions& options, std::string& path) override {
        openDialog = options;
        if (!openPath) {
            return false;
        }
        path = *openPath;
        return true;
    }
    std::optional<std::string> openPath; // none: the user cancels
    SaveDialogOptions openDialog;
    bool Confirm(HWND, const std::string& text, const std::string&) override {
        questions.push_back(text);
        if (!answers.empty()) {
            const bool answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        }
        return confirm;
    }
    std::vector<bool> answers; // the next questions' answers, before `confirm` answers again
    std::vector<Shown> messages;
    // The questions before an action that cannot be taken back, answered with `act`.
    bool ConfirmAction(HWND, const std::string& text, const std::string& title,
                       const std::string& action) override {
        actions.push_back({text, title, action});
        if (duringMessage) {
            duringMessage();
        }
        return act;
    }
    struct Asked {
        std::string text, title, action;
    };
    std::vector<Asked> actions;
    bool act = true; // the action chosen; false: Cancel
    std::vector<std::string> questions;
    bool confirm = false;                // the answer to every question
    std::optional<std::string> savePath; // none: the user cancels
    SaveDialogOptions dialog;
    int dialogs = 0;
    std::function<void()> duringMessage;
    std::string menuChoice;
    bool realMenu = false; // the menu on the screen, for a picture
    std::vector<std::string> menuEntries;
    std::vector<std::string> started; // programs started: "program parameters"
};

inline void Pump() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A left click at `point` of `hwnd`'s client area, as the mouse makes it. The controls track
// the mouse after the button goes down until the button-up message arrives, so that one is
// queued first.
inline void ClickAt(HWND hwnd, POINT point) {
    POINT screen = point;
    ClientToScreen(hwnd, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM at = MAKELPARAM(point.x, point.y);
    PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Pump();
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Records the progress position each time the status bar paints.
inline std::vector<int> recorded;
inline LRESULT CALLBACK RecordProgress(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR data) {
    if (message == WM_PAINT) {
        const auto* form = reinterpret_cast<const T_mainForm*>(data);
        recorded.push_back(form->AdvOfficeStatusBar.ProgressPosition());
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        Issues.clear();
        ShownIssues.clear();
        MakeBackup = false;
        form = std::make_unique<T_mainForm>(prompts);
        form->Show(SW_SHOWNORMAL);
        SetForegroundWindow(form->hwnd());
        Pump();
    }
    void TearDown() override {
        form.reset();
        Pump();
        Issues.clear();
    }

    HWND Tree() const { return form->ItemsHTMLTreeview; }
    HWND List() const { return form->AdvListView.hwnd(); }

    std::string Caption(int node) const {
        char text[128] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = form->NodeAt(node);
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The marks of all nodes in tree order: "1" ticked, "2" unticked.
    std::string Marks() const {
        std::string marks;
        for (int i = 0; i < form->NodeCount(); ++i) {
            marks += std::to_string(form->StateIndex(form->NodeAt(i)));
        }
        return marks;
    }
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    RECT LabelRect(int node) const {
        RECT label{};
        HTREEITEM item = form->NodeAt(node);
        std::memcpy(&label, &item, sizeof item);
        SendMessageA(Tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
        return label;
    }
    // A click on the node's check box, found by hit-testing along the row.
    void ClickCheckBox(int node) {
        const RECT label = LabelRect(node);
        ASSERT_LT(0, label.right) << "node " << node << " has no visible label";
        const int y = (label.top + label.bottom) / 2;
        for (int x = 0; x < label.left; ++x) {
            TVHITTESTINFO hit{};
            hit.pt = {x, y};
            SendMessageA(Tree(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.flags & TVHT_ONITEMSTATEICON) {
                ClickAt(Tree(), {x + 4, y});
                return;
            }
        }
        FAIL() << "no check box found left of " << label.left << " on node " << node;
    }
    void ClickCaption(int node) {
        const RECT label = LabelRect(node);
        ClickAt(Tree(), {(label.left + label.right) / 2, (label.top + label.bottom) / 2});
    }
    void Select(int node) {
        SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET,
                     reinterpret_cast<LPARAM>(form->NodeAt(node)));
        Pump();
    }
    // Unticks everything, then ticks the nodes given.
    void TickOnly(std::initializer_list<int> nodes) {
        if (form->StateIndex(form->NodeAt(0)) == 1) {
            ClickCheckBox(0);
        }
        for (int node : nodes) {
            ClickCheckBox(node);
        }
    }

    int Rows() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column) const {
        char text[1024] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The state image the row shows: 0 the empty box, 1 the ticked box.
    int RowImage(int row) const {
        const auto state = static_cast<UINT>(
            SendMessageA(List(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
        return static_cast<int>(((state & LVIS_STATEIMAGEMASK) >> 12)) - 1;
    }
    int RowOf(const std::string& data) const {
        for (int r = 0; r < Rows(); ++r) {
            if (Cell(r, 1) == data) {
                return r;
            }
        }
        return -1;
    }
    void ClickRow(int row, int x) {
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        SendMessageA(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&bounds));
        ClickAt(List(), {x, (bounds.top + bounds.bottom) / 2});
    }
    // Presses "Analyse" and returns the progress positions the status bar painted, each once.
    std::vector<int> AnalyseRecordingProgress() {
        recorded.clear();
        SetWindowSubclass(form->AdvOfficeStatusBar.hwnd(), RecordProgress, 1,
                          reinterpret_cast<DWORD_PTR>(form.get()));
        Press(form->AnalyseAdvToolButton);
        RemoveWindowSubclass(form->AdvOfficeStatusBar.hwnd(), RecordProgress, 1);
        std::vector<int> positions;
        for (int position : recorded) {
            if (positions.empty() || positions.back() != position) {
                positions.push_back(position);
            }
        }
        return positions;
    }
    // A click on a button, and the messages until the worker has ended what it started.
    void Press(widgets::Control& button) {
        SendMessageA(button.hwnd(), BM_CLICK, 0, 0);
        WaitForWorker();
    }
    void WaitForWorker() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        Pump();
        while (form->hwnd() && form->Busy()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the worker never ended";
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
        }
    }
    // "Analyse", "Fix", "Save log..." enabled flags as "AFS" letters ("-" for disabled).
    std::string Buttons() const {
        std::string flags;
        flags += form->AnalyseAdvToolButton.Enabled() ? 'A' : '-';
        flags += form->FixAdvToolButton.Enabled() ? 'F' : '-';
        flags += form->SaveAdvToolButton.Enabled() ? 'S' : '-';
        return flags;
    }
    std::string StatusText(int panel) const {
        char text[256] = {};
        SendMessageA(form->AdvOfficeStatusBar.hwnd(), SB_GETTEXTA, static_cast<WPARAM>(panel),
                     reinterpret_cast<LPARAM>(text));
        return text;
    }

    RecordingPrompts prompts;
    std::unique_ptr<T_mainForm> form;
};

} // namespace mendrake::test
