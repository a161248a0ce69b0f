// The Fix, Make Backup and Save log handlers: they gather what the user chose and call the
// repair functions that the console program uses too.
#include "ui/main_unit.h"

#include "platform/platform.h"
#include "repair/fix.h"
#include "repair/kept_files.h"
#include "repair/scan_log.h"

#include <exception>

namespace mendrake {

void T_mainForm::FixAdvToolButtonClick() {
    SetButtons(false, false, false);
    std::string filesFolder; // where the shortcut files go: beside the backup, when there is one
    try {
        if (MakeBackup) {
            prompts_.Message(hwnd_, "Backup file will be created in the application folder",
                             "Information", MB_ICONINFORMATION);
            // The name is taken after the message was closed.
            const std::string backupPath = DefaultBackupPath();
            WriteBackup(backupPath, Issues);
            filesFolder = BackupFilesFolder(backupPath);
        }
    } catch (const std::exception&) {
        // Nothing has been deleted: the user can untick "Make Backup" or free the folder and
        // try again, so the buttons come back as they were.
        SetButtons(true, true, true);
        throw;
    }
    AdvOfficeStatusBar.SetProgressMax(100);
    AdvOfficeStatusBar.SetProgressPosition(0);
    DeleteIssues(
        Issues,
        [this](int position) {
            AdvOfficeStatusBar.SetProgressPosition(position);
            AdvOfficeStatusBar.RepaintNow();
        },
        filesFolder);
    AdvOfficeStatusBar.SetProgressPosition(100);
    AdvListView.Clear();
    SetButtons(true, false, false);
    if (restoreDialog_ != nullptr) {
        restoreDialog_->Refresh(); // the new backup is listed
    }
}

void T_mainForm::RestoreAdvToolButtonClick() {
    if (analysing_) {
        return; // a restore under a running analysis would change what it is reading
    }
    if (restoreDialog_ != nullptr) {
        SetForegroundWindow(restoreDialog_->hwnd());
        return;
    }
    RestoreDialog dialog(hwnd_, prompts_, platform::Os().ProgramFolder());
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
