// The "Restore..." dialog: the backups of the backup folder, newest first, with what each
// holds; the chosen one is restored after a confirmation and the result shown.
#pragma once

#include "repair/backup_list.h"
#include "ui/prompts.h"
#include "widgets/control.h"
#include "widgets/gdi.h"

#include <windows.h>

#include <string>
#include <vector>

namespace mendrake {

class RestoreDialog {
  public:
    RestoreDialog(HWND owner, Prompts& prompts, std::string folder);
    ~RestoreDialog();
    RestoreDialog(const RestoreDialog&) = delete;
    RestoreDialog& operator=(const RestoreDialog&) = delete;

    // Creates and shows the dialog with its list filled, the owner disabled.
    void Open();
    // Open, then a message loop until the dialog is closed.
    void ShowModal();
    void Close();
    HWND hwnd() const { return hwnd_; }
    HWND List() const { return list_; }
    HWND RestoreButton() const { return restoreButton_; }
    HWND CloseButton() const { return closeButton_; }
    // Lists the backups of the folder again (after a fix or a restore), keeping the choice.
    void Refresh();
    // What the list shows, row by row.
    const std::vector<BackupEntry>& Backups() const { return backups_; }
    // Asks, restores the chosen backup and shows the result; does nothing more when the user
    // says no.
    void RestoreChosen();

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void LayOut();
    int ChosenRow() const;

    HWND owner_;
    Prompts& prompts_;
    std::string folder_;
    HWND hwnd_ = nullptr;
    HWND label_ = nullptr, list_ = nullptr, restoreButton_ = nullptr, closeButton_ = nullptr;
    widgets::Font font_;
    std::vector<BackupEntry> backups_;
};

// The text shown after a restore: the summary (a whole sentence), then the entries that failed (at
// most `maxLines` of them, and how many more).
std::string RestoreReport(const std::string& summary, const std::vector<std::string>& failures,
                          std::size_t maxLines = 15);

} // namespace mendrake
