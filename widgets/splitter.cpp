#include "widgets/splitter.h"

#include <windowsx.h>

namespace mendrake::widgets {

void Splitter::Create(HWND parent) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_SIZEWE);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "MendrakeSplitter";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateChild("MendrakeSplitter", "", 0, parent, 0);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK Splitter::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Splitter*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        switch (message) {
        case WM_LBUTTONDOWN:
            ClientToScreen(hwnd, &point);
            self->lastX_ = point.x;
            self->dragging_ = true;
            SetCapture(hwnd);
            return 0;
        case WM_MOUSEMOVE:
            if (self->dragging_) {
                ClientToScreen(hwnd, &point);
                const int delta = point.x - self->lastX_;
                self->lastX_ = point.x;
                if (delta != 0 && self->OnDrag) {
                    self->OnDrag(delta);
                }
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (self->dragging_) {
                self->dragging_ = false;
                if (message == WM_LBUTTONUP) {
                    ReleaseCapture();
                }
            }
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace mendrake::widgets
