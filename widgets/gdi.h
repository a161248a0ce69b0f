// Owners for the GDI and image-list handles the widgets make, and the design-to-screen scale.
#pragma once

#include "platform/win32/handles.h"

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

// The layout is designed at 96 dots per inch; Scale turns design pixels into screen pixels for
// the screen's DPI (the manifest declares the program DPI-aware, so Windows does not stretch it).
int ScreenDpi();
int Scale(int designPixels);

// A font of `face`; `height` in design pixels of the character height (negative LOGFONT height).
Font MakeFont(const char* face, int height, bool bold = false, bool underline = false);
// The pixel height of a font of `points` points at 96 DPI (8 points give 11).
int PointsToPixels(int points);

} // namespace mendrake::widgets
