#include "widgets/panel.h"

#include <vector>

namespace mendrake::widgets {

namespace {

constexpr const char* kClassName = "MendrakePanel";

BYTE Mix(int from, int to, int step, int steps) {
    return static_cast<BYTE>(from + (to - from) * step / (steps > 1 ? steps - 1 : 1));
}

} // namespace

void Panel::Create(HWND parent, COLORREF top, COLORREF bottom) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    top_ = top;
    bottom_ = bottom;
    hwnd_ = CreateChild(kClassName, "", WS_CLIPCHILDREN, parent, 0, WS_EX_CONTROLPARENT);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Panel::Relayout() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    layout_.Apply(client);
}

void Panel::RebuildBrush(int height) {
    height = height > 0 ? height : 1;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const BYTE r = Mix(GetRValue(top_), GetRValue(bottom_), y, height);
        const BYTE g = Mix(GetGValue(top_), GetGValue(bottom_), y, height);
        const BYTE b = Mix(GetBValue(top_), GetBValue(bottom_), y, height);
        pixels[static_cast<std::size_t>(y)] = (DWORD{r} << 16) | (DWORD{g} << 8) | b;
    }
    HDC screen = GetDC(nullptr);
    Bitmap bitmap(
        CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, pixels.data(), &info, DIB_RGB_COLORS));
    ReleaseDC(nullptr, screen);
    brush_ = Brush(CreatePatternBrush(bitmap.get())); // the brush keeps its own copy
}

// Controls painted on the panel (the check box, static texts) get the panel's gradient behind
// them: the pattern brush, its origin moved so that the control's rows line up with ours.
HBRUSH Panel::BackgroundFor(HWND child, HDC dc) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    SetBrushOrgEx(dc, -rect.left, -rect.top, nullptr);
    SetBkMode(dc, TRANSPARENT);
    return brush_.get();
}

LRESULT CALLBACK Panel::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Panel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT Panel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        RebuildBrush(HIWORD(lParam));
        Relayout();
        InvalidateRect(hwnd_, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (!brush_) {
            RebuildBrush(client.bottom);
        }
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        FillRect(dc, &client, brush_.get());
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(
            BackgroundFor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
        return SendMessageA(GetParent(hwnd_), message, wParam, lParam);
    default:
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

} // namespace mendrake::widgets
