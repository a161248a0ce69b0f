// Owners for the GDI and image-list handles the widgets make, and the design-to-screen scale.
#pragma once

#include "platform/win32/handles.h"
#include "widgets/dpi.h"

#include <commctrl.h>

namespace mendrake::widgets {

template <typename T> struct GdiObjectTraits {
    static T invalid() { return nullptr; }
    static void close(T object) { DeleteObject(object); }
};
struct ImageListTraits {
    static HIMAGELIST invalid() { return nullptr; }
    static void close(HIMAGELIST list) { ImageList_Destroy(list); }
};

using Font = platform::Owned<HFONT, GdiObjectTraits<HFONT>>;
using Brush = platform::Owned<HBRUSH, GdiObjectTraits<HBRUSH>>;
using Bitmap = platform::Owned<HBITMAP, GdiObjectTraits<HBITMAP>>;
using ImageList = platform::Owned<HIMAGELIST, ImageListTraits>;

// A font of `face` for a window at `dpi`; `height` in design pixels of the character height
// (negative LOGFONT height).
Font MakeFont(const char* face, int height, int dpi, bool bold = false, bool underline = false);
// The character height of `font` in pixels (negative LOGFONT height), 0 for none.
int FontHeight(HFONT font);
// The pixel height of a font of `points` points at 96 DPI (8 points give 11).
int PointsToPixels(int points);

} // namespace mendrake::widgets
