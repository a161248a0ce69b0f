// A line of plain text on a panel, cut with an ellipsis when it does not fit.
#pragma once

#include "widgets/control.h"

namespace mendrake::widgets {

class Label : public Control {
  public:
    void Create(HWND parent, RECT place);
};

} // namespace mendrake::widgets
