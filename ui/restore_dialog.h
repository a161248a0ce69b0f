// The "Restore..." dialog: the backups of the backup folder, newest first, with what each
// holds, listed as they are read on a worker; the chosen one is restored on a worker after a
// confirmation and the result shown. Entries that changed since the backup are left alone, and
// a second question offers to write the backup's data over them.
#pragma once

#include "engine/background_job.h"
#include "repair/backup_list.h"
#include "repair/restore.h"
#include "ui/backup_reader.h"
#include "ui/prompts.h"
#include "widgets/control.h"
#include "widgets/gdi.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mendrake {

class RestoreDialog {
  public:
    RestoreDialog(HWND owner, Prompts& prompts, std::string folder);
    ~RestoreDialog();
    RestoreDialog(const RestoreDialog&) = delete;
    RestoreDialog& operator=(const RestoreDialog&) = delete;

    // Creates and shows the dialog, the owner disabled; the list fills as the backups are read.
    void Open();
    // Creates the dialog and its controls in their places, not shown and with nothing listed
    // (Open does the rest; a test of the layout needs no more).
    void Create();
    // Open, then a message loop until the dialog is closed.
    void ShowModal();
    // Closes the dialog, unless a restore is under way (it is not cut off half done).
    void Close();
    HWND hwnd() const { return hwnd_; }
    HWND List() const { return list_; }
    HWND RestoreButton() const { return restoreButton_; }
    HWND CloseButton() const { return closeButton_; }
    HWND BrowseButton() const { return browseButton_; }
    // The DPI of the monitor the dialog is on: its owner's at first, then each one a
    // WM_DPICHANGED brings.
    int Dpi() const { return dpi_; }
    // Called after each restore that ran to its end: the registry may no longer be what the
    // last analysis saw.
    std::function<void()> OnRestored;
    // Lists the backups of the folder again (after a fix or a restore), keeping the choice.
    void Refresh();
    // What the list shows, row by row.
    const std::vector<BackupEntry>& Backups() const { return backups_; }
    // The backups are still being read (or not all listed yet), or a restore runs, on the worker.
    bool Reading() const { return reader_ != nullptr; }
    bool Restoring() const { return restore_ != nullptr; }
    // Asks and starts the restore of the chosen backup on the worker; its end shows the result
    // (RestoreEnded). Does nothing more when the user says no.
    void RestoreChosen();
    // "Browse...": a backup file chosen anywhere joins the top of the list, chosen.
    void BrowseForBackup();

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void ScaleControls();
    void LayOut();
    int Scale(int designPixels) const { return widgets::Scale(designPixels, dpi_); }
    int ChosenRow() const;
    void AddRow(const BackupEntry& backup);
    void BackupsRead();
    void StartRestore(bool overwrite);
    void RestoreEnded();
    void UpdateButtons();

    // Posted by the workers: backups were read, the restore ended.
    static constexpr UINT kBackupsRead = WM_APP + 10;
    static constexpr UINT kRestoreEnded = WM_APP + 11;

    HWND owner_;
    Prompts& prompts_;
    std::string folder_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    HWND label_ = nullptr, list_ = nullptr, restoreButton_ = nullptr, closeButton_ = nullptr;
    HWND browseButton_ = nullptr;
    std::vector<BackupEntry> opened_; // backups opened through "Browse...", newest choice first
    widgets::Font font_;
    std::vector<BackupEntry> backups_;
    std::string chosenPath_; // the row to choose again when the list is read anew
    std::unique_ptr<BackupReader> reader_;
    // The restore on the worker: it writes restoreResult_, which the dialog reads only once the
    // job has ended. The job comes last, so that it has ended before the result goes.
    BackupEntry restoring_;
    bool overwriting_ = false;
    RestoreResult restoreResult_;
    std::unique_ptr<BackgroundJob> restore_;
};

// The text shown after a restore: the summary (a whole sentence), then the entries that failed (at
// most `maxLines` of them, and how many more).
std::string RestoreReport(const std::string& summary, const std::vector<std::string>& failures,
                          std::size_t maxLines = 15);
// The entries that changed since the backup, each with what it holds now and in the backup
// (at most `maxLines` of them, and how many more), under a headline with their count.
std::string ConflictReport(const std::vector<RestoreConflict>& changed, std::size_t maxLines = 10);

} // namespace mendrake
