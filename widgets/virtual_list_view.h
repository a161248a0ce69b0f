// A report-view list in virtual mode: it holds a row count only and asks OnData for a row's
// state image, caption and sub-items whenever it draws one. Whole-row selection of several
// rows, grid lines, read-only labels; columns of fixed width, and auto-sized ones sharing the
// rest equally; a sort arrow in the header; the keys and the context menu passed to the owner.
// Resting the mouse on a row shows the whole row (every column's text, one a line) as a tip.
#pragma once

#include "widgets/control.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace mendrake::widgets {

struct ListRow {
    int stateImage = 0; // image of the state image list shown at the row's left edge
    std::string caption;
    std::vector<std::string> subItems;
};

class VirtualListView : public Control {
  public:
    void Create(HWND parent);
    void AddColumn(const char* caption, int width, bool autoSize);
    // A new width for a column of fixed width; the auto-sized ones share what is left.
    void SetColumnWidth(int column, int width);
    void SetColumnText(int column, const std::string& caption);
    void SetStateImages(HIMAGELIST images);
    int RowCount() const;
    void SetRowCount(int count);
    void Clear() { SetRowCount(0); }
    void Repaint();

    // The selected rows, ascending; the row with the focus rectangle, or -1.
    std::vector<int> SelectedRows() const;
    int FocusedRow() const;
    void SelectAll();
    void SelectNone();
    // Selects exactly `rows` and puts the focus on `focused` (none when it is -1).
    void SelectRows(const std::vector<int>& rows, int focused);
    // The header's arrow: up on `column` when ascending, down when not; none for column -1.
    void SetSortArrow(int column, bool ascending);

    std::function<void(int row, ListRow& content)> OnData;
    // A left click in a cell: row -1 below the last row; the point in client coordinates.
    std::function<void(int row, int column, POINT point)> OnLeftClickCell;
    // A key pressed in the list; true when the owner took it (the list then ignores it).
    std::function<bool(UINT key)> OnKeyDown;
    // Right click, Shift+F10 or the menu key: where the menu goes, in screen coordinates.
    std::function<void(POINT screen)> OnContextMenu;
    std::function<void(int column)> OnColumnClick;
    // The focused row changed (by the mouse or the keyboard): the row, or -1 for none.
    std::function<void(int row)> OnFocusChange;
    // Typing in the list: the row at or after `start` (wrapping) whose caption starts with
    // `text`, or -1.
    std::function<int(int start, const std::string& text)> OnFindRow;
    // Answers the list's notifications; true when `header` came from this list.
    bool HandleNotify(const NMHDR& header, LRESULT& result);

  private:
    static LRESULT CALLBACK Hook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR self);
    void FitColumns();
    void FillDisplayInfo(NMLVDISPINFOA& info);
    // The row's texts, one a line, for the tip the list shows over a row.
    std::string RowTip(int row);
    POINT MenuPoint(LPARAM lParam) const;
    LRESULT FindRow(const NMHDR& header);

    struct Column {
        int width;
        bool autoSize;
    };
    std::vector<Column> columns_;
};

} // namespace mendrake::widgets
