#include "widgets/control.h"

#include "engine/error.h"
#include "widgets/wide_text.h"

namespace mendrake::widgets {

namespace {

RECT RectInParent(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

int Control::Left() const {
    return RectInParent(hwnd_).left;
}

void Control::SetLeft(int left) {
    const RECT rect = RectInParent(hwnd_);
    SetWindowPos(hwnd_, nullptr, left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Control::Width() const {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return rect.right - rect.left;
}

std::string Control::Text() const {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd_)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool Control::Fire(HWND from, WORD code, WORD expected, const std::function<void()>& event) const {
    if (from != hwnd_ || code != expected) {
        return false;
    }
    if (event) {
        event();
    }
    return true;
}

int Control::TextWidth(const std::string& text) const {
    return TextWidthIn(hwnd_, text);
}

int TextWidthIn(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    RECT box{0, 0, 0, 0};
    const std::wstring wide = WideFromAnsi(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &box, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return static_cast<int>(box.right - box.left);
}

HWND CreateChild(const char* className, const char* text, DWORD style, HWND parent, int id,
                 DWORD exStyle) {
    HWND hwnd = CreateWindowExA(exStyle, className, text, style | WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) {
        throw Error(std::string("Cannot create the control ") + className + ".");
    }
    return hwnd;
}

} // namespace mendrake::widgets
