#include "ui/restore_dialog.h"

#include "engine/error.h"
#include "repair/regexport_unit.h"
#include "repair/restore.h"
#include "ui/texts.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <optional>

namespace mendrake {

namespace {

constexpr const char* kClassName = "MendrakeRestoreDialog";
constexpr int kListId = 100;
constexpr int kBrowseId = 101;

struct Column {
    int caption; // text of the string table
    int width;   // design pixels; 0: what the others leave
    int format;
};
constexpr Column kColumns[] = {{IDS_RESTORE_COLUMN_WHEN, 125, LVCFMT_LEFT},
                               {IDS_RESTORE_COLUMN_KEYS, 50, LVCFMT_RIGHT},
                               {IDS_RESTORE_COLUMN_VALUES, 55, LVCFMT_RIGHT},
                               {IDS_RESTORE_COLUMN_FILES, 45, LVCFMT_RIGHT},
                               {IDS_RESTORE_COLUMN_FILE, 0, LVCFMT_LEFT}};

// The title of the dialog's message boxes.
std::string Title() {
    return Text(IDS_RESTORE_TITLE);
}

std::string FileName(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

std::string RestoreReport(const std::string& summary, const std::vector<std::string>& failures,
                          std::size_t maxLines) {
    std::string text = summary;
    if (failures.empty()) {
        return text;
    }
    text += "\n\n";
    text += Text(IDS_RESTORE_NOT_RESTORED, {std::to_string(failures.size())});
    for (std::size_t i = 0; i < failures.size() && i < maxLines; ++i) {
        text += "\n" + failures[i];
    }
    if (failures.size() > maxLines) {
        text += "\n";
        text += Text(IDS_RESTORE_MORE, {std::to_string(failures.size() - maxLines)});
    }
    return text;
}

namespace {

// A value's data as a registry script writes it, cut where it would fill the box.
std::string DataText(const std::optional<platform::RegValue>& value) {
    if (!value) {
        return Text(IDS_RESTORE_NOT_THERE);
    }
    constexpr std::size_t kLongest = 80;
    std::string text =
        ValueDataProblem(*value).empty() ? ValueDataText(*value) : ValueDataProblem(*value);
    if (text.size() > kLongest) {
        text.resize(kLongest);
        text += "...";
    }
    return text;
}

} // namespace

std::string ConflictReport(const std::vector<RestoreConflict>& changed, std::size_t maxLines) {
    std::string text =
        Text(changed.size() == 1 ? IDS_RESTORE_CONFLICT_ONE : IDS_RESTORE_CONFLICT_MANY,
             {std::to_string(changed.size())});
    for (std::size_t i = 0; i < changed.size() && i < maxLines; ++i) {
        const RestoreConflict& entry = changed[i];
        text.append("\n");
        text.append(
            entry.key
                ? Text(IDS_RESTORE_CONFLICT_ENTRY, {entry.location, Text(IDS_RESTORE_KEY_OTHERS),
                                                    Text(IDS_RESTORE_KEY_DELETED)})
                : Text(IDS_RESTORE_CONFLICT_ENTRY,
                       {entry.location, DataText(entry.now), DataText(entry.backup)}));
    }
    if (changed.size() > maxLines) {
        text.append("\n");
        text.append(Text(IDS_RESTORE_MORE, {std::to_string(changed.size() - maxLines)}));
    }
    return text;
}

RestoreDialog::RestoreDialog(HWND owner, Prompts& prompts, std::string folder)
    : owner_(owner), prompts_(prompts), folder_(std::move(folder)) {}

RestoreDialog::~RestoreDialog() {
    if (restore_) {
        restore_->Take(); // a restore under way ends before the dialog goes
        restore_.reset();
    }
    Close();
}

void RestoreDialog::Open() {
    Create();
    Refresh();
    EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(list_);
}

void RestoreDialog::Create() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
    // Centred on the owner, inside the work area, at the owner's DPI: the monitor it is on.
    dpi_ = widgets::DpiOf(owner_);
    RECT place{}, work{};
    GetWindowRect(owner_, &place);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min(Scale(560), static_cast<int>(work.right - work.left));
    const int height = std::min(Scale(330), static_cast<int>(work.bottom - work.top));
    const int left = std::clamp(static_cast<int>(place.left + place.right) / 2 - width / 2,
                                static_cast<int>(work.left), static_cast<int>(work.right) - width);
    const int top = std::clamp(static_cast<int>(place.top + place.bottom) / 2 - height / 2,
                               static_cast<int>(work.top), static_cast<int>(work.bottom) - height);
    hwnd_ = CreateWindowExA(
        WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName, Text(IDS_RESTORE_CAPTION).c_str(),
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, left, top, width,
        height, owner_, nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd_) {
        throw Error("Cannot create the restore dialog.");
    }
    CreateControls();
    LayOut();
}

void RestoreDialog::ShowModal() {
    Open();
    MSG message{};
    while (hwnd_ != nullptr) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                PostQuitMessage(static_cast<int>(message.wParam)); // for the outer loop
            }
            Close();
            break;
        }
        // Esc closes the dialog from every control in it, the list included.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
            (message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd))) {
            Close();
            continue;
        }
        if (!IsDialogMessageA(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void RestoreDialog::Close() {
    if (hwnd_ == nullptr || restore_) {
        return;
    }
    reader_.reset();
    // The owner comes back before the dialog goes, so that it is the window activated next.
    EnableWindow(owner_, TRUE);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void RestoreDialog::CreateControls() {
    label_ = widgets::CreateChild("STATIC", Text(IDS_RESTORE_FOLDER, {folder_}).c_str(),
                                  SS_LEFT | SS_PATHELLIPSIS, hwnd_, 0);
    list_ = widgets::CreateChild(WC_LISTVIEWA, "",
                                 LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, hwnd_,
                                 kListId, WS_EX_CLIENTEDGE);
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_FMT;
        column.fmt = kColumns[i].format;
        const std::string caption = Text(kColumns[i].caption);
        column.pszText = const_cast<char*>(caption.c_str());
        SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    restoreButton_ = widgets::CreateChild("BUTTON", Text(IDS_RESTORE_BUTTON).c_str(),
                                          BS_DEFPUSHBUTTON | WS_TABSTOP, hwnd_, IDOK);
    closeButton_ = widgets::CreateChild("BUTTON", Text(IDS_CLOSE).c_str(),
                                        BS_PUSHBUTTON | WS_TABSTOP, hwnd_, IDCANCEL);
    browseButton_ = widgets::CreateChild("BUTTON", Text(IDS_RESTORE_BROWSE).c_str(),
                                         BS_PUSHBUTTON | WS_TABSTOP, hwnd_, kBrowseId);
    ScaleControls();
}

// The font and the fixed columns at the dialog's DPI: each column the design's width, or what
// its header's text needs with the header's margins. The file column follows in LayOut.
void RestoreDialog::ScaleControls() {
    widgets::Font font = widgets::MakeFont("MS Sans Serif", widgets::PointsToPixels(8), dpi_);
    for (HWND control : {label_, list_, restoreButton_, closeButton_, browseButton_}) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);
    for (int i = 0; i + 1 < static_cast<int>(std::size(kColumns)); ++i) {
        const std::string caption = Text(kColumns[i].caption);
        SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                     MAKELPARAM(std::max(Scale(kColumns[i].width),
                                         widgets::TextWidthIn(list_, caption) + Scale(16)),
                                0));
    }
}

void RestoreDialog::LayOut() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int margin = Scale(8), buttonHeight = Scale(24), labelHeight = Scale(16);
    // Each button as wide as the design's 90 pixels or its text needs.
    auto width = [this](HWND button) {
        char text[128] = {};
        GetWindowTextA(button, text, sizeof text);
        return std::max(Scale(90),
                        widgets::TextWidthIn(button, WithoutAccessKey(text)) + Scale(20));
    };
    const int closeWidth = width(closeButton_), restoreWidth = width(restoreButton_);
    const int right = client.right - margin, bottom = client.bottom - margin;
    MoveWindow(label_, margin, margin, right - margin, labelHeight, TRUE);
    const int listTop = margin + labelHeight + Scale(4);
    const int listBottom = bottom - buttonHeight - margin;
    MoveWindow(list_, margin, listTop, right - margin, listBottom - listTop, TRUE);
    MoveWindow(closeButton_, right - closeWidth, bottom - buttonHeight, closeWidth, buttonHeight,
               TRUE);
    MoveWindow(restoreButton_, right - closeWidth - margin - restoreWidth, bottom - buttonHeight,
               restoreWidth, buttonHeight, TRUE);
    MoveWindow(browseButton_, margin, bottom - buttonHeight, width(browseButton_), buttonHeight,
               TRUE);
    // The file column takes what the fixed ones leave.
    RECT inside{};
    GetClientRect(list_, &inside);
    int fixed = 0;
    for (int i = 0; i + 1 < static_cast<int>(std::size(kColumns)); ++i) {
        fixed +=
            static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
    }
    SendMessageA(list_, LVM_SETCOLUMNWIDTH, std::size(kColumns) - 1,
                 MAKELPARAM(std::max(Scale(60), static_cast<int>(inside.right) - fixed), 0));
}

void RestoreDialog::Refresh() {
    if (hwnd_ == nullptr) {
        return;
    }
    if (const int chosen = ChosenRow(); chosen >= 0) {
        chosenPath_ = backups_[static_cast<std::size_t>(chosen)].path;
    }
    reader_.reset(); // a reading under way stops; its rows are read again
    backups_.clear();
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    for (const BackupEntry& backup : opened_) {
        AddRow(backup);
    }
    SetWindowTextA(label_, Text(IDS_RESTORE_READING, {folder_}).c_str());
    reader_ = std::make_unique<BackupReader>(folder_, hwnd_, kBackupsRead);
    UpdateButtons();
}

void RestoreDialog::AddRow(const BackupEntry& backup) {
    const int row = static_cast<int>(backups_.size());
    backups_.push_back(backup);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(backup.when.c_str());
    SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    const bool readable = backup.problem.empty();
    const bool filesReadable = readable && backup.filesProblem.empty();
    SetCell(list_, row, 1, readable ? std::to_string(backup.keys) : "-");
    SetCell(list_, row, 2, readable ? std::to_string(backup.values) : "-");
    SetCell(list_, row, 3, filesReadable ? std::to_string(backup.files) : "-");
    SetCell(list_, row, 4,
            !readable ? Text(IDS_RESTORE_UNREADABLE, {FileName(backup.path), backup.problem})
            : filesReadable
                ? FileName(backup.path)
                : Text(IDS_RESTORE_FILES_UNREADABLE, {FileName(backup.path), backup.filesProblem}));
    // The first row is chosen, or the one chosen before the list was read again.
    if (row == 0 || backup.path == chosenPath_) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&state));
        SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
}

// The worker's hand-over: the backups read since the last message join the list.
void RestoreDialog::BackupsRead() {
    if (!reader_) {
        return;
    }
    // Every entry is handed over before the end is flagged: once the end is seen, this Take
    // gets the last of them.
    const bool done = reader_->Done();
    for (const BackupEntry& backup : reader_->Take()) {
        AddRow(backup);
    }
    if (done) {
        reader_.reset();
        SetWindowTextA(
            label_, Text(backups_.empty() ? IDS_RESTORE_NO_BACKUPS : IDS_RESTORE_FOLDER, {folder_})
                        .c_str());
    }
    UpdateButtons();
}

void RestoreDialog::UpdateButtons() {
    EnableWindow(restoreButton_, !restore_ && !backups_.empty() ? TRUE : FALSE);
    EnableWindow(closeButton_, restore_ ? FALSE : TRUE);
}

int RestoreDialog::ChosenRow() const {
    const auto row = static_cast<int>(
        SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && row < static_cast<int>(backups_.size()) ? row : -1;
}

void RestoreDialog::RestoreChosen() {
    const int row = ChosenRow();
    if (row < 0) {
        prompts_.Message(hwnd_, Text(IDS_RESTORE_CHOOSE), Title(), MB_ICONINFORMATION);
        return;
    }
    if (restore_) {
        return; // one restore at a time
    }
    const BackupEntry backup = backups_[static_cast<std::size_t>(row)];
    if (!backup.problem.empty()) {
        prompts_.Message(hwnd_, Text(IDS_RESTORE_CANNOT_READ, {backup.path, backup.problem}),
                         Title(), MB_ICONERROR);
        return;
    }
    const std::string question =
        Text(IDS_RESTORE_QUESTION, {backup.when, std::to_string(backup.keys),
                                    std::to_string(backup.values), std::to_string(backup.files)});
    if (!prompts_.Confirm(hwnd_, question, Title())) {
        return;
    }
    restoring_ = backup;
    StartRestore(false);
}

void RestoreDialog::BrowseForBackup() {
    if (restore_) {
        return;
    }
    SaveDialogOptions options{Text(IDS_RESTORE_OPEN_TITLE), Text(IDS_RESTORE_OPEN_FILTER), "reg",
                              folder_, ""};
    std::string path;
    if (!prompts_.AskOpenPath(hwnd_, options, path)) {
        return;
    }
    BackupEntry backup;
    backup.path = path;
    backup.when = BackupTime(FileName(path));
    if (backup.when.empty()) {
        backup.when = FileName(path); // not named by the fix: the file's name says which
    }
    CountBackup(backup);
    std::erase_if(opened_, [&](const BackupEntry& known) { return known.path == path; });
    opened_.insert(opened_.begin(), backup);
    // The opened backup is the one chosen when the list has been made again.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    chosenPath_ = path;
    Refresh();
    SetFocus(list_);
}

void RestoreDialog::StartRestore(bool overwrite) {
    overwriting_ = overwrite;
    restoreResult_ = {};
    SetWindowTextA(label_, Text(IDS_RESTORE_RESTORING, {restoring_.path}).c_str());
    HWND window = hwnd_;
    restore_ = std::make_unique<BackgroundJob>(
        [this, path = restoring_.path, overwrite](const StopFlag&) {
            // The overwrite only writes the registry entries the first pass left; the files that
            // pass put back are not "there again".
            restoreResult_ = RestoreBackup(path, overwrite, !overwrite, OtherUsers::AsTheyAre);
        },
        [window] { PostMessageA(window, kRestoreEnded, 0, 0); });
    UpdateButtons();
}

void RestoreDialog::RestoreEnded() {
    if (!restore_ || !restore_->Ended()) {
        return;
    }
    const JobOutcome outcome = restore_->Take();
    restore_.reset();
    UpdateButtons();
    const std::string& path = restoring_.path;
    if (outcome.failed) {
        prompts_.Message(hwnd_, Text(IDS_RESTORE_FAILED, {path, outcome.error}), Title(),
                         MB_ICONERROR);
    } else {
        const RestoreResult& result = restoreResult_;
        if (OnRestored) {
            OnRestored();
        }
        const std::string summary =
            Text(IDS_RESTORE_SUMMARY, {std::to_string(result.keys), std::to_string(result.values),
                                       std::to_string(result.files), path});
        // The changed entries are listed with both values below the other failures, not twice.
        std::vector<std::string> others;
        for (const std::string& failure : result.failures) {
            if (std::none_of(result.changed.begin(), result.changed.end(),
                             [&](const RestoreConflict& c) { return c.failure == failure; })) {
                others.push_back(failure);
            }
        }
        if (result.changed.empty() || overwriting_) {
            prompts_.Message(hwnd_, RestoreReport(summary, result.failures), Title(),
                             result.failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
        } else {
            // Newer data is never replaced without a question: one, naming each entry with
            // what it holds now and in the backup, after what was restored.
            std::string question = RestoreReport(summary, others);
            question.append("\n\n");
            question.append(ConflictReport(result.changed));
            question.append("\n\n");
            question.append(Text(result.changed.size() == 1 ? IDS_RESTORE_OVERWRITE_ONE
                                                            : IDS_RESTORE_OVERWRITE_MANY));
            if (prompts_.Confirm(hwnd_, question, Title())) {
                StartRestore(true);
                return;
            }
        }
    }
    Refresh();
}

LRESULT CALLBACK RestoreDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* dialog = reinterpret_cast<RestoreDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (dialog == nullptr || dialog->hwnd_ == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return dialog->Handle(message, wParam, lParam);
}

// No exception leaves the window procedure: the restore's errors are shown from its outcome.
LRESULT RestoreDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            RestoreChosen();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            Close();
            return 0;
        }
        if (LOWORD(wParam) == kBrowseId) {
            BrowseForBackup();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == kListId && header->code == NM_DBLCLK) {
            RestoreChosen();
            return 0;
        }
        break;
    }
    case kBackupsRead:
        BackupsRead();
        return 0;
    case kRestoreEnded:
        RestoreEnded();
        return 0;
    case WM_SIZE:
        LayOut();
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {Scale(360), Scale(200)};
        return 0;
    case WM_DPICHANGED:
        // Made again at the new DPI in the place Windows suggests (which lays it out).
        dpi_ = widgets::DpiOfChange(wParam);
        ScaleControls();
        widgets::MoveToSuggested(hwnd_, lParam);
        LayOut();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

} // namespace mendrake
