// The Fix, Make Backup and Save log handlers: they gather what the user chose and call the
// repair functions that the console program uses too. The fix runs on the worker thread with a
// copy of the issues, so the window answers while many entries are deleted.
#include "ui/main_unit.h"

#include "engine/error.h"
#include "platform/platform.h"
#include "repair/backup_folder.h"
#include "repair/fix.h"
#include "repair/kept_files.h"
#include "repair/scan_log.h"
#include "ui/texts.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <exception>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mendrake {

namespace {

// "Mendrake-COMPUTER-2026-12-11.txt": which machine and which day, so that logs gathered from
// several machines keep apart. Characters a file name cannot hold are left out.
std::string LogFileName(const std::string& computer, const platform::LocalTime& now) {
    std::string name = "Mendrake-";
    for (char c : computer) {
        if (std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos &&
            static_cast<unsigned char>(c) >= 0x20) {
            name.push_back(c);
        }
    }
    char date[40] = {};
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", now.year, now.month, now.day);
    if (!computer.empty()) {
        name.push_back('-');
    }
    return name.append(date).append(".txt");
}

} // namespace

namespace {

// The question before the fix: how many ticked entries go, in how many categories (the one
// category by name), how many of them the list does not show (the tree's selection hides the
// rest, and the fix takes every ticked entry), and where the backup goes or that there is none.
std::string FixQuestion(const std::vector<TItem>& issues, const std::vector<std::int32_t>& shown,
                        const std::optional<std::string>& backupFolder) {
    std::vector<bool> isShown(issues.size(), false);
    for (std::int32_t index : shown) {
        if (index >= 0 && static_cast<std::size_t>(index) < issues.size()) {
            isShown[static_cast<std::size_t>(index)] = true;
        }
    }
    std::size_t ticked = 0, hidden = 0;
    std::set<std::int32_t> categories;
    for (std::size_t i = 0; i < issues.size(); ++i) {
        if (issues[i].Selected != 0) {
            ++ticked;
            hidden += isShown[i] ? 0 : 1;
            categories.insert(issues[i].Category);
        }
    }
    const std::string count = std::to_string(ticked);
    std::string text;
    if (categories.size() == 1) {
        const auto level = std::find_if(std::begin(Levels), std::end(Levels), [&](const TLevel& l) {
            return l.Id == *categories.begin();
        });
        const std::string name = level != std::end(Levels) ? CategoryText(*level) : "";
        text = Text(ticked == 1 ? IDS_FIX_ONE : IDS_FIX_MANY_IN_ONE, {count, name});
    } else {
        text = Text(IDS_FIX_MANY, {count, std::to_string(categories.size())});
    }
    // Appended piece by piece: GCC 12's overlap check trips on "literal" + temporary here.
    if (hidden > 0) {
        text.append(" ");
        text.append(ticked == 1 ? Text(IDS_FIX_HIDDEN_IT)
                                : Text(hidden == 1 ? IDS_FIX_HIDDEN_ONE : IDS_FIX_HIDDEN_MANY,
                                       {std::to_string(hidden)}));
    }
    text.append("\r\n\r\n");
    text.append(backupFolder ? Text(IDS_FIX_BACKUP, {*backupFolder}) : Text(IDS_FIX_NO_BACKUP));
    return text;
}

} // namespace

void T_mainForm::FixAdvToolButtonClick() {
    const bool anyTicked = std::any_of(Issues.begin(), Issues.end(),
                                       [](const TItem& issue) { return issue.Selected != 0; });
    if (!anyTicked) {
        // Nothing would be deleted and no backup written: the user hears why.
        prompts_.Message(hwnd_, Text(IDS_FIX_NOTHING_TICKED), Text(IDS_TITLE_INFORMATION),
                         MB_ICONINFORMATION);
        return;
    }
    SetButtons(false, false, false);
    std::optional<std::string> folder;
    if (MakeBackup) {
        folder = BackupFolder();
    }
    const bool fix = prompts_.ConfirmAction(hwnd_, FixQuestion(Issues, ShownIssues, folder),
                                            Text(IDS_FIX_TITLE), Text(IDS_FIX));
    if (!fix || closePending_) {
        // Cancelled, or the window was closed while the question was up: nothing is deleted.
        SetButtons(true, true, true);
        return;
    }
    // The backup's name is taken after the question was answered.
    std::optional<std::string> backupPath;
    if (MakeBackup) {
        backupPath = DefaultBackupPath();
    }
    AdvOfficeStatusBar.SetProgressMax(100);
    AdvOfficeStatusBar.SetProgressPosition(0);
    AdvOfficeStatusBar.SetProgressNote("");
    fixProgress_ = 0;
    work_ = Work::Fix;
    ShowLive([] { return Text(IDS_LIVE_FIXING); });
    // A logoff or shutdown in the middle of the fix would leave it half done: Windows asks the
    // user to wait, with this reason, while WM_QUERYENDSESSION is answered with no.
    // The reason Windows shows while the fix holds off a shutdown.
    ShutdownBlockReasonCreate(hwnd_, WideFromAnsi(Text(IDS_SHUTDOWN_REASON)).c_str());
    // The worker gets its own copy: ticks changed in the list meanwhile cannot race with it.
    fixResult_ = {};
    fixOutcome_.clear();
    // The worker writes fixResult_ and fixOutcome_; the window reads them only once the job has
    // ended.
    StartJob([issues = Issues, backupPath, this](const StopFlag&) {
        fixResult_ =
            FixIssues(issues, backupPath, [this](int position) { fixProgress_ = position; });
        fixOutcome_ = ReadFixOutcome(issues, fixResult_);
    });
}

namespace {

// After a fix: the ticked entries that are still there although the fix tried them (no access,
// in use, a shortcut that could not be moved), one line each (at most `lines`).
std::string LeftSummary(const std::vector<TItem>& issues, const std::vector<std::size_t>& left,
                        std::size_t lines) {
    std::string text =
        Text(left.size() == 1 ? IDS_LEFT_ONE : IDS_LEFT_MANY, {std::to_string(left.size())}) +
        "\r\n";
    for (std::size_t i = 0; i < left.size() && i < lines; ++i) {
        const TItem& issue = issues[left[i]];
        // A file is named whole: its folder alone would not say which one.
        text += "\r\n" + (IsFileCategory(issue.Category) ? issue.Key + issue.Value
                                                         : NotFixedEntryText(issue));
    }
    if (left.size() > lines) {
        text += "\r\n...";
    }
    return text;
}

// After a fix: the ticked dependent findings kept because a key they depend on stays (unticked,
// not backed up, or not deleted), each with that key (at most `lines`).
std::string KeptSummary(const std::vector<TItem>& issues,
                        const std::vector<const KeptDependent*>& kept, std::size_t lines) {
    std::string text =
        Text(kept.size() == 1 ? IDS_KEPT_ONE : IDS_KEPT_MANY, {std::to_string(kept.size())}) +
        "\r\n";
    for (std::size_t i = 0; i < kept.size() && i < lines; ++i) {
        text += "\r\n" + Text(IDS_KEPT_ENTRY,
                              {NotFixedEntryText(issues[kept[i]->index]), kept[i]->location});
    }
    if (kept.size() > lines) {
        text += "\r\n...";
    }
    return text;
}

} // namespace

void T_mainForm::FinishFix(const JobOutcome& outcome) {
    work_ = Work::None;
    ShutdownBlockReasonDestroy(hwnd_);
    ShowLive(nullptr);
    if (outcome.failed) {
        // Only the backup throws, before anything was deleted: the user can untick "Make
        // Backup" or free the folder and try again, so the buttons come back as they were.
        SetButtons(true, true, true);
        throw Error(outcome.error);
    }
    AdvOfficeStatusBar.SetProgressPosition(100);
    // The worker judged the same Issues (nothing adds or removes issues while it runs, only
    // ticks change). Ticked entries still there that no backup reason explains were kept with a
    // key they depend on, or else could not be deleted or moved; the user hears of them as the
    // console tells them.
    const bool judged = fixOutcome_.size() == Issues.size();
    std::vector<std::size_t> left;
    std::vector<const KeptDependent*> kept;
    std::size_t removed = 0;
    for (std::size_t i = 0; i < Issues.size() && judged; ++i) {
        removed += Issues[i].Selected != 0 && fixOutcome_[i] == AfterFix::Removed ? 1 : 0;
        if (fixOutcome_[i] == AfterFix::KeptDependent) {
            kept.push_back(KeptDependentAt(fixResult_.kept, i));
        } else if (fixOutcome_[i] == AfterFix::CouldNotRemove) {
            left.push_back(i);
        }
    }
    ShowLive([removed] {
        return Text(removed == 1 ? IDS_FIX_DONE_ONE : IDS_FIX_DONE_MANY, {std::to_string(removed)});
    });
    constexpr std::size_t kShownLines = 10;
    std::string summary;
    if (!fixResult_.notFixed.empty()) {
        const std::size_t count = fixResult_.notFixed.size();
        const std::string headline =
            Text(count == 1 ? IDS_NOT_FIXED_ONE : IDS_NOT_FIXED_MANY, {std::to_string(count)});
        summary = NotFixedSummary(Issues, fixResult_.notFixed, kShownLines, headline);
    }
    if (!left.empty()) {
        summary += (summary.empty() ? "" : "\r\n\r\n") + LeftSummary(Issues, left, kShownLines);
    }
    if (!kept.empty()) {
        summary += (summary.empty() ? "" : "\r\n\r\n") + KeptSummary(Issues, kept, kShownLines);
    }
    // Entries that are gone leave the list for good; what is still there stays, as it was.
    if (judged) {
        std::size_t k = 0;
        std::erase_if(Issues, [&](const TItem&) { return fixOutcome_[k++] == AfterFix::Removed; });
    }
    fixOutcome_.clear();
    RefreshShown();
    if (countsShown_) {
        ShowCounts(true);
    }
    SetButtons(true, !Issues.empty(), !Issues.empty());
    if (restoreDialog_ != nullptr) {
        restoreDialog_->Refresh(); // the new backup is listed
    }
    if (!summary.empty()) {
        prompts_.Message(hwnd_, summary, Text(IDS_TITLE_INFORMATION), MB_ICONINFORMATION);
    }
}

void T_mainForm::RestoreAdvToolButtonClick() {
    if (work_ != Work::None) {
        return; // a restore under a running analysis or fix would change what it works on
    }
    if (restoreDialog_ != nullptr) {
        SetForegroundWindow(restoreDialog_->hwnd());
        return;
    }
    RestoreDialog dialog(hwnd_, prompts_, BackupFolder());
    dialog.OnRestored = [this] { ClearAfterRestore(); };
    restoreDialog_ = &dialog;
    struct Forget {
        RestoreDialog*& open;
        ~Forget() { open = nullptr; }
    } forget{restoreDialog_};
    dialog.ShowModal();
}

void T_mainForm::ClearAfterRestore() {
    // What the restore wrote back may be what the list calls missing or unused: a fix of the
    // old findings could delete it again. The list goes; the next analysis sees the restore.
    Issues.clear();
    RefreshShown();
    ShowCounts(false);
    SetButtons(true, false, false);
    ShowLive([] { return Text(IDS_LIST_CLEARED); });
}

void T_mainForm::BackupHTMLCheckBoxClick() {
    MakeBackup = BackupHTMLCheckBox.Checked();
}

void T_mainForm::SaveAdvToolButtonClick() {
    SaveDialog.InitialDir = platform::Os().DocumentsFolder();
    SaveDialog.FileName = LogFileName(platform::Os().ComputerName(), platform::Os().Now());
    std::string path;
    if (!prompts_.AskSavePath(hwnd_, SaveDialog, path)) {
        return;
    }
    SaveLog(path, Issues);
}

} // namespace mendrake
