// Holds a control's drawing off while many of its items change, as WM_SETREDRAW does for a plain
// window.
#pragma once

#include <windows.h>

namespace mendrake::widgets {

// The control keeps its own no-redraw flag, and the window loses its visible style meanwhile (as
// the default WM_SETREDRAW handling does), so that each change measures on a device context with
// nothing to show: under Wine a visible one costs a trip to the display per change, and a tree
// of twenty captions took a third of a second. The whole control is drawn once afterwards, when
// the window next paints. Focus and selection are untouched.
class RedrawOff {
  public:
    explicit RedrawOff(HWND control) : control_(control) {
        SendMessageA(control_, WM_SETREDRAW, FALSE, 0);
        DefWindowProcA(control_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawOff() {
        DefWindowProcA(control_, WM_SETREDRAW, TRUE, 0);
        SendMessageA(control_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(control_, nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

  private:
    HWND control_;
};

} // namespace mendrake::widgets
