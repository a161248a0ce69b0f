// A push button with a caption, an enabled flag and a click event.
#pragma once

#include "widgets/control.h"

#include <functional>

namespace mendrake::widgets {

class ToolButton : public Control {
  public:
    void Create(HWND parent, const char* caption, RECT place);
    std::function<void()> OnClick;
    // Runs OnClick when `command` is this button's click; true when it was.
    bool HandleCommand(HWND from, WORD code);
};

} // namespace mendrake::widgets
