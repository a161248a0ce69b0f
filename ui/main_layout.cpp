// The main window's controls and where they sit, in design pixels scaled for the screen.
#include "ui/main_unit.h"

#include "ui/images.h"
#include "ui/texts.h"

#include <algorithm>

namespace mendrake {

namespace {

using widgets::Dock;
using widgets::Scale;

constexpr COLORREF kWhite = RGB(255, 255, 255);
// The office-style strips: a light gradient from top to bottom.
constexpr COLORREF kStripTop = RGB(252, 253, 255);
constexpr COLORREF kStripBottom = RGB(214, 225, 242);

RECT Place(int left, int top, int width, int height) {
    return RECT{Scale(left), Scale(top), Scale(left + width), Scale(top + height)};
}

} // namespace

void T_mainForm::CreateControls() {
    formFont_ = widgets::MakeFont("MS Sans Serif", widgets::PointsToPixels(8));
    treeFont_ = widgets::MakeFont("Tahoma", 13);
    buttonFont_ = widgets::MakeFont("Tahoma", widgets::PointsToPixels(8), true);
    ImageList = MakeTreeIcons();
    CheckboxImageList = MakeCheckMarks();
    SaveDialog = {Text(IDS_SAVE_LOG_TITLE), Text(IDS_SAVE_LOG_FILTER), "txt", "", ""};

    AdvOfficeStatusBar.Create(hwnd_, {Scale(233), Scale(500), Scale(20)}, 1);
    AdvOfficeStatusBar.SetFont(formFont_.get());
    AdvOfficeStatusBar.SetPanelText(0, Text(IDS_VERSION_WORD) + " 1.0");
    layout_.Add(AdvOfficeStatusBar.hwnd(), Dock::Bottom, Scale(19));

    BottomAdvPanel.Create(hwnd_, kStripTop, kStripBottom);
    layout_.Add(BottomAdvPanel.hwnd(), Dock::Client);
    TopAdvPanel.Create(BottomAdvPanel.hwnd(), kStripTop, kStripBottom);
    BottomAdvPanel.Layout().Add(TopAdvPanel.hwnd(), Dock::Client);

    CreateLeftPane();
    Splitter.Create(TopAdvPanel.hwnd());
    TopAdvPanel.Layout().Add(Splitter.hwnd(), Dock::Left, Scale(3));
    Splitter.OnDrag = [this](int delta) {
        RECT pane{};
        GetClientRect(TopAdvPanel.hwnd(), &pane);
        const int width =
            std::clamp(TopAdvPanel.Layout().SizeOf(LeftPanel.hwnd()) + delta, Scale(60),
                       std::max(Scale(60), static_cast<int>(pane.right) - Scale(300)));
        TopAdvPanel.Layout().SetSizeOf(LeftPanel.hwnd(), width);
        TopAdvPanel.Relayout();
        // The button strip changed its width: the right-hand controls keep their distance.
        FormResize();
    };
    CreateRightPane();
    ApplyTexts();
    LayOut();
}

void T_mainForm::CreateLeftPane() {
    LeftPanel.Create(TopAdvPanel.hwnd(), kWhite, kWhite);
    TopAdvPanel.Layout().Add(LeftPanel.hwnd(), Dock::Left, Scale(233));
    LeftTopAdvPanel.Create(LeftPanel.hwnd(), kStripTop, kStripBottom);
    LeftPanel.Layout().Add(LeftTopAdvPanel.hwnd(), Dock::Top, Scale(33));
    RightAdvPanel.Create(LeftPanel.hwnd(), kWhite, kWhite);
    LeftPanel.Layout().Add(RightAdvPanel.hwnd(), Dock::Bottom, Scale(58));

    // The tree keeps its design place; it does not follow resizing.
    ItemsHTMLTreeview = widgets::CreateChild(
        WC_TREEVIEWA, "", TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS | WS_TABSTOP,
        LeftPanel.hwnd(), 0);
    const RECT tree = Place(2, 42, 225, 399);
    MoveWindow(ItemsHTMLTreeview, tree.left, tree.top, tree.right - tree.left,
               tree.bottom - tree.top, FALSE);
    SendMessageA(ItemsHTMLTreeview, WM_SETFONT, reinterpret_cast<WPARAM>(treeFont_.get()), FALSE);
    SendMessageA(ItemsHTMLTreeview, TVM_SETINDENT, static_cast<WPARAM>(Scale(20)), 0);
    SendMessageA(ItemsHTMLTreeview, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(ImageList.get()));
    SendMessageA(ItemsHTMLTreeview, TVM_SETIMAGELIST, TVSIL_STATE,
                 reinterpret_cast<LPARAM>(CheckboxImageList.get()));
    // The root node of the design: "All", icon 0, ticked, no children yet.
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    const std::string all = CategoryText(RootLevel);
    insert.item.pszText = const_cast<char*>(all.c_str());
    insert.item.state = INDEXTOSTATEIMAGEMASK(1);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageA(ItemsHTMLTreeview, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));

    SiteLabel.Create(RightAdvPanel.hwnd(), "kestrava.com/mendrake", "", kWhite);
    SuggestLabel.Create(RightAdvPanel.hwnd(), "kestrava.com/mendrake/suggest", "", kWhite);
    MailToLabel.Create(RightAdvPanel.hwnd(), "support@kestrava.com", "", kWhite);
    widgets::LinkLabel* labels[] = {&SiteLabel, &SuggestLabel, &MailToLabel};
    for (int i = 0; i < 3; ++i) {
        const RECT place = Place(8, 4 + 17 * i, 215, 15);
        MoveWindow(labels[i]->hwnd(), place.left, place.top, place.right - place.left,
                   place.bottom - place.top, FALSE);
    }
    SiteLabel.OnClick = [this] { SiteLabelClick(); };
    SuggestLabel.OnClick = [this] { SuggestLabelClick(); };
    MailToLabel.OnClick = [this] { MailToLabelClick(); };
}

void T_mainForm::CreateRightPane() {
    RightPanel.Create(TopAdvPanel.hwnd(), kWhite, kWhite);
    TopAdvPanel.Layout().Add(RightPanel.hwnd(), Dock::Client);
    ButtonAdvPanel.Create(RightPanel.hwnd(), kStripTop, kStripBottom);
    RightPanel.Layout().Add(ButtonAdvPanel.hwnd(), Dock::Top, Scale(33));

    AnalyseAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", Place(6, 5, 114, 22));
    FixAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", Place(125, 5, 114, 22));
    BackupHTMLCheckBox.Create(ButtonAdvPanel.hwnd(), "", Place(456, 8, 95, 17), true);
    RestoreAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", Place(556, 5, 114, 22));
    SaveAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", Place(676, 5, 114, 22));
    LiveLabel.Create(ButtonAdvPanel.hwnd(), Place(247, 10, 203, 14));
    LiveLabel.SetFont(formFont_.get());
    for (widgets::Control* button : {static_cast<widgets::Control*>(&AnalyseAdvToolButton),
                                     static_cast<widgets::Control*>(&FixAdvToolButton),
                                     static_cast<widgets::Control*>(&SaveAdvToolButton),
                                     static_cast<widgets::Control*>(&RestoreAdvToolButton)}) {
        button->SetFont(buttonFont_.get());
    }
    BackupHTMLCheckBox.SetFont(formFont_.get());
    FixAdvToolButton.SetEnabled(false);
    SaveAdvToolButton.SetEnabled(false);
    AnalyseAdvToolButton.OnClick = [this] { AnalyseAdvToolButtonClick(); };
    FixAdvToolButton.OnClick = [this] { FixAdvToolButtonClick(); };
    SaveAdvToolButton.OnClick = [this] { SaveAdvToolButtonClick(); };
    RestoreAdvToolButton.OnClick = [this] { RestoreAdvToolButtonClick(); };
    BackupHTMLCheckBox.OnClick = [this] { BackupHTMLCheckBoxClick(); };

    TopPanel.Create(RightPanel.hwnd(), kWhite, kWhite);
    RightPanel.Layout().Add(TopPanel.hwnd(), Dock::Client);
    // The evidence pane takes the bottom of the panel, the list the rest.
    EvidencePane = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                       ES_AUTOVSCROLL,
                                   0, 0, 0, 0, TopPanel.hwnd(), nullptr, nullptr, nullptr);
    TopPanel.Layout().Add(EvidencePane, Dock::Bottom, Scale(52));
    SendMessageA(EvidencePane, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
    AdvListView.Create(TopPanel.hwnd());
    TopPanel.Layout().Add(AdvListView.hwnd(), Dock::Client);
    AdvListView.SetFont(formFont_.get());
    AdvListView.SetStateImages(CheckboxImageList.get());
    // The captions come with the rest of the texts (ApplyTexts).
    AdvListView.AddColumn("", Scale(165), false);
    AdvListView.AddColumn("", 0, true);
    AdvListView.AddColumn("", 0, true);
    AdvListView.AddColumn("", 0, false);
    AdvListView.OnData = [this](int row, widgets::ListRow& content) {
        AdvListViewData(row, content);
    };
    AdvListView.OnLeftClickCell = [this](int row, int column, POINT point) {
        AdvListViewLeftClickCell(row, column, point);
    };
    // These arrive through the list's own window procedure: guarded like our handlers.
    AdvListView.OnKeyDown = [this](UINT key) {
        bool taken = false;
        Guarded([&] { taken = AdvListViewKeyDown(key); });
        return taken;
    };
    AdvListView.OnContextMenu = [this](POINT screen) {
        Guarded([&] { AdvListViewContextMenu(screen); });
    };
    AdvListView.OnColumnClick = [this](int column) { AdvListViewColumnClick(column); };
    AdvListView.OnFocusChange = [this](int row) { Guarded([&] { ShowEvidenceOf(row); }); };
    AdvListView.OnFindRow = [this](int start, const std::string& text) {
        return AdvListViewFindRow(start, text);
    };
}

} // namespace mendrake
