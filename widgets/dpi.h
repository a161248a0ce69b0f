// Dots per inch: the design is drawn at 96, and every window scales it to the DPI of the
// monitor it is on (the manifest declares the program per-monitor aware, so Windows neither
// stretches its windows nor tells them the wrong DPI).
#pragma once

#include <windows.h>

namespace mendrake::widgets {

// The system's DPI, read once: the primary monitor's, which a window starts on.
int ScreenDpi();
// The DPI of the monitor `window` is on, where user32 can say (Windows 10 1607 and later,
// Wine); else the system's.
int DpiOf(HWND window);
// Design pixels (at 96 DPI) in screen pixels at `dpi`.
int Scale(int designPixels, int dpi);
// A system metric (scroll bar width, check box size...) at `dpi`.
int MetricForDpi(int index, int dpi);
// The frame a window of `style` and `exStyle` has around its client area at `dpi`: the
// rectangle AdjustWindowRectEx makes of an empty client area.
RECT FrameForDpi(DWORD style, DWORD exStyle, int dpi);
// Keeps the dialog manager from scaling the dialog itself when its DPI changes: the dialog
// lays itself out at the new DPI (WM_DPICHANGED), from its design, not from its old places.
void KeepDialogFromScalingItself(HWND dialog);
// The DPI a WM_DPICHANGED message brings (its wParam).
inline int DpiOfChange(WPARAM wParam) {
    return HIWORD(wParam);
}
// Moves `window` to the rectangle a WM_DPICHANGED message suggests (its lParam).
void MoveToSuggested(HWND window, LPARAM lParam);

} // namespace mendrake::widgets
