// The category tree: filled from Levels, a check mark per node (state image 1 ticked,
// 2 unticked), and the click rules that carry a change down to the children and up to the
// ancestors. Nodes are visited by flat index in tree order, as the analysis visits them.
#include "ui/main_unit.h"

namespace mendrake {

namespace {

constexpr int kTicked = 1;
constexpr int kUnticked = 2;

} // namespace

int T_mainForm::NodeCount() const {
    return static_cast<int>(SendMessageA(ItemsHTMLTreeview, TVM_GETCOUNT, 0, 0));
}

HTREEITEM T_mainForm::NodeAt(int index) const {
    auto next = [this](HTREEITEM node, UINT relation) {
        return reinterpret_cast<HTREEITEM>(SendMessageA(ItemsHTMLTreeview, TVM_GETNEXTITEM,
                                                        relation, reinterpret_cast<LPARAM>(node)));
    };
    HTREEITEM node = next(nullptr, TVGN_ROOT);
    for (int i = 0; node && i < index; ++i) {
        // Depth first: the first child, else the next sibling of the node or of an ancestor.
        HTREEITEM following = next(node, TVGN_CHILD);
        while (!following && node) {
            following = next(node, TVGN_NEXT);
            if (!following) {
                node = next(node, TVGN_PARENT);
            }
        }
        node = following;
    }
    return node;
}

HTREEITEM T_mainForm::ParentOf(HTREEITEM node) const {
    return reinterpret_cast<HTREEITEM>(SendMessageA(ItemsHTMLTreeview, TVM_GETNEXTITEM, TVGN_PARENT,
                                                    reinterpret_cast<LPARAM>(node)));
}

int T_mainForm::StateIndex(HTREEITEM node) const {
    const auto state = static_cast<UINT>(SendMessageA(
        ItemsHTMLTreeview, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_STATEIMAGEMASK));
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

void T_mainForm::SetStateIndex(HTREEITEM node, int state) {
    TVITEMA item{};
    item.mask = TVIF_STATE;
    item.hItem = node;
    item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state));
    item.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageA(ItemsHTMLTreeview, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

const TLevel* T_mainForm::LevelOf(HTREEITEM node) const {
    TVITEMA item{};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    if (!SendMessageA(ItemsHTMLTreeview, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    return reinterpret_cast<const TLevel*>(item.lParam);
}

void T_mainForm::fill_issues(HTREEITEM node) {
    const TLevel* parent = LevelOf(node);
    if (!parent) {
        return;
    }
    for (const TLevel& level : Levels) {
        if (level.ParentId != parent->Id) {
            continue;
        }
        TVINSERTSTRUCTA insert{};
        insert.hParent = node;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        insert.item.pszText = const_cast<char*>(level.Name);
        insert.item.lParam = reinterpret_cast<LPARAM>(&level);
        insert.item.iImage = level.ImageIndex;
        insert.item.iSelectedImage = level.ImageIndex;
        insert.item.state = INDEXTOSTATEIMAGEMASK(kTicked);
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
        auto child = reinterpret_cast<HTREEITEM>(
            SendMessageA(ItemsHTMLTreeview, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        fill_issues(child);
    }
}

void T_mainForm::set_child(HTREEITEM node, bool ticked) {
    const int count = NodeCount();
    for (int i = 0; i < count; ++i) {
        HTREEITEM candidate = NodeAt(i);
        if (candidate && ParentOf(candidate) == node) {
            SetStateIndex(candidate, ticked ? kTicked : kUnticked);
            set_child(candidate, ticked);
        }
    }
}

void T_mainForm::set_parent(HTREEITEM node) {
    HTREEITEM parent = ParentOf(node);
    const int count = NodeCount();
    for (int i = 0; parent && i < count; ++i) {
        if (NodeAt(i) == parent) {
            SetStateIndex(parent, kTicked);
            set_parent(parent);
        }
    }
}

void T_mainForm::reset_parent(HTREEITEM node) {
    HTREEITEM parent = ParentOf(node);
    if (!parent) {
        return;
    }
    const int count = NodeCount();
    for (int i = 0; i < count; ++i) {
        HTREEITEM sibling = NodeAt(i);
        if (ParentOf(sibling) == parent && StateIndex(sibling) == kTicked) {
            return;
        }
    }
    SetStateIndex(parent, kUnticked);
    reset_parent(parent);
}

void T_mainForm::ItemsHTMLTreeviewClick() {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(ItemsHTMLTreeview, &point);
    TVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageA(ItemsHTMLTreeview, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!hit.hItem || (hit.flags & TVHT_ONITEMSTATEICON) == 0) {
        return;
    }
    // The node whose box was clicked: the click normally selected it already; where the
    // control has not (yet) done so, select it, so the mark and the list agree.
    HTREEITEM node = hit.hItem;
    if (reinterpret_cast<HTREEITEM>(
            SendMessageA(ItemsHTMLTreeview, TVM_GETNEXTITEM, TVGN_CARET, 0)) != node) {
        SendMessageA(ItemsHTMLTreeview, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
    }
    if (StateIndex(node) == kTicked) {
        SetStateIndex(node, kUnticked);
        set_child(node, false);
        reset_parent(node);
    } else {
        SetStateIndex(node, kTicked);
        set_child(node, true);
        set_parent(node);
    }
    InvalidateRect(ItemsHTMLTreeview, nullptr, TRUE);
}

} // namespace mendrake
