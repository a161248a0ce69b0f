#include "widgets/check_box.h"

namespace mendrake::widgets {

void CheckBox::Create(HWND parent, const char* caption, RECT place, bool checked) {
    hwnd_ = CreateChild("BUTTON", caption, BS_AUTOCHECKBOX | WS_TABSTOP, parent, 0);
    MoveWindow(hwnd_, place.left, place.top, place.right - place.left, place.bottom - place.top,
               FALSE);
    SetChecked(checked);
}

bool CheckBox::Checked() const {
    return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
    SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::HandleCommand(HWND from, WORD code) {
    return Fire(from, code, BN_CLICKED, OnClick);
}

} // namespace mendrake::widgets
