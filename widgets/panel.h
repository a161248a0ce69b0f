// A container window: a vertical gradient (or a plain colour) behind its children, docking for
// them, and the notifications of its controls passed on to its own parent, so that the main
// window receives every WM_COMMAND, WM_NOTIFY and WM_DRAWITEM however deep its controls sit.
#pragma once

#include "widgets/control.h"
#include "widgets/dock_layout.h"
#include "widgets/gdi.h"

namespace mendrake::widgets {

class Panel : public Control {
  public:
    Panel() = default;
    // `top` == `bottom` gives a plain colour.
    void Create(HWND parent, COLORREF top, COLORREF bottom);
    DockLayout& Layout() { return layout_; }
    // Lays the docked children out again (after a dock size changed).
    void Relayout();

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void RebuildBrush(int height);
    HBRUSH BackgroundFor(HWND child, HDC dc);

    COLORREF top_ = 0, bottom_ = 0;
    DockLayout layout_;
    Brush brush_; // the gradient as a pattern brush one pixel wide and the panel's height
};

} // namespace mendrake::widgets
