// The main window: the category tree, the button strip, the virtual issue list and the status
// bar, and the handlers that run the analysis, the fix and the log.
#pragma once

#include "engine/background_job.h"
#include "engine/common_unit.h"
#include "engine/issue_model.h"
#include "repair/fix.h"
#include "settings/version_unit.h"
#include "ui/prompts.h"
#include "ui/restore_dialog.h"
#include "ui/window_run.h"
#include "widgets/check_box.h"
#include "widgets/gdi.h"
#include "widgets/label.h"
#include "widgets/link_label.h"
#include "widgets/panel.h"
#include "widgets/splitter.h"
#include "widgets/status_bar.h"
#include "widgets/tool_button.h"
#include "widgets/virtual_list_view.h"

#include <commctrl.h>

#include <cstdint>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mendrake {

// Process-wide state of the window module, alive for the whole program run.
extern bool MakeBackup; // behind the "Make Backup" check box
extern std::vector<std::int32_t>
    ShownIssues; // row r of the issue list shows Issues[ShownIssues[r]]
extern std::unique_ptr<TVersionInfo> VersionInfo;

// Shown on the task bar until activation sets the caption from the version resource.
inline constexpr const char* kApplicationTitle = "Mendrake";

// The makers' addresses behind the link labels.
inline constexpr const char* kSiteTarget = "https://www.kestrava.com/mendrake";
inline constexpr const char* kSuggestTarget = "https://www.kestrava.com/mendrake/suggest";
inline constexpr const char* kMailTarget = "mailto:support@kestrava.com";

// Progress after the category at flat tree index `index` of `count` nodes:
// min(100, index * 100 / (count - 1)) rounded to the nearest integer, halves to even.
int AnalysisProgressPosition(int index, int count);

class T_mainForm {
  public:
    // Creates the window and its controls and runs FormCreate; the window is not shown and no
    // message loop runs. Modal messages and the save dialog go through `prompts`.
    explicit T_mainForm(Prompts& prompts);
    ~T_mainForm();
    T_mainForm(const T_mainForm&) = delete;
    T_mainForm& operator=(const T_mainForm&) = delete;

    HWND hwnd() const { return hwnd_; }
    void Show(int showCommand);
    // The DPI of the monitor the window is on: the one it starts on, then each one a
    // WM_DPICHANGED brings.
    int Dpi() const { return dpi_; }
    // Design pixels (at 96 DPI) in screen pixels at the window's DPI.
    int Scale(int designPixels) const { return widgets::Scale(designPixels, dpi_); }
    // An analysis or a fix is running on the worker thread.
    bool Busy() const { return work_ != Work::None; }
    // Ends the message loop when the window is destroyed (the program's window does).
    void QuitOnDestroy() { quitOnDestroy_ = true; }

    // ---- window-level handlers ----
    void FormCreate();
    void FormActivate();
    void UpdateLang(std::int32_t language);
    // The system menu's "Language" entry: stores the choice and shows every text in it.
    void LanguageMenuClick(std::int32_t language);
    // Every text of the window again in the window's language, and the layout that holds them.
    void ApplyTexts();
    // The languages of the system menu's "Language" submenu, in its order.
    const std::vector<std::int32_t>& MenuLanguages() const { return menuLanguages_; }
    static constexpr UINT kLanguageCommand = 0x1000; // + 16 * index; system commands skip 4 bits
    void FormResize();
    void SiteLabelClick();
    void SuggestLabelClick();
    void MailToLabelClick();

    // ---- the category tree ----
    void fill_issues(HTREEITEM node);
    void set_child(HTREEITEM node, bool ticked);
    void set_parent(HTREEITEM node);
    void reset_parent(HTREEITEM node);
    void ItemsHTMLTreeviewClick();
    void ItemsHTMLTreeviewChange(HTREEITEM node);
    int NodeCount() const;
    HTREEITEM NodeAt(int index) const; // flat index in tree order
    HTREEITEM ParentOf(HTREEITEM node) const;
    int StateIndex(HTREEITEM node) const; // 1 ticked, 2 unticked
    void SetStateIndex(HTREEITEM node, int state);
    const TLevel* LevelOf(HTREEITEM node) const;

    // ---- analysis, list, fix and log ----
    void AnalyseAdvToolButtonClick();
    void AdvListViewData(int row, widgets::ListRow& content);
    void AdvListViewLeftClickCell(int row, int column, POINT point);
    void FixAdvToolButtonClick();
    void BackupHTMLCheckBoxClick();
    void SaveAdvToolButtonClick();
    // Opens the restore dialog on the backups of the backup folder.
    void RestoreAdvToolButtonClick();
    // After a restore: the findings of the last analysis may be stale, so the list is emptied.
    void ClearAfterRestore();
    // The restore dialog while it is open, else null.
    RestoreDialog* OpenRestoreDialog() const { return restoreDialog_; }

    // The caption of each node with its number of issues ("Fonts (3)"), or the plain names.
    void ShowCounts(bool withCounts);

    // ---- the issue list: selection, keys, context menu, sorting ----
    bool AdvListViewKeyDown(UINT key);
    void AdvListViewContextMenu(POINT screen);
    void AdvListViewColumnClick(int column);
    int AdvListViewFindRow(int start, const std::string& text) const;
    void ToggleSelectedTicks();
    void TickShown(bool ticked);
    // After the user ticked or unticked rows: references follow what they wait on.
    void TicksChanged();
    // The evidence of the issue behind `row` in the pane below the list (nothing for -1).
    void ShowEvidenceOf(int row);
    // The whole evidence of the first selected issue, in a message the user can copy.
    void ShowWhyReported();
    void CopySelected();
    void OpenInRegistryEditor();
    void OpenFileLocation();
    void ExcludeSelected();
    void ShowExclusions();
    void SortShown();
    // The issues behind the selected rows, in row order.
    std::vector<TItem*> SelectedIssues();
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }

    // ---- controls ----
    widgets::StatusBar AdvOfficeStatusBar;
    widgets::Panel BottomAdvPanel, TopAdvPanel, LeftPanel, LeftTopAdvPanel, RightAdvPanel;
    widgets::Panel RightPanel, ButtonAdvPanel, TopPanel;
    // Below the list: why the focused row is reported (read-only, its text can be copied).
    HWND EvidencePane = nullptr;
    widgets::Splitter Splitter;
    HWND ItemsHTMLTreeview = nullptr;
    widgets::LinkLabel SiteLabel, SuggestLabel, MailToLabel;
    widgets::ToolButton AnalyseAdvToolButton, FixAdvToolButton, SaveAdvToolButton;
    widgets::ToolButton RestoreAdvToolButton;
    widgets::CheckBox BackupHTMLCheckBox;
    widgets::Label LiveLabel; // the category being scanned and the issues found so far
    widgets::VirtualListView AdvListView;
    widgets::ImageList ImageList, CheckboxImageList;
    SaveDialogOptions SaveDialog;

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCommand(HWND from, WORD code);
    // A "Language" entry of the system menu, by its command; false for any other command.
    bool LanguageCommand(UINT command);
    bool OnNotify(const NMHDR& header, LRESULT& result);
    void OnClose();
    void CreateControls();
    void CreateLeftPane();
    void CreateRightPane();
    // Everything the DPI decides: the fonts, the image lists, the docked sizes and the places
    // that do not follow the texts; at creation and again at each change of DPI.
    void ScaleControls();
    // The window moved to a monitor of another scale: made again at `dpi`, in `suggested`.
    void DpiChanged(int dpi, LPARAM suggested);
    void SetIcons();
    void LayOut();
    void SetButtons(bool analyse, bool fix, bool save);
    void ShowError(const std::exception& error);
    void Guarded(const std::function<void()>& handler);
    void CloseIfDeferred();
    // The analysis, one category at a time on the worker; the window takes each category's
    // findings when its job ends (WorkerEnded) and then starts the next ticked one.
    void StartNextCategory();
    void FinishAnalysis(bool stopped);
    void StopAnalysis();
    void WorkerEnded();
    void FinishFix(const JobOutcome& outcome);
    // Starts `job` on the worker; `stop`, when given, is the flag its stop is asked on.
    void StartJob(std::function<void(const StopFlag&)> job, StopFlag* stop = nullptr);
    void UpdateLiveLine();
    // The live line shows what `text` makes, made again when the language changes.
    void ShowLive(std::function<std::string()> text);
    void CreateLanguageMenu();
    void FitButtons();
    void FitTreePane();
    int TreeHeight();
    // The button strip's width for its controls on one, two or three rows (the narrowest).
    int StripWidth(int rows) const;
    // The problem column as wide as the longest problem text of the rows shown, within reason.
    void FitProblemColumn();
    void PlaceProblemColumn(); // the width measured last, within what the list's width allows
    void RefreshShown();
    // RefreshShown during a run, when issues were only added: the selected rows stay selected.
    void RefreshShownKeepingSelection();
    // Whether the tree node of `level` has a count worth showing after the last run: a category
    // that never ran (or was cut off before it found anything) has none, as "(0)" would read as
    // "scanned, clean".
    bool CountKnown(const TLevel& level) const;

    enum class Work { None, Analysis, Fix };
    // Posted by the worker thread when its job has ended.
    static constexpr UINT kJobEnded = WM_APP + 1;
    // Refreshes the live line and the fix's progress while the worker runs.
    static constexpr UINT_PTR kLiveTimer = 1;
    static constexpr UINT kLiveInterval = 100; // milliseconds

    Prompts& prompts_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    widgets::DockLayout layout_;
    widgets::Font formFont_, treeFont_, buttonFont_;
    bool quitOnDestroy_ = false;
    bool activating_ = false;                // FormActivate (and its error box) is running
    RestoreDialog* restoreDialog_ = nullptr; // while the restore dialog is open
    int handlerDepth_ = 0;      // our window procedure's calls under way (nested by modal loops)
    bool closePending_ = false; // the user closed the window while it could not close yet
    Work work_ = Work::None;
    std::unique_ptr<WindowRun> run_; // the analysis under way, if any
    // The job on the worker thread, if any; it goes before the run whose stop flag it uses.
    std::unique_ptr<BackgroundJob> job_;
    std::function<std::string()> liveText_;
    std::vector<std::int32_t> menuLanguages_;
    HMENU languageMenu_ = nullptr; // owned by the system menu once appended
    // Widths the texts of the current language need, in screen pixels.
    int analyseWidth_ = 0, fixWidth_ = 0, backupWidth_ = 0, restoreWidth_ = 0, saveWidth_ = 0;
    int problemWidth_ = 0; // the longest problem text of the rows shown, in screen pixels
    std::set<std::int32_t> scannedCategories_; // categories the last run scanned to their end
    std::atomic<int> fixProgress_{0};          // the fix's position, written by the worker
    FixResult fixResult_;                      // what the fix did, written by the worker
    std::vector<AfterFix> fixOutcome_;         // per issue, what the fix did to it
    bool countsShown_ = false;                 // the tree's captions carry their counts
    int sortColumn_ = -1; // the column the shown rows are sorted by, -1 for none
    bool sortAscending_ = true;
};

// The one main window while the program runs.
extern T_mainForm* _mainForm;

// Program start: COM, the real platform, the common controls, the main window and the message
// loop. Returns the process exit code.
int RunProgram(int showCommand);

} // namespace mendrake
