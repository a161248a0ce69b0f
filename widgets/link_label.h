// A text that looks and acts like a hyperlink: underlined, the active caption's colour, a hand
// cursor, a hint on hover, and a click event.
#pragma once

#include "widgets/control.h"
#include "widgets/gdi.h"

#include <functional>
#include <string>

namespace mendrake::widgets {

class LinkLabel : public Control {
  public:
    void Create(HWND parent, const std::string& caption, const std::string& hint,
                COLORREF background);
    std::function<void()> OnClick;
    bool HandleCommand(HWND from, WORD code);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    // The label's font made for a window at `dpi` (its own font, underlined).
    void SetDpi(int dpi);

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    std::string hint_;
    COLORREF background_ = 0;
    Font font_;
    HWND tooltip_ = nullptr;
};

} // namespace mendrake::widgets
