// The Fix, Make Backup and Save log handlers: they gather what the user chose and call the
// repair functions that the console program uses too.
#include "ui/main_unit.h"

#include "platform/platform.h"
#include "repair/fix.h"
#include "repair/scan_log.h"

#include <exception>
#include <vector>

namespace mendrake {

void T_mainForm::FixAdvToolButtonClick() {
    SetButtons(false, false, false);
    std::vector<NotFixed> unbacked; // left alone: the backup cannot give them back exactly
    try {
        if (MakeBackup) {
            prompts_.Message(hwnd_, "Backup file will be created in the application folder",
                             "Information", MB_ICONINFORMATION);
            // The name is taken after the message was closed.
            unbacked = WriteBackup(DefaultBackupPath(), Issues).unbacked;
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
        unbacked);
    AdvOfficeStatusBar.SetProgressPosition(100);
    AdvListView.Clear();
    SetButtons(true, false, false);
    if (!unbacked.empty()) {
        constexpr std::size_t kShownReasons = 10;
        prompts_.Message(hwnd_, NotFixedSummary(Issues, unbacked, kShownReasons), "Information",
                         MB_ICONINFORMATION);
    }
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
