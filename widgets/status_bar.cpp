#include "widgets/status_bar.h"

#include "widgets/wide_text.h"

#include <commctrl.h>

#include <algorithm>

namespace mendrake::widgets {

void StatusBar::Create(HWND parent, std::vector<int> widths, int progressPanel) {
    // The bar is placed by the parent's docking, not by the control itself.
    hwnd_ = CreateChild(STATUSCLASSNAMEA, "", SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN,
                        parent, 0);
    widths_ = std::move(widths);
    texts_.assign(widths_.size(), std::string());
    progressPanel_ = progressPanel;
    ApplyParts();
}

void StatusBar::ApplyParts() {
    std::vector<int> rightEdges;
    int edge = 0;
    for (std::size_t i = 0; i < widths_.size(); ++i) {
        edge += widths_[i];
        rightEdges.push_back(i + 1 == widths_.size() ? -1 : edge);
    }
    SendMessageA(hwnd_, SB_SETPARTS, rightEdges.size(),
                 reinterpret_cast<LPARAM>(rightEdges.data()));
    for (std::size_t i = 0; i < widths_.size(); ++i) {
        const auto part = static_cast<WPARAM>(i);
        if (static_cast<int>(i) == progressPanel_) {
            SendMessageA(hwnd_, SB_SETTEXTA, part | SBT_OWNERDRAW, 0);
        } else {
            SendMessageA(hwnd_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(texts_[i].c_str()));
        }
    }
}

void StatusBar::SetPanelWidth(int index, int width) {
    widths_.at(static_cast<std::size_t>(index)) = std::max(0, width);
    ApplyParts();
}

std::string StatusBar::PanelText(int index) const {
    return texts_.at(static_cast<std::size_t>(index));
}

void StatusBar::SetPanelText(int index, const std::string& text) {
    texts_.at(static_cast<std::size_t>(index)) = text;
    if (index != progressPanel_) {
        SendMessageA(hwnd_, SB_SETTEXTA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(texts_[static_cast<std::size_t>(index)].c_str()));
    }
}

void StatusBar::SetProgressMax(int max) {
    max_ = max;
    InvalidateProgress();
}

void StatusBar::SetProgressPosition(int position) {
    position_ = std::clamp(position, min_, std::max(min_, max_));
    InvalidateProgress();
}

void StatusBar::SetProgressNote(std::string note) {
    note_ = std::move(note);
    InvalidateProgress();
}

std::string StatusBar::ProgressText() const {
    const int span = max_ - min_;
    const int percent = span > 0 ? (position_ - min_) * 100 / span : 0;
    const std::string text = std::to_string(percent) + "%";
    return note_.empty() ? text : note_ + " (" + text + ")";
}

void StatusBar::InvalidateProgress() {
    RECT part{};
    SendMessageA(hwnd_, SB_GETRECT, static_cast<WPARAM>(progressPanel_),
                 reinterpret_cast<LPARAM>(&part));
    InvalidateRect(hwnd_, &part, TRUE);
}

void StatusBar::RepaintNow() {
    UpdateWindow(hwnd_);
}

bool StatusBar::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.hwndItem != hwnd_ || static_cast<int>(item.itemID) != progressPanel_) {
        return false;
    }
    HDC dc = item.hDC;
    RECT bar = item.rcItem;
    InflateRect(&bar, -1, -1);
    FillRect(dc, &bar, GetSysColorBrush(COLOR_WINDOW));
    const int span = max_ - min_;
    RECT done = bar;
    done.right = bar.left + (span > 0 ? (bar.right - bar.left) * (position_ - min_) / span : 0);
    // One colour at every level; the text is drawn twice, light over the bar, dark beside it.
    const COLORREF fill = RGB(61, 126, 204);
    HBRUSH fillBrush = CreateSolidBrush(fill);
    FillRect(dc, &done, fillBrush);
    DeleteObject(fillBrush);
    FrameRect(dc, &bar, GetSysColorBrush(COLOR_BTNSHADOW));

    const std::wstring text = WideFromAnsi(ProgressText());
    SetBkMode(dc, TRANSPARENT);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, done.left, done.top, done.right, done.bottom);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, text.c_str(), -1, &bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
    ExcludeClipRect(dc, done.left, done.top, done.right, done.bottom);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, text.c_str(), -1, &bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return true;
}

} // namespace mendrake::widgets
