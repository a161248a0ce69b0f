#include "widgets/dpi.h"

namespace mendrake::widgets {

namespace {

// The per-monitor functions of user32, looked up at run time: Windows before 10 (and MinGW's
// headers for the version this program targets) do not have them.
template <typename Function> Function User32(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
constexpr int kDialogDisableAll = 1; // DDC_DISABLE_ALL

} // namespace

int ScreenDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) {
            ReleaseDC(nullptr, screen);
        }
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int DpiOf(HWND window) {
    static const auto getDpiForWindow = User32<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

int Scale(int designPixels, int dpi) {
    return MulDiv(designPixels, dpi, 96);
}

int MetricForDpi(int index, int dpi) {
    static const auto forDpi = User32<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (forDpi) {
        return forDpi(index, static_cast<UINT>(dpi));
    }
    return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}

RECT FrameForDpi(DWORD style, DWORD exStyle, int dpi) {
    static const auto forDpi = User32<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, 0, 0};
    if (!forDpi || !forDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        frame = RECT{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return frame;
}

void KeepDialogFromScalingItself(HWND dialog) {
    static const auto behaviour =
        User32<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (behaviour) {
        behaviour(dialog, kDialogDisableAll, kDialogDisableAll);
    }
}

void MoveToSuggested(HWND window, LPARAM lParam) {
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace mendrake::widgets
