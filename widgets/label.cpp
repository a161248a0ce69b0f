#include "widgets/label.h"

namespace mendrake::widgets {

void Label::Create(HWND parent, RECT place) {
    hwnd_ = CreateChild("STATIC", "", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX, parent, 0);
    MoveWindow(hwnd_, place.left, place.top, place.right - place.left, place.bottom - place.top,
               FALSE);
}

} // namespace mendrake::widgets
