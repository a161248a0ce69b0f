// The "Exclusions" dialog: the stored exclusion list, and Remove for the selected entries.
#pragma once

#include "ui/prompts.h"
#include "widgets/gdi.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mendrake {

// What the dialog reads and changes: the stored list.
struct ExclusionStore {
    std::function<std::vector<std::string>()> list;
    std::function<void(const std::string& entry)> remove;
};

class ExclusionsDialog {
  public:
    ExclusionsDialog(ExclusionStore store, Prompts& prompts);
    ~ExclusionsDialog();
    ExclusionsDialog(const ExclusionsDialog&) = delete;
    ExclusionsDialog& operator=(const ExclusionsDialog&) = delete;

    // Runs the dialog until the user closes it.
    void ShowModal(HWND owner);
    // Opens the dialog without a loop of its own (the tests drive it with messages); it goes
    // with this object.
    HWND Open(HWND owner);
    HWND hwnd() const { return hwnd_; }
    // The DPI of the monitor the dialog is on: the one it opens on, then each one a
    // WM_DPICHANGED brings.
    int Dpi() const { return dpi_; }
    // The entries the list shows, top to bottom.
    std::vector<std::string> Shown() const;
    void RemoveSelected();

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Fill();
    void UpdateRemove();
    void ScaleFont();
    void SizeToDesign();
    void LayOut();
    void FitTexts();
    int Scale(int designPixels) const { return widgets::Scale(designPixels, dpi_); }
    HWND List() const;

    ExclusionStore store_;
    Prompts& prompts_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    widgets::Font font_;
    bool modeless_ = false;
};

} // namespace mendrake
