#include "widgets/virtual_list_view.h"

#include "widgets/gdi.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

namespace mendrake::widgets {

void VirtualListView::Create(HWND parent) {
    hwnd_ = CreateChild(WC_LISTVIEWA, "",
                        LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                            WS_TABSTOP,
                        parent, 0, WS_EX_CLIENTEDGE);
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    // In virtual mode the state image is asked for like the texts.
    SendMessageA(hwnd_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    SetWindowSubclass(hwnd_, Hook, 1, reinterpret_cast<DWORD_PTR>(this));
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

void VirtualListView::SetColumnWidth(int column, int width) {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size() ||
        columns_[static_cast<std::size_t>(column)].width == width) {
        return;
    }
    columns_[static_cast<std::size_t>(column)].width = width;
    FitColumns();
}

void VirtualListView::SetColumnText(int column, const std::string& caption) {
    LVCOLUMNA header{};
    header.mask = LVCF_TEXT;
    header.pszText = const_cast<char*>(caption.c_str());
    SendMessageA(hwnd_, LVM_SETCOLUMNA, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&header));
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

std::vector<int> VirtualListView::SelectedRows() const {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                LVNI_SELECTED))) >= 0) {
        rows.push_back(row);
    }
    return rows;
}

int VirtualListView::FocusedRow() const {
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void VirtualListView::SelectAll() {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    // Item -1 stands for every row, the way a virtual list selects them all at once.
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void VirtualListView::SelectNone() {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void VirtualListView::SelectRows(const std::vector<int>& rows, int focused) {
    SelectNone();
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    for (int row : rows) {
        SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
    if (focused >= 0) {
        item.stateMask = LVIS_FOCUSED;
        item.state = LVIS_FOCUSED;
        SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(focused),
                     reinterpret_cast<LPARAM>(&item));
    }
}

void VirtualListView::SetSortArrow(int column, bool ascending) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(hwnd_, LVM_GETHEADER, 0, 0));
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (static_cast<int>(i) == column) {
            item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        }
        SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

// The menu's place: the mouse's for a click; for Shift+F10 or the menu key (no position), the
// focused row's left edge, or the list's corner when no row has the focus or it is scrolled
// out of sight.
POINT VirtualListView::MenuPoint(LPARAM lParam) const {
    if (lParam != -1) {
        return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    }
    const int inset = Scale(20, DpiOf(hwnd_));
    POINT at{inset, inset};
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int focused = FocusedRow();
    RECT row{};
    row.left = LVIR_LABEL;
    if (focused >= 0 && SendMessageA(hwnd_, LVM_GETITEMRECT, static_cast<WPARAM>(focused),
                                     reinterpret_cast<LPARAM>(&row))) {
        const POINT middle{row.left + inset, (row.top + row.bottom) / 2};
        if (PtInRect(&client, middle)) {
            at = middle;
        }
    }
    ClientToScreen(hwnd_, &at);
    return at;
}

LRESULT CALLBACK VirtualListView::Hook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<VirtualListView*>(data);
    switch (message) {
    case WM_KEYDOWN:
        if (self->OnKeyDown && self->OnKeyDown(static_cast<UINT>(wParam))) {
            return 0;
        }
        break;
    case WM_CHAR:
        // Space ticks; it would otherwise start a search for rows beginning with a blank.
        if (wParam == ' ') {
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        if (self->OnContextMenu) {
            self->OnContextMenu(self->MenuPoint(lParam));
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Hook, 1);
        break;
    default:
        break;
    }
    const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (message == WM_SIZE) {
        self->FitColumns();
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

std::string VirtualListView::RowTip(int row) {
    if (!OnData || row < 0 || row >= RowCount()) {
        return {};
    }
    ListRow content;
    OnData(row, content);
    std::string tip = content.caption;
    for (const std::string& text : content.subItems) {
        if (!text.empty()) {
            tip.append("\r\n").append(text);
        }
    }
    return tip;
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
    } else if (header.code == LVN_ITEMCHANGED && OnFocusChange) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) != 0 &&
            ((change.uNewState ^ change.uOldState) & LVIS_FOCUSED) != 0) {
            OnFocusChange((change.uNewState & LVIS_FOCUSED) != 0 ? change.iItem : -1);
        }
    } else if (header.code == LVN_COLUMNCLICK && OnColumnClick) {
        OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
    } else if (header.code == LVN_ODFINDITEMA || header.code == LVN_ODFINDITEMW) {
        result = FindRow(header);
    } else if (header.code == LVN_GETINFOTIPA) {
        // The list puts its own text (the cell's, when cut) first; the row replaces it.
        auto& tip = reinterpret_cast<NMLVGETINFOTIPA&>(const_cast<NMHDR&>(header));
        if (tip.pszText && tip.cchTextMax > 0) {
            lstrcpynA(tip.pszText, RowTip(tip.iItem).c_str(), tip.cchTextMax);
        }
    } else if (header.code == LVN_GETINFOTIPW) {
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(const_cast<NMHDR&>(header));
        if (tip.pszText && tip.cchTextMax > 0) {
            const std::string text = RowTip(tip.iItem);
            const int written =
                MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, tip.pszText, tip.cchTextMax);
            if (written == 0) {
                tip.pszText[0] = L'\0'; // longer than the list's buffer: no tip rather than half
            }
        }
    }
    return true;
}

// Incremental search by typing: the list asks which row starts with the text typed so far.
// Without an answer of ours it would jump to the first row whatever was typed.
LRESULT VirtualListView::FindRow(const NMHDR& header) {
    if (!OnFindRow) {
        return -1;
    }
    std::string text;
    int start = 0;
    if (header.code == LVN_ODFINDITEMA) {
        const auto& find = reinterpret_cast<const NMLVFINDITEMA&>(header);
        if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || !find.lvfi.psz) {
            return -1;
        }
        text = find.lvfi.psz;
        start = find.iStart;
    } else {
        const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
        if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || !find.lvfi.psz) {
            return -1;
        }
        const int size =
            WideCharToMultiByte(CP_ACP, 0, find.lvfi.psz, -1, nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(std::max(1, size)));
        WideCharToMultiByte(CP_ACP, 0, find.lvfi.psz, -1, text.data(), size, nullptr, nullptr);
        text.resize(std::strlen(text.c_str()));
        start = find.iStart;
    }
    return OnFindRow(start, text);
}

} // namespace mendrake::widgets
