#include "widgets/virtual_list_view.h"

#include <algorithm>

namespace mendrake::widgets {

void VirtualListView::Create(HWND parent) {
    hwnd_ = CreateChild(WC_LISTVIEWA, "",
                        LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL |
                            LVS_SHAREIMAGELISTS | WS_TABSTOP,
                        parent, 0, WS_EX_CLIENTEDGE);
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    // In virtual mode the state image is asked for like the texts.
    SendMessageA(hwnd_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    SetWindowSubclass(hwnd_, SizeHook, 1, reinterpret_cast<DWORD_PTR>(this));
}

void VirtualListView::AddColumn(const char* caption, int width, bool autoSize) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(caption);
    column.cx = width;
    column.iSubItem = static_cast<int>(columns_.size());
    SendMessageA(hwnd_, LVM_INSERTCOLUMNA, columns_.size(), reinterpret_cast<LPARAM>(&column));
    columns_.push_back({width, autoSize});
    FitColumns();
}

void VirtualListView::SetStateImages(HIMAGELIST images) {
    SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(images));
}

int VirtualListView::RowCount() const {
    return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0));
}

void VirtualListView::SetRowCount(int count) {
    SendMessageA(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::max(0, count)), 0);
    Repaint();
}

void VirtualListView::Repaint() {
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void VirtualListView::FitColumns() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    int fixed = 0;
    int shared = 0;
    for (const Column& column : columns_) {
        column.autoSize ? ++shared : fixed += column.width;
    }
    const int each = shared > 0 ? std::max(0, static_cast<int>(client.right - fixed) / shared) : 0;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int width = columns_[i].autoSize ? each : columns_[i].width;
        SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(width, 0));
    }
}

LRESULT CALLBACK VirtualListView::SizeHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
    const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (message == WM_SIZE) {
        reinterpret_cast<VirtualListView*>(self)->FitColumns();
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, SizeHook, 1);
    }
    return result;
}

void VirtualListView::FillDisplayInfo(NMLVDISPINFOA& info) {
    LVITEMA& item = info.item;
    if (!OnData || item.iItem < 0 || item.iItem >= RowCount()) {
        return;
    }
    ListRow row;
    OnData(item.iItem, row);
    if (item.mask & LVIF_STATE) {
        // A state image index is one-based in a list view: index n shows image n - 1.
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) |
                     INDEXTOSTATEIMAGEMASK(static_cast<UINT>(row.stateImage + 1));
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::string* text = nullptr;
        if (item.iSubItem == 0) {
            text = &row.caption;
        } else if (static_cast<std::size_t>(item.iSubItem) <= row.subItems.size()) {
            text = &row.subItems[static_cast<std::size_t>(item.iSubItem) - 1];
        }
        lstrcpynA(item.pszText, text ? text->c_str() : "", item.cchTextMax);
    }
}

bool VirtualListView::HandleNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != hwnd_) {
        return false;
    }
    result = 0;
    if (header.code == LVN_GETDISPINFOA) {
        FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header)));
    } else if (header.code == NM_CLICK && OnLeftClickCell) {
        const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
        LVHITTESTINFO hit{};
        hit.pt = click.ptAction;
        SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        const bool onRow = hit.iItem >= 0 && (hit.flags & LVHT_ONITEM) != 0;
        OnLeftClickCell(onRow ? hit.iItem : -1, onRow ? hit.iSubItem : -1, click.ptAction);
    }
    return true;
}

} // namespace mendrake::widgets
