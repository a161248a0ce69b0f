// A report-view list in virtual mode: it holds a row count only and asks OnData for a row's
// state image, caption and sub-items whenever it draws one. Whole-row selection, grid lines,
// read-only labels; columns of fixed width, and auto-sized ones sharing the rest equally.
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
    void SetStateImages(HIMAGELIST images);
    int RowCount() const;
    void SetRowCount(int count);
    void Clear() { SetRowCount(0); }
    void Repaint();

    std::function<void(int row, ListRow& content)> OnData;
    // A left click in a cell: row -1 below the last row; the point in client coordinates.
    std::function<void(int row, int column, POINT point)> OnLeftClickCell;
    // Answers the list's notifications; true when `header` came from this list.
    bool HandleNotify(const NMHDR& header, LRESULT& result);

  private:
    static LRESULT CALLBACK SizeHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    void FitColumns();
    void FillDisplayInfo(NMLVDISPINFOA& info);

    struct Column {
        int width;
        bool autoSize;
    };
    std::vector<Column> columns_;
};

} // namespace mendrake::widgets
