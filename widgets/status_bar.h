// The status bar: panels by index with a text and a width, one of them a progress panel that
// draws its position as a bar and a percentage (owner-drawn; the parent passes WM_DRAWITEM on).
#pragma once

#include "widgets/control.h"

#include <string>
#include <vector>

namespace mendrake::widgets {

class StatusBar : public Control {
  public:
    // `widths`: the panels' widths in screen pixels, left to right; the last panel takes the
    // rest of the bar. `progressPanel`: the index of the progress panel.
    void Create(HWND parent, std::vector<int> widths, int progressPanel);

    int PanelCount() const { return static_cast<int>(widths_.size()); }
    int PanelWidth(int index) const { return widths_.at(static_cast<std::size_t>(index)); }
    void SetPanelWidth(int index, int width);
    std::string PanelText(int index) const;
    void SetPanelText(int index, const std::string& text);

    int ProgressMin() const { return min_; }
    int ProgressMax() const { return max_; }
    int ProgressPosition() const { return position_; }
    void SetProgressMax(int max);
    void SetProgressPosition(int position);
    // Words the progress panel shows in front of its percentage ("Stopped in Fonts"), until
    // they are set to nothing.
    void SetProgressNote(std::string note);
    // The percentage the progress panel shows ("38%"), after the note when there is one
    // ("Stopped in Fonts (38%)").
    std::string ProgressText() const;
    // Paints the bar now, without waiting for the message loop.
    void RepaintNow();
    // Draws the progress panel; true when `item` was ours.
    bool DrawItem(const DRAWITEMSTRUCT& item);

  private:
    void ApplyParts();
    void InvalidateProgress();

    std::vector<int> widths_;
    std::vector<std::string> texts_;
    int progressPanel_ = 0;
    int min_ = 0, max_ = 100, position_ = 0;
    std::string note_;
};

} // namespace mendrake::widgets
