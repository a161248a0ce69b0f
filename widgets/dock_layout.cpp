#include "widgets/dock_layout.h"

#include <algorithm>

namespace mendrake::widgets {

void DockLayout::Add(HWND child, Dock dock, int size) {
    entries_.push_back({child, dock, size});
}

int DockLayout::SizeOf(HWND child) const {
    for (const Entry& entry : entries_) {
        if (entry.child == child) {
            return entry.size;
        }
    }
    return 0;
}

void DockLayout::SetSizeOf(HWND child, int size) {
    for (Entry& entry : entries_) {
        if (entry.child == child) {
            entry.size = size;
        }
    }
}

void DockLayout::Apply(RECT area) const {
    for (const Entry& entry : entries_) {
        RECT place = area;
        switch (entry.dock) {
        case Dock::Top:
            place.bottom = std::min(area.bottom, area.top + entry.size);
            area.top = place.bottom;
            break;
        case Dock::Bottom:
            place.top = std::max(area.top, area.bottom - entry.size);
            area.bottom = place.top;
            break;
        case Dock::Left:
            place.right = std::min(area.right, area.left + entry.size);
            area.left = place.right;
            break;
        case Dock::Client:
            break;
        }
        SetWindowPos(entry.child, nullptr, place.left, place.top,
                     std::max(0L, place.right - place.left), std::max(0L, place.bottom - place.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace mendrake::widgets
