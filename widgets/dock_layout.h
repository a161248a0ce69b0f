// Docking of child windows inside a parent, in the order they were docked: each takes its edge
// of what is left (top, bottom, left) or all of it (client); fixed ones keep their place.
#pragma once

#include <windows.h>

#include <vector>

namespace mendrake::widgets {

enum class Dock { Top, Bottom, Left, Client };

class DockLayout {
  public:
    // `size`: height for top and bottom, width for left, ignored for client (screen pixels).
    void Add(HWND child, Dock dock, int size = 0);
    int SizeOf(HWND child) const;
    void SetSizeOf(HWND child, int size);
    // Places every docked child inside `area`.
    void Apply(RECT area) const;

  private:
    struct Entry {
        HWND child;
        Dock dock;
        int size;
    };
    std::vector<Entry> entries_;
};

} // namespace mendrake::widgets
