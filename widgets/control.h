// What every wrapped control offers: its window, a left position, a width, an enabled flag.
// The window belongs to its parent window, which destroys it; the wrapper only refers to it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace mendrake::widgets {

class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Position in the parent's client area, in screen pixels.
    int Left() const;
    void SetLeft(int left);
    int Width() const;
    bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    std::string Text() const;
    void SetText(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }
    void SetFont(HFONT font) {
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // The width `text` takes in the control's font, access-key marks left out as drawn.
    int TextWidth(const std::string& text) const;

  protected:
    // Runs `event` when the command `code` from `from` is this control's `expected` one; true
    // when the command was this control's.
    bool Fire(HWND from, WORD code, WORD expected, const std::function<void()>& event) const;

    HWND hwnd_ = nullptr;
};

// Creates a child control; throws Error with the system's reason when Windows refuses.
// The width of `text` on one line in the font `window` uses, in pixels.
int TextWidthIn(HWND window, const std::string& text);

HWND CreateChild(const char* className, const char* text, DWORD style, HWND parent, int id,
                 DWORD exStyle = 0);

} // namespace mendrake::widgets
