// The window in the user's language: every text from the string table, the system menu's
// "Language" submenu that switches them all at once, and the widths that hold the longest
// texts (buttons, the check box, the category tree) at any DPI.
#include "ui/main_unit.h"

#include "settings/lang_unit.h"
#include "settings/reg_unit.h"
#include "ui/texts.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace mendrake {

namespace {

// Where the "Language" submenu sits in the system menu: appended after a separator.
int LanguageMenuPosition(HMENU system) {
    return GetMenuItemCount(system) - 1;
}

// The shipped block a stored number shows: a number without a block of its own is English.
std::int32_t ShownLanguage(std::int32_t language, const std::vector<std::int32_t>& shipped) {
    return std::find(shipped.begin(), shipped.end(), language) != shipped.end() ? language : 0;
}

} // namespace

void T_mainForm::CreateLanguageMenu() {
    menuLanguages_ = ShippedLanguages();
    HMENU system = GetSystemMenu(hwnd_, FALSE);
    languageMenu_ = CreatePopupMenu();
    if (!system || !languageMenu_) {
        return;
    }
    for (std::size_t i = 0; i < menuLanguages_.size(); ++i) {
        // Each language by its own name, so that a user finds theirs whatever is shown now.
        AppendMenuA(languageMenu_, MF_STRING, kLanguageCommand + 16 * i,
                    LangText(menuLanguages_[i], IDS_LANGUAGE_NAME).c_str());
    }
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(system, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(languageMenu_),
                Text(IDS_SYSTEM_MENU_LANGUAGE).c_str());
}

void T_mainForm::LanguageMenuClick(std::int32_t language) {
    const auto uiDefault =
        LanguageOfUiLanguage(static_cast<std::uint16_t>(GetUserDefaultUILanguage()));
    ChooseLanguage(SettingsKey, language, uiDefault);
    UpdateLang(language);
}

void T_mainForm::ApplyTexts() {
    ShowEvidenceOf(AdvListView.FocusedRow());
    AnalyseAdvToolButton.SetText(Text(work_ == Work::Analysis ? IDS_STOP : IDS_ANALYSE));
    FixAdvToolButton.SetText(Text(IDS_FIX));
    BackupHTMLCheckBox.SetText(Text(IDS_MAKE_BACKUP));
    RestoreAdvToolButton.SetText(Text(IDS_RESTORE));
    SaveAdvToolButton.SetText(Text(IDS_SAVE_LOG));
    AdvListView.SetColumnText(0, Text(IDS_COLUMN_PROBLEM));
    AdvListView.SetColumnText(1, Text(IDS_COLUMN_DATA));
    AdvListView.SetColumnText(2, Text(IDS_COLUMN_KEY));
    SiteLabel.SetHint(Text(IDS_HINT_SITE, {kSiteTarget}));
    SuggestLabel.SetHint(Text(IDS_HINT_SUGGEST, {kSuggestTarget}));
    MailToLabel.SetHint(Text(IDS_HINT_MAIL, {kMailTarget}));
    SaveDialog.Title = Text(IDS_SAVE_LOG_TITLE);
    SaveDialog.Filter = Text(IDS_SAVE_LOG_FILTER);
    if (VersionInfo) {
        AdvOfficeStatusBar.SetPanelText(0, Text(IDS_VERSION_WORD) + " " +
                                               VersionInfo->StringValue("FileVersion"));
    }
    if (HMENU system = GetSystemMenu(hwnd_, FALSE); system && languageMenu_) {
        const std::string entry = Text(IDS_SYSTEM_MENU_LANGUAGE);
        ModifyMenuA(system, static_cast<UINT>(LanguageMenuPosition(system)),
                    MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(languageMenu_),
                    entry.c_str());
        const auto shown = std::find(menuLanguages_.begin(), menuLanguages_.end(),
                                     ShownLanguage(WindowLanguage(), menuLanguages_));
        if (shown != menuLanguages_.end() && !menuLanguages_.empty()) {
            const auto last =
                static_cast<UINT>(kLanguageCommand + 16 * (menuLanguages_.size() - 1));
            CheckMenuRadioItem(
                languageMenu_, kLanguageCommand, last,
                static_cast<UINT>(kLanguageCommand + 16 * (shown - menuLanguages_.begin())),
                MF_BYCOMMAND);
        }
    }
    ShowCounts(countsShown_);
    LiveLabel.SetText(liveText_ ? liveText_() : std::string());
    FitProblemColumn();
    AdvListView.Repaint(); // the problem texts of the rows
    FitButtons();
    FitTreePane();
}

void T_mainForm::ShowLive(std::function<std::string()> text) {
    liveText_ = std::move(text);
    LiveLabel.SetText(liveText_ ? liveText_() : std::string());
}

// Each button as wide as the design made it, or wider for a longer text; "Analyse" holds
// "Stop" as well, so that it does not change its width during a run.
void T_mainForm::FitButtons() {
    auto width = [this](const widgets::Control& control, std::initializer_list<int> ids, int design,
                        int frame) {
        int widest = 0;
        for (int id : ids) {
            widest = std::max(widest, control.TextWidth(Text(id)));
        }
        return std::max(Scale(design), widest + frame);
    };
    const int buttonFrame = Scale(16);
    // The check box's box and its gap to the text.
    const int checkFrame = widgets::MetricForDpi(SM_CXMENUCHECK, dpi_) + Scale(6);
    analyseWidth_ = width(AnalyseAdvToolButton, {IDS_ANALYSE, IDS_STOP}, 114, buttonFrame);
    fixWidth_ = width(FixAdvToolButton, {IDS_FIX}, 114, buttonFrame);
    backupWidth_ = width(BackupHTMLCheckBox, {IDS_MAKE_BACKUP}, 95, checkFrame);
    restoreWidth_ = width(RestoreAdvToolButton, {IDS_RESTORE}, 114, buttonFrame);
    saveWidth_ = width(SaveAdvToolButton, {IDS_SAVE_LOG}, 114, buttonFrame);
    FormResize();
}

// The tree pane as wide as the design made it, or wider, so that the longest node name with a
// count of five digits fits without a horizontal scroll bar.
void T_mainForm::FitTreePane() {
    if (!ItemsHTMLTreeview) {
        return;
    }
    HDC dc = GetDC(ItemsHTMLTreeview);
    HGDIOBJ old = SelectObject(dc, treeFont_.get());
    const int scrolled = GetScrollPos(ItemsHTMLTreeview, SB_HORZ);
    int needed = 0;
    for (int i = 0; i < NodeCount(); ++i) {
        HTREEITEM node = NodeAt(i);
        const TLevel* level = i == 0 ? &RootLevel : LevelOf(node);
        if (!level) {
            continue;
        }
        // TVM_GETITEMRECT takes the item's handle in the rectangle it fills.
        RECT text{};
        std::memcpy(&text, &node, sizeof node);
        if (!SendMessageA(ItemsHTMLTreeview, TVM_GETITEMRECT, TRUE,
                          reinterpret_cast<LPARAM>(&text))) {
            continue;
        }
        const std::wstring caption = WideFromAnsi(CategoryText(*level) + " (00000)");
        SIZE size{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        // The item's text rectangle has a few pixels of padding on each side.
        needed = std::max(needed, static_cast<int>(text.left) + scrolled +
                                      static_cast<int>(size.cx) + Scale(8));
    }
    SelectObject(dc, old);
    ReleaseDC(ItemsHTMLTreeview, dc);

    RECT outer{}, inner{};
    GetWindowRect(ItemsHTMLTreeview, &outer);
    GetClientRect(ItemsHTMLTreeview, &inner);
    const int borders = static_cast<int>((outer.right - outer.left) - inner.right);
    // Room for a vertical scroll bar as well, should the pane be made short; the design puts
    // the tree 2 pixels from the pane's left edge and 6 from its right.
    int treeWidth =
        std::max(Scale(225), needed + borders + widgets::MetricForDpi(SM_CXVSCROLL, dpi_));
    // Within the work area beside the button strip at its narrowest: a language of long words
    // at a large scale gets a narrower pane (its tree then scrolls sideways) rather than a
    // window larger than the screen.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT outside =
        widgets::FrameForDpi(static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)),
                             static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)), dpi_);
    const int room = static_cast<int>((work.right - work.left) - (outside.right - outside.left)) -
                     Scale(3) - StripWidth(3) - Scale(8);
    treeWidth = std::max(Scale(120), std::min(treeWidth, room));
    TopAdvPanel.Layout().SetSizeOf(LeftPanel.hwnd(), treeWidth + Scale(8));
    TopAdvPanel.Relayout();
    SetWindowPos(ItemsHTMLTreeview, nullptr, Scale(2), Scale(42), treeWidth, TreeHeight(),
                 SWP_NOZORDER | SWP_NOACTIVATE);

    // A language with long words may need more than the window's width for the pane and the
    // button strip on one row: the window grows, within the work area (and moves left to stay
    // inside it); where that is not enough the strip takes a second row (FormResize).
    const int wanted = treeWidth + Scale(8) + Scale(3) + StripWidth(1);
    RECT client{}, frame{};
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &frame);
    if (!IsZoomed(hwnd_) && client.right > 0 && client.right < wanted) {
        const int width = std::min(static_cast<int>(frame.right - frame.left) + wanted -
                                       static_cast<int>(client.right),
                                   static_cast<int>(work.right - work.left));
        const int left =
            std::max(static_cast<int>(work.left),
                     std::min(static_cast<int>(frame.left), static_cast<int>(work.right) - width));
        SetWindowPos(hwnd_, nullptr, left, frame.top, width, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FormResize();
}

// The tree keeps its design place and height; only in a window shorter than the design (a
// small screen at a large scale) does it end where the link labels' strip begins, instead of
// running under the links.
int T_mainForm::TreeHeight() {
    RECT pane{};
    GetClientRect(LeftPanel.hwnd(), &pane);
    const int linksTop =
        static_cast<int>(pane.bottom) - LeftPanel.Layout().SizeOf(RightAdvPanel.hwnd());
    return std::max(0, std::min(Scale(399), linksTop - Scale(42)));
}

} // namespace mendrake
