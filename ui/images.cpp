#include "ui/images.h"

#include <functional>

namespace mendrake {

namespace {

constexpr COLORREF kTransparent = RGB(255, 0, 255);

// Draws one image into a bitmap of `size` x `size` over `background` and adds it, with
// `background` as the mask colour when it is the transparent key.
void AddImage(HIMAGELIST list, int size, COLORREF background,
              const std::function<void(HDC, int)>& draw) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    widgets::Bitmap bitmap(CreateCompatibleBitmap(screen, size, size));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap.get());
    RECT all{0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    draw(dc, size);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_AddMasked(list, bitmap.get(), kTransparent);
}

void Box(HDC dc, int left, int top, int right, int bottom, COLORREF fill, COLORREF frame) {
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, frame);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, left, top, right, bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

int At(int design, int size) {
    return design * size / 16;
}

void Computer(HDC dc, int s) {
    Box(dc, At(1, s), At(2, s), At(15, s), At(12, s), RGB(70, 110, 180), RGB(60, 60, 60));
    Box(dc, At(3, s), At(4, s), At(13, s), At(10, s), RGB(160, 200, 250), RGB(40, 80, 150));
    Box(dc, At(5, s), At(12, s), At(11, s), At(15, s), RGB(170, 170, 170), RGB(90, 90, 90));
}

void Blocks(HDC dc, int s) {
    Box(dc, At(1, s), At(1, s), At(8, s), At(8, s), RGB(80, 140, 220), RGB(30, 70, 140));
    Box(dc, At(8, s), At(1, s), At(15, s), At(8, s), RGB(90, 180, 90), RGB(30, 110, 30));
    Box(dc, At(4, s), At(8, s), At(11, s), At(15, s), RGB(220, 90, 80), RGB(140, 40, 30));
}

void Page(HDC dc, int s) {
    Box(dc, At(3, s), At(1, s), At(13, s), At(15, s), RGB(255, 255, 255), RGB(90, 90, 90));
    for (int y = 4; y <= 12; y += 3) {
        Box(dc, At(5, s), At(y, s), At(11, s), At(y, s) + 1, RGB(120, 120, 120),
            RGB(120, 120, 120));
    }
}

void Folder(HDC dc, int s) {
    Box(dc, At(1, s), At(2, s), At(7, s), At(5, s), RGB(230, 190, 80), RGB(150, 110, 30));
    Box(dc, At(1, s), At(4, s), At(15, s), At(14, s), RGB(250, 215, 110), RGB(150, 110, 30));
}

void CheckMark(HDC dc, int s, bool ticked) {
    const int box = At(13, s);
    const int offset = (s - box) / 2;
    RECT frame{offset, offset, offset + box, offset + box};
    DrawFrameControl(dc, &frame, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (ticked ? DFCS_CHECKED : 0u));
}

widgets::ImageList NewList(int size, int count) {
    return widgets::ImageList(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, count, 0));
}

} // namespace

widgets::ImageList MakeTreeIcons(int dpi) {
    const int size = widgets::Scale(16, dpi);
    widgets::ImageList list = NewList(size, 5);
    AddImage(list.get(), size, kTransparent, Computer);
    AddImage(list.get(), size, kTransparent, Blocks);
    AddImage(list.get(), size, kTransparent, Page);
    AddImage(list.get(), size, kTransparent, Page);
    AddImage(list.get(), size, kTransparent, Folder);
    return list;
}

widgets::ImageList MakeCheckMarks(int dpi) {
    const int size = widgets::Scale(16, dpi);
    widgets::ImageList list = NewList(size, 3);
    const COLORREF white = RGB(255, 255, 255);
    AddImage(list.get(), size, white, [](HDC dc, int s) { CheckMark(dc, s, false); });
    AddImage(list.get(), size, white, [](HDC dc, int s) { CheckMark(dc, s, true); });
    AddImage(list.get(), size, white, [](HDC dc, int s) { CheckMark(dc, s, false); });
    return list;
}

} // namespace mendrake
