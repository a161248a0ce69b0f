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

#include <exception>
#include <optional>
#include <vector>

namespace mendrake {

void T_mainForm::FixAdvToolButtonClick() {
    SetButtons(false, false, false);
    std::optional<std::string> backupPath;
    if (MakeBackup) {
        // The installed copy keeps its backups in the user's own folder: the message names it.
        const std::string folder = BackupFolder();
        prompts_.Message(hwnd_,
                         folder == platform::Os().ProgramFolder()
                             ? "Backup file will be created in the application folder"
                             : "Backup file will be created in the folder " + folder,
                         "Information", MB_ICONINFORMATION);
        if (closePending_) {
            // The window was closed while the message was up: nothing is deleted.
            SetButtons(true, true, true);
            return;
        }
        // The name is taken after the message was closed.
        backupPath = DefaultBackupPath();
    }
    AdvOfficeStatusBar.SetProgressMax(100);
    AdvOfficeStatusBar.SetProgressPosition(0);
    fixProgress_ = 0;
    work_ = Work::Fix;
    LiveLabel.SetText("Fixing...");
    // The worker gets its own copy: ticks changed in the list meanwhile cannot race with it.
    fixResult_ = {};
    // The worker writes fixResult_; the window reads it only once the job has ended.
    StartJob([issues = Issues, backupPath, this] {
        fixResult_ =
            FixIssues(issues, backupPath, [this](int position) { fixProgress_ = position; });
    });
}

void T_mainForm::FinishFix(const JobOutcome& outcome) {
    work_ = Work::None;
    LiveLabel.SetText("");
    if (outcome.failed) {
        // Only the backup throws, before anything was deleted: the user can untick "Make
        // Backup" or free the folder and try again, so the buttons come back as they were.
        SetButtons(true, true, true);
        throw Error(outcome.error);
    }
    AdvOfficeStatusBar.SetProgressPosition(100);
    AdvListView.Clear();
    SetButtons(true, false, false);
    if (restoreDialog_ != nullptr) {
        restoreDialog_->Refresh(); // the new backup is listed
    }
    if (!fixResult_.notFixed.empty()) {
        constexpr std::size_t kShownReasons = 10;
        prompts_.Message(hwnd_, NotFixedSummary(Issues, fixResult_.notFixed, kShownReasons),
                         "Information", MB_ICONINFORMATION);
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
    restoreDialog_ = &dialog;
    struct Forget {
        RestoreDialog*& open;
        ~Forget() { open = nullptr; }
    } forget{restoreDialog_};
    dialog.ShowModal();
}

void T_mainForm::BackupHTMLCheckBoxClick() {
    MakeBackup = BackupHTMLCheckBox.Checked();
}

void T_mainForm::SaveAdvToolButtonClick() {
    SaveDialog.InitialDir = platform::Os().DocumentsFolder();
    std::string path;
    if (!prompts_.AskSavePath(hwnd_, SaveDialog, path)) {
        return;
    }
    SaveLog(path, Issues);
}

} // namespace mendrake
