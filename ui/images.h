// The window's image lists, drawn at run time at the scale of a window's DPI.
#pragma once

#include "widgets/gdi.h"

namespace mendrake {

// Five node icons: 0 the root, 1 registry categories, 2 and 3 spare, 4 file categories.
widgets::ImageList MakeTreeIcons(int dpi);
// Three check marks on white: 0 an empty box, 1 a ticked box, 2 an empty box.
widgets::ImageList MakeCheckMarks(int dpi);

} // namespace mendrake
