// The main window's controls and where they sit, in design pixels scaled for the screen.
#include "ui/main_unit.h"

#include "ui/images.h"
#include "ui/texts.h"

#include <algorithm>

namespace mendrake {

namespace {

using widgets::Dock;

constexpr COLORREF kWhite = RGB(255, 255, 255);
// The office-style strips: a light gradient from top to bottom.
constexpr COLORREF kStripTop = RGB(252, 253, 255);
constexpr COLORREF kStripBottom = RGB(214, 225, 242);

// The tree's place in its pane and the link labels' first place, in design pixels.
constexpr RECT kTreePlace{2, 42, 2 + 225, 42 + 399};
constexpr int kLinkLeft = 8, kLinkTop = 4, kLinkStep = 17, kLinkWidth = 215, kLinkHeight = 15;

void MoveTo(HWND control, RECT place) {
    MoveWindow(control, place.left, place.top, place.right - place.left, place.bottom - place.top,
               FALSE);
}

} // namespace

void T_mainForm::CreateControls() {
    SaveDialog = {Text(IDS_SAVE_LOG_TITLE), Text(IDS_SAVE_LOG_FILTER), "txt", "", ""};

    // The panels' widths: the version, the progress (FormResize gives it what is left), the last.
    AdvOfficeStatusBar.Create(hwnd_, {Scale(233), Scale(500), Scale(20)}, 1);
    AdvOfficeStatusBar.SetPanelText(0, Text(IDS_VERSION_WORD) + " 1.0");
    layout_.Add(AdvOfficeStatusBar.hwnd(), Dock::Bottom);

    BottomAdvPanel.Create(hwnd_, kStripTop, kStripBottom);
    layout_.Add(BottomAdvPanel.hwnd(), Dock::Client);
    TopAdvPanel.Create(BottomAdvPanel.hwnd(), kStripTop, kStripBottom);
    BottomAdvPanel.Layout().Add(TopAdvPanel.hwnd(), Dock::Client);

    CreateLeftPane();
    Splitter.Create(TopAdvPanel.hwnd());
    TopAdvPanel.Layout().Add(Splitter.hwnd(), Dock::Left);
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
    ScaleControls();
    ApplyTexts();
    LayOut();
}

void T_mainForm::ScaleControls() {
    // New fonts and image lists go to the controls before the old ones are deleted.
    widgets::Font formFont = widgets::MakeFont("MS Sans Serif", widgets::PointsToPixels(8), dpi_);
    widgets::Font treeFont = widgets::MakeFont("Tahoma", 13, dpi_);
    widgets::Font buttonFont = widgets::MakeFont("Tahoma", widgets::PointsToPixels(8), dpi_, true);
    widgets::ImageList icons = MakeTreeIcons(dpi_);
    widgets::ImageList marks = MakeCheckMarks(dpi_);

    for (widgets::Control* control :
         {static_cast<widgets::Control*>(&AdvOfficeStatusBar),
          static_cast<widgets::Control*>(&LiveLabel), static_cast<widgets::Control*>(&AdvListView),
          static_cast<widgets::Control*>(&BackupHTMLCheckBox)}) {
        control->SetFont(formFont.get());
    }
    SendMessageA(EvidencePane, WM_SETFONT, reinterpret_cast<WPARAM>(formFont.get()), TRUE);
    for (widgets::ToolButton* button :
         {&AnalyseAdvToolButton, &FixAdvToolButton, &SaveAdvToolButton, &RestoreAdvToolButton}) {
        button->SetFont(buttonFont.get());
    }
    SendMessageA(ItemsHTMLTreeview, WM_SETFONT, reinterpret_cast<WPARAM>(treeFont.get()), TRUE);
    SendMessageA(ItemsHTMLTreeview, TVM_SETINDENT, static_cast<WPARAM>(Scale(20)), 0);
    SendMessageA(ItemsHTMLTreeview, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(icons.get()));
    SendMessageA(ItemsHTMLTreeview, TVM_SETIMAGELIST, TVSIL_STATE,
                 reinterpret_cast<LPARAM>(marks.get()));
    AdvListView.SetStateImages(marks.get());
    formFont_ = std::move(formFont);
    treeFont_ = std::move(treeFont);
    buttonFont_ = std::move(buttonFont);
    ImageList = std::move(icons);
    CheckboxImageList = std::move(marks);

    AdvOfficeStatusBar.SetPanelWidth(0, Scale(233));
    AdvOfficeStatusBar.SetPanelWidth(2, Scale(20));
    layout_.SetSizeOf(AdvOfficeStatusBar.hwnd(), Scale(19));
    TopAdvPanel.Layout().SetSizeOf(Splitter.hwnd(), Scale(3));
    TopAdvPanel.Layout().SetSizeOf(LeftPanel.hwnd(), Scale(233));
    LeftPanel.Layout().SetSizeOf(LeftTopAdvPanel.hwnd(), Scale(33));
    LeftPanel.Layout().SetSizeOf(RightAdvPanel.hwnd(), Scale(58));
    RightPanel.Layout().SetSizeOf(ButtonAdvPanel.hwnd(), Scale(33));
    TopPanel.Layout().SetSizeOf(EvidencePane, Scale(52));
    // The tree keeps its design place; it does not follow resizing (FitTreePane widens it).
    MoveTo(ItemsHTMLTreeview, RECT{Scale(kTreePlace.left), Scale(kTreePlace.top),
                                   Scale(kTreePlace.right), Scale(kTreePlace.bottom)});
    int i = 0;
    for (widgets::LinkLabel* label : {&SiteLabel, &SuggestLabel, &MailToLabel}) {
        label->SetDpi(dpi_);
        const int top = kLinkTop + kLinkStep * i++;
        MoveTo(label->hwnd(), RECT{Scale(kLinkLeft), Scale(top), Scale(kLinkLeft + kLinkWidth),
                                   Scale(top + kLinkHeight)});
    }
}

void T_mainForm::CreateLeftPane() {
    LeftPanel.Create(TopAdvPanel.hwnd(), kWhite, kWhite);
    TopAdvPanel.Layout().Add(LeftPanel.hwnd(), Dock::Left);
    LeftTopAdvPanel.Create(LeftPanel.hwnd(), kStripTop, kStripBottom);
    LeftPanel.Layout().Add(LeftTopAdvPanel.hwnd(), Dock::Top);
    RightAdvPanel.Create(LeftPanel.hwnd(), kWhite, kWhite);
    LeftPanel.Layout().Add(RightAdvPanel.hwnd(), Dock::Bottom);

    ItemsHTMLTreeview = widgets::CreateChild(
        WC_TREEVIEWA, "", TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS | WS_TABSTOP,
        LeftPanel.hwnd(), 0);
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
    SiteLabel.OnClick = [this] { SiteLabelClick(); };
    SuggestLabel.OnClick = [this] { SuggestLabelClick(); };
    MailToLabel.OnClick = [this] { MailToLabelClick(); };
}

void T_mainForm::CreateRightPane() {
    RightPanel.Create(TopAdvPanel.hwnd(), kWhite, kWhite);
    TopAdvPanel.Layout().Add(RightPanel.hwnd(), Dock::Client);
    ButtonAdvPanel.Create(RightPanel.hwnd(), kStripTop, kStripBottom);
    RightPanel.Layout().Add(ButtonAdvPanel.hwnd(), Dock::Top);

    // Their places follow their texts (FormResize).
    AnalyseAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", RECT{});
    FixAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", RECT{});
    BackupHTMLCheckBox.Create(ButtonAdvPanel.hwnd(), "", RECT{}, true);
    RestoreAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", RECT{});
    SaveAdvToolButton.Create(ButtonAdvPanel.hwnd(), "", RECT{});
    LiveLabel.Create(ButtonAdvPanel.hwnd(), RECT{});
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
    TopPanel.Layout().Add(EvidencePane, Dock::Bottom);
    AdvListView.Create(TopPanel.hwnd());
    TopPanel.Layout().Add(AdvListView.hwnd(), Dock::Client);
    // The captions come with the rest of the texts (ApplyTexts), the problem column's width
    // with the problems shown (PlaceProblemColumn).
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
