#include "widgets/link_label.h"

#include "widgets/wide_text.h"

#include <commctrl.h>

#include <algorithm>

namespace mendrake::widgets {

void LinkLabel::Create(HWND parent, const std::string& caption, const std::string& hint,
                       COLORREF background) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_HAND);
        wc.lpszClassName = "MendrakeLinkLabel";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    hint_ = hint;
    background_ = background;
    hwnd_ = CreateChild("MendrakeLinkLabel", caption.c_str(), WS_TABSTOP, parent, 0);
    SetDpi(DpiOf(parent));
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    // The hint: a tooltip that watches the label's own mouse messages.
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    if (tooltip_) {
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = parent;
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        tool.lpszText = const_cast<char*>(hint_.c_str());
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void LinkLabel::SetHint(const std::string& hint) {
    hint_ = hint;
    if (tooltip_) {
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = GetParent(hwnd_);
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        tool.lpszText = const_cast<char*>(hint_.c_str());
        SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void LinkLabel::SetDpi(int dpi) {
    font_ = MakeFont("Tahoma", PointsToPixels(8), dpi, false, true);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

bool LinkLabel::HandleCommand(HWND from, WORD code) {
    return Fire(from, code, STN_CLICKED, OnClick);
}

void LinkLabel::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd_, &paint);
    RECT client{};
    GetClientRect(hwnd_, &client);
    HBRUSH brush = CreateSolidBrush(background_);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    const std::wstring text = WideFromAnsi(Text());
    HGDIOBJ old = SelectObject(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_ACTIVECAPTION));
    DrawTextW(dc, text.c_str(), -1, &client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (GetFocus() == hwnd_) {
        // Reached with Tab: the dotted frame around the text, as a focused link shows it.
        RECT frame = client;
        DrawTextW(dc, text.c_str(), -1, &frame,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        frame.top = client.top;
        frame.bottom = client.bottom;
        frame.right = std::min(frame.right + 2, client.right);
        DrawFocusRect(dc, &frame);
    }
    SelectObject(dc, old);
    EndPaint(hwnd_, &paint);
}

LRESULT CALLBACK LinkLabel::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LinkLabel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        switch (message) {
        case WM_PAINT:
            self->Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(self->font_.get());
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        case WM_GETDLGCODE: {
            // Enter and Space follow the link, as they press a focused button.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key && key->message == WM_KEYDOWN &&
                (key->wParam == VK_RETURN || key->wParam == VK_SPACE)) {
                return DLGC_WANTMESSAGE;
            }
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam != VK_RETURN && wParam != VK_SPACE) {
                break;
            }
            [[fallthrough]];
        case WM_LBUTTONUP:
            // Reported to the parent like a button click, so the handler runs inside the main
            // window's own message handling.
            SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace mendrake::widgets
