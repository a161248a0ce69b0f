#include "widgets/tool_button.h"

namespace mendrake::widgets {

void ToolButton::Create(HWND parent, const char* caption, RECT place) {
    hwnd_ = CreateChild("BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP, parent, 0);
    MoveWindow(hwnd_, place.left, place.top, place.right - place.left, place.bottom - place.top,
               FALSE);
}

bool ToolButton::HandleCommand(HWND from, WORD code) {
    return Fire(from, code, BN_CLICKED, OnClick);
}

} // namespace mendrake::widgets
