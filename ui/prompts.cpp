#include "ui/prompts.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <algorithm>
#include <vector>

namespace mendrake {

void WindowsPrompts::Message(HWND owner, const std::string& text, const std::string& title,
                             UINT icon) {
    MessageBoxA(owner, text.c_str(), title.c_str(), MB_OK | icon);
}

bool Prompts::Confirm(HWND owner, const std::string& text, const std::string& title) {
    return MessageBoxA(owner, text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool Prompts::ConfirmAction(HWND owner, const std::string& text, const std::string& title,
                            const std::string& action) {
    // A message box cannot name its buttons; the task dialog (common controls 6) can, and
    // keeps Cancel as the default button and the answer to Esc and the close box.
    const std::wstring wideText = WideFromAnsi(text), wideTitle = WideFromAnsi(title),
                       wideAction = WideFromAnsi(action);
    constexpr int kAction = 100;
    const TASKDIALOG_BUTTON buttons[] = {{kAction, wideAction.c_str()}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = wideTitle.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszContent = wideText.c_str();
    config.cButtons = 1;
    config.pButtons = buttons;
    config.nDefaultButton = IDCANCEL;
    int chosen = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &chosen, nullptr, nullptr))) {
        // Without the task dialog (an old common controls library) the message box asks, with
        // Cancel as its default button.
        chosen = MessageBoxA(owner, text.c_str(), title.c_str(),
                             MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK
                     ? kAction
                     : IDCANCEL;
    }
    return chosen == kAction;
}

UINT Prompts::ChooseFromMenu(HWND owner, HMENU menu, POINT screen) {
    // The owner must be in front, or the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    const BOOL chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                                         screen.x, screen.y, owner, nullptr);
    return static_cast<UINT>(chosen);
}

bool Prompts::StartProgram(const std::string& program, const std::string& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(
        nullptr, "open", program.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32; // ShellExecute's convention: larger than 32 is success
}

std::string DialogFilter(const std::string& filter) {
    std::string result = filter;
    for (char& c : result) {
        if (c == '|') {
            c = '\0';
        }
    }
    result.push_back('\0');
    result.push_back('\0');
    return result;
}

namespace {

// Shows the open or save dialog (`show`) with `options` and the given flags; the chosen path
// in `path`, false when the user cancels.
bool AskPath(HWND owner, const SaveDialogOptions& options, DWORD flags,
             BOOL(WINAPI* show)(LPOPENFILENAMEA), std::string& path) {
    const std::string filter = DialogFilter(options.Filter);
    std::vector<char> file(32768, '\0');
    options.FileName.copy(file.data(), std::min(options.FileName.size(), file.size() - 1));
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = options.InitialDir.empty() ? nullptr : options.InitialDir.c_str();
    dialog.lpstrTitle = options.Title.c_str();
    dialog.lpstrDefExt = options.DefaultExt.empty() ? nullptr : options.DefaultExt.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   OFN_ENABLESIZING | flags;
    if (!show(&dialog)) {
        return false;
    }
    path = file.data();
    return true;
}

} // namespace

bool Prompts::AskOpenPath(HWND owner, const SaveDialogOptions& options, std::string& path) {
    return AskPath(owner, options, OFN_FILEMUSTEXIST, GetOpenFileNameA, path);
}

bool WindowsPrompts::AskSavePath(HWND owner, const SaveDialogOptions& options, std::string& path) {
    // A file chosen by mistake would be lost: the dialog asks before replacing one, as
    // Windows programs do.
    return AskPath(owner, options, OFN_OVERWRITEPROMPT, GetSaveFileNameA, path);
}

} // namespace mendrake
