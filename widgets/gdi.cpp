#include "widgets/gdi.h"

namespace mendrake::widgets {

int PointsToPixels(int points) {
    return MulDiv(points, 96, 72);
}

Font MakeFont(const char* face, int height, int dpi, bool bold, bool underline) {
    LOGFONTA font{};
    font.lfHeight = -Scale(height, dpi);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return Font(CreateFontIndirectA(&font));
}

int FontHeight(HFONT font) {
    LOGFONTA shape{};
    if (!font || GetObjectA(font, sizeof shape, &shape) == 0) {
        return 0;
    }
    return shape.lfHeight < 0 ? -shape.lfHeight : shape.lfHeight;
}

} // namespace mendrake::widgets
