#include "widgets/gdi.h"

namespace mendrake::widgets {

int ScreenDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) {
            ReleaseDC(nullptr, screen);
        }
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int Scale(int designPixels) {
    return MulDiv(designPixels, ScreenDpi(), 96);
}

int PointsToPixels(int points) {
    return MulDiv(points, 96, 72);
}

Font MakeFont(const char* face, int height, bool bold, bool underline) {
    LOGFONTA font{};
    font.lfHeight = -Scale(height);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return Font(CreateFontIndirectA(&font));
}

} // namespace mendrake::widgets
