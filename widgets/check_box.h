// A check box with a caption, a tick state and a click event (fired after the tick changed).
#pragma once

#include "widgets/control.h"

#include <functional>

namespace mendrake::widgets {

class CheckBox : public Control {
  public:
    void Create(HWND parent, const char* caption, RECT place, bool checked);
    bool Checked() const;
    void SetChecked(bool checked);
    std::function<void()> OnClick;
    bool HandleCommand(HWND from, WORD code);
};

} // namespace mendrake::widgets
