#include "ui/main_unit.h"

#include "engine/error.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"
#include "settings/lang_unit.h"
#include "settings/reg_unit.h"
#include "ui/texts.h"

#include <shellapi.h>

#include <algorithm>
#include <tuple>

namespace mendrake {

bool MakeBackup = false;
std::vector<std::int32_t> ShownIssues;
std::unique_ptr<TVersionInfo> VersionInfo;
T_mainForm* _mainForm = nullptr;

namespace {

constexpr const char* kClassName = "T_mainForm";

constexpr int kDesignWidth = 1045;
constexpr int kDesignHeight = 559;

void OpenWithShell(const char* target) {
    // The shell's answer is not looked at: a missing browser or mail program is the shell's
    // to report.
    ShellExecuteA(nullptr, "open", target, "", nullptr, SW_SHOWNORMAL);
}

} // namespace

T_mainForm::T_mainForm(Prompts& prompts) : prompts_(prompts) {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        // The program's icon at the sizes the title bar and the task bar use; shared icons
        // from the module's resources, which the system keeps for the process's lifetime.
        auto icon = [&](int metricX, int metricY) {
            HANDLE own =
                LoadImageA(wc.hInstance, MAKEINTRESOURCEA(IDI_MENDRAKE), IMAGE_ICON,
                           GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED);
            return own ? static_cast<HICON>(own) : LoadIcon(nullptr, IDI_APPLICATION);
        };
        wc.hIcon = icon(SM_CXICON, SM_CYICON);
        wc.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;

    // Centred on the work area of the primary monitor, at the design size for its DPI or as
    // much of it as the work area holds.
    dpi_ = widgets::ScreenDpi();
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min(Scale(kDesignWidth), static_cast<int>(work.right - work.left));
    const int height = std::min(Scale(kDesignHeight), static_cast<int>(work.bottom - work.top));
    const int left = static_cast<int>(work.left) +
                     std::max(0, static_cast<int>(work.right - work.left) - width) / 2;
    const int top = static_cast<int>(work.top) +
                    std::max(0, static_cast<int>(work.bottom - work.top) - height) / 2;
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, kApplicationTitle,
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left, top, width, height,
                            nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd_) {
        throw Error("Cannot create the main window.");
    }
}

T_mainForm::~T_mainForm() {
    job_.reset(); // stops a running job and waits for it: it may post to the window
    if (hwnd_) {
        DestroyWindow(hwnd_);
    }
}

void T_mainForm::Show(int showCommand) {
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
}

LRESULT CALLBACK T_mainForm::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<T_mainForm*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<T_mainForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    self->Guarded([&] { result = self->Handle(message, wParam, lParam); });
    return result;
}

// No exception leaves a window procedure: a handler's error ends that handler and is shown in an
// error box; the window stays open. A close that arrives while a handler runs (inside the modal
// loop of a message box, a dialog or a menu) waits until the last one has returned.
void T_mainForm::Guarded(const std::function<void()>& handler) {
    ++handlerDepth_;
    try {
        handler();
    } catch (const std::exception& error) {
        ShowError(error);
    }
    --handlerDepth_;
    if (handlerDepth_ == 0) {
        CloseIfDeferred();
    }
}

void T_mainForm::ShowError(const std::exception& error) {
    prompts_.Message(hwnd_, error.what(), Text(IDS_TITLE_ERROR), MB_ICONERROR);
}

LRESULT T_mainForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        dpi_ = widgets::DpiOf(hwnd_);
        SetIcons();
        try {
            CreateControls();
        } catch (const std::exception& error) {
            ShowError(error);
            return -1;
        }
        FormCreate();
        return 0;
    case WM_SIZE:
        LayOut();
        FormResize();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        // Narrow enough for a small screen, wide enough for the tree pane and the button
        // strip on two rows.
        const RECT frame =
            widgets::FrameForDpi(static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)),
                                 static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)), dpi_);
        const int least = LeftPanel.hwnd() ? LeftPanel.Width() + Scale(3) + StripWidth(3) +
                                                 static_cast<int>(frame.right - frame.left)
                                           : 0;
        // Never wider than the work area: the window stays inside it.
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        limits->ptMinTrackSize = {
            std::min(std::max(Scale(480), least), static_cast<int>(work.right - work.left)),
            Scale(360)};
        return 0;
    }
    case WM_DPICHANGED:
        DpiChanged(widgets::DpiOfChange(wParam), lParam);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            FormActivate();
        }
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    case WM_COMMAND:
        // A submenu appended to the system menu reaches its window as WM_COMMAND under Wine
        // (measured with Wine 8), where Windows sends WM_SYSCOMMAND: both choose the language.
        if (lParam == 0 && HIWORD(wParam) == 0 && LanguageCommand(LOWORD(wParam))) {
            return 0;
        }
        if (OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam))) {
            return 0;
        }
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
            return result;
        }
        break;
    }
    case WM_DRAWITEM:
        if (AdvOfficeStatusBar.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
            return TRUE;
        }
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        // A fix cut off by a logoff or shutdown would be half done: it holds them off, with
        // the reason set when it began, until it has ended.
        return work_ == Work::Fix ? FALSE : TRUE;
    case WM_SYSCOMMAND:
        // The four low bits of a system command are the system's own.
        if (LanguageCommand(static_cast<UINT>(wParam & 0xFFF0))) {
            return 0;
        }
        break;
    case kJobEnded:
        WorkerEnded();
        return 0;
    case WM_TIMER:
        if (wParam == kLiveTimer) {
            UpdateLiveLine();
            return 0;
        }
        break;
    case WM_DESTROY:
        if (quitOnDestroy_) {
            PostQuitMessage(0);
        }
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = hwnd_;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

// A close cannot destroy the window under a handler of ours that is still running (a message
// box, the save dialog or a menu runs a modal loop inside it), nor while the worker runs. Such a
// close is remembered, a running analysis is asked to stop, and the window closes as soon as the
// last handler has returned and the worker has ended; never later, on an unrelated click.
void T_mainForm::OnClose() {
    if (handlerDepth_ > 1 || Busy()) {
        closePending_ = true;
        if (work_ == Work::Analysis) {
            StopAnalysis();
        }
        return;
    }
    DestroyWindow(hwnd_);
}

void T_mainForm::CloseIfDeferred() {
    if (closePending_ && !Busy() && hwnd_) {
        closePending_ = false;
        DestroyWindow(hwnd_);
    }
}

bool T_mainForm::LanguageCommand(UINT command) {
    const auto index = (command - kLanguageCommand) / 16;
    if (command < kLanguageCommand || (command - kLanguageCommand) % 16 != 0 ||
        index >= menuLanguages_.size()) {
        return false;
    }
    LanguageMenuClick(menuLanguages_[index]);
    return true;
}

bool T_mainForm::OnCommand(HWND from, WORD code) {
    return AnalyseAdvToolButton.HandleCommand(from, code) ||
           FixAdvToolButton.HandleCommand(from, code) ||
           SaveAdvToolButton.HandleCommand(from, code) ||
           RestoreAdvToolButton.HandleCommand(from, code) ||
           BackupHTMLCheckBox.HandleCommand(from, code) || SiteLabel.HandleCommand(from, code) ||
           SuggestLabel.HandleCommand(from, code) || MailToLabel.HandleCommand(from, code);
}

bool T_mainForm::OnNotify(const NMHDR& header, LRESULT& result) {
    if (AdvListView.HandleNotify(header, result)) {
        return true;
    }
    if (header.hwndFrom != ItemsHTMLTreeview) {
        return false;
    }
    result = 0;
    if (header.code == NM_CLICK) {
        ItemsHTMLTreeviewClick();
    } else if (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW) {
        // The item handle sits at the same place in the ANSI and the wide structure.
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        if (change.itemNew.hItem) {
            ItemsHTMLTreeviewChange(change.itemNew.hItem);
        }
    }
    return true;
}

void T_mainForm::LayOut() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    layout_.Apply(client);
}

void T_mainForm::FormCreate() {
    VersionInfo = std::make_unique<TVersionInfo>(platform::Os().ProgramModule());
    HTREEITEM root = NodeAt(0);
    TVITEMA item{};
    item.mask = TVIF_PARAM;
    item.hItem = root;
    item.lParam = reinterpret_cast<LPARAM>(&RootLevel);
    SendMessageA(ItemsHTMLTreeview, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    fill_issues(root);
    for (int i = 0; i < NodeCount(); ++i) {
        SendMessageA(ItemsHTMLTreeview, TVM_EXPAND, TVE_EXPAND,
                     reinterpret_cast<LPARAM>(NodeAt(i)));
    }
    MakeBackup = true;
    CreateLanguageMenu();
    ApplyTexts();
}

void T_mainForm::FormActivate() {
    // Closing an error box shown from here activates the window again; without this guard a
    // missing version string would bring the box back for ever.
    if (activating_ || !VersionInfo) {
        return;
    }
    activating_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{activating_};
    try {
        SetWindowTextA(hwnd_, VersionInfo->StringValue("ProductName").c_str());
        // A missing value shows the user's UI language, where a block of it ships.
        const std::int32_t language = ActivateLanguage(
            SettingsKey,
            LanguageOfUiLanguage(static_cast<std::uint16_t>(GetUserDefaultUILanguage())));
        UpdateLang(language);
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void T_mainForm::UpdateLang(std::int32_t language) {
    if (language != WindowLanguage()) {
        SetWindowLanguage(language);
        ApplyTexts();
    }
    AdvOfficeStatusBar.SetPanelText(0, LangText(language, IDS_VERSION_WORD) + " " +
                                           VersionInfo->StringValue("FileVersion"));
}

// The window takes the place Windows suggests (the same size on the new monitor, as the user
// sees it), then everything the DPI decides is made again and the texts are fitted anew, as at
// a start on that monitor.
void T_mainForm::DpiChanged(int dpi, LPARAM suggested) {
    dpi_ = dpi;
    SetIcons();
    widgets::MoveToSuggested(hwnd_, suggested);
    ScaleControls();
    LayOut(); // the docked sizes of the new DPI, which the fitting below measures
    ApplyTexts();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// The title bar's and the task switcher's icons drawn at the sizes of the window's DPI, rather
// than the class's (made for the system's DPI) stretched. Shared icons of the module's
// resources: the system keeps them for the process's lifetime.
void T_mainForm::SetIcons() {
    for (const auto& [which, x, y] : {std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON},
                                      std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}}) {
        if (HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MENDRAKE),
                                     IMAGE_ICON, widgets::MetricForDpi(x, dpi_),
                                     widgets::MetricForDpi(y, dpi_), LR_SHARED)) {
            SendMessageA(hwnd_, WM_SETICON, static_cast<WPARAM>(which),
                         reinterpret_cast<LPARAM>(icon));
        }
    }
}

int T_mainForm::StripWidth(int rows) const {
    const int left = Scale(6) + analyseWidth_ + Scale(5) + fixWidth_ + Scale(8);
    const int buttons = Scale(6) + restoreWidth_ + Scale(6) + saveWidth_ + Scale(11);
    const int right = backupWidth_ + Scale(5) + buttons;
    // The live line holds a count of the language at its longest likely.
    const int count = LiveLabel.TextWidth(Text(IDS_ISSUES_FOUND, {"99999"}));
    switch (rows) {
    case 1:
        return left + count + right;
    case 2:
        return std::max(left + count, Scale(6) + right);
    default:
        return std::max({left + count, buttons, Scale(6) + backupWidth_ + Scale(11)});
    }
}

void T_mainForm::FormResize() {
    // The progress panel takes what the version panel and the 20-pixel last panel leave.
    AdvOfficeStatusBar.SetPanelWidth(1, AdvOfficeStatusBar.Width() - Scale(233 + 20));
    // Each button is as wide as its text needs (FitButtons): "Analyse" and "Fix" from the left,
    // "Save log...", "Restore..." and "Make Backup" from the right, at the design's distances.
    auto place = [](const widgets::Control& control, int left, int top, int width, int height) {
        SetWindowPos(control.hwnd(), nullptr, left, top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // One row when the strip holds both groups with the live line's count between them;
    // otherwise "Make Backup", "Restore..." and "Save log..." go to a second row, and where
    // that does not hold them either, "Make Backup" to a third: no control runs over another
    // and the count shows whole (long words, large fonts, a narrow window).
    if (ButtonAdvPanel.hwnd() == nullptr) {
        return; // a size message before the controls are made
    }
    const int strip = ButtonAdvPanel.Width();
    const int rows = strip >= StripWidth(1) ? 1 : strip >= StripWidth(2) ? 2 : 3;
    const int stripHeight = Scale(33) + (rows - 1) * Scale(28);
    if (RightPanel.Layout().SizeOf(ButtonAdvPanel.hwnd()) != stripHeight) {
        RightPanel.Layout().SetSizeOf(ButtonAdvPanel.hwnd(), stripHeight);
        RightPanel.Relayout();
    }
    const int row = rows == 1 ? 0 : Scale(28);
    place(AnalyseAdvToolButton, Scale(6), Scale(5), analyseWidth_, Scale(22));
    place(FixAdvToolButton, Scale(6) + analyseWidth_ + Scale(5), Scale(5), fixWidth_, Scale(22));
    const int saveLeft = strip - Scale(11) - saveWidth_;
    const int restoreLeft = saveLeft - Scale(6) - restoreWidth_;
    place(SaveAdvToolButton, saveLeft, row + Scale(5), saveWidth_, Scale(22));
    place(RestoreAdvToolButton, restoreLeft, row + Scale(5), restoreWidth_, Scale(22));
    if (rows < 3) {
        place(BackupHTMLCheckBox, restoreLeft - Scale(5) - backupWidth_, row + Scale(8),
              backupWidth_, Scale(17));
    } else {
        place(BackupHTMLCheckBox, strip - Scale(11) - backupWidth_, 2 * Scale(28) + Scale(8),
              backupWidth_, Scale(17));
    }
    const bool oneRow = rows == 1;
    // The live line fills the strip between "Fix" and "Make Backup" (or the strip's end).
    const int liveLeft = FixAdvToolButton.Left() + fixWidth_ + Scale(8);
    const int liveRight =
        oneRow ? BackupHTMLCheckBox.Left() - Scale(6) : ButtonAdvPanel.Width() - Scale(11);
    SetWindowPos(LiveLabel.hwnd(), nullptr, liveLeft, Scale(10), std::max(0, liveRight - liveLeft),
                 Scale(14), SWP_NOZORDER | SWP_NOACTIVATE);
    // A static control repaints only what a resize uncovers: an ellipsis drawn while the line
    // was narrower would stay after it grew (seen with Japanese, whose window grows as it fits
    // its texts).
    InvalidateRect(LiveLabel.hwnd(), nullptr, TRUE);
    RECT tree{};
    GetWindowRect(ItemsHTMLTreeview, &tree);
    SetWindowPos(ItemsHTMLTreeview, nullptr, 0, 0, tree.right - tree.left, TreeHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceProblemColumn();
}

void T_mainForm::SiteLabelClick() {
    OpenWithShell(kSiteTarget);
}
void T_mainForm::SuggestLabelClick() {
    OpenWithShell(kSuggestTarget);
}
void T_mainForm::MailToLabelClick() {
    OpenWithShell(kMailTarget);
}

int RunProgram(int showCommand) {
    platform::ComInitialization com;
    platform::Win32Platform os;
    platform::ScopedOs installed(os);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WindowsPrompts prompts;
    try {
        T_mainForm form(prompts);
        _mainForm = &form;
        form.QuitOnDestroy();
        form.Show(showCommand);
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (form.hwnd() && IsDialogMessageA(form.hwnd(), &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        _mainForm = nullptr;
        return static_cast<int>(message.wParam);
    } catch (const std::exception& error) {
        _mainForm = nullptr;
        prompts.Message(nullptr, error.what(), "Error", MB_ICONERROR);
        return 1;
    }
}

} // namespace mendrake
