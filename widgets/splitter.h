// A thin bar between two docked panes; dragging it with the mouse reports the distance moved.
#pragma once

#include "widgets/control.h"

#include <functional>

namespace mendrake::widgets {

class Splitter : public Control {
  public:
    void Create(HWND parent);
    // Called while dragging with the horizontal distance from the last call.
    std::function<void(int delta)> OnDrag;

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    int lastX_ = 0;
    bool dragging_ = false;
};

} // namespace mendrake::widgets
