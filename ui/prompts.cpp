#include "ui/prompts.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

namespace mendrake {

void WindowsPrompts::Message(HWND owner, const std::string& text, const std::string& title,
                             UINT icon) {
    MessageBoxA(owner, text.c_str(), title.c_str(), MB_OK | icon);
}

bool Prompts::Confirm(HWND owner, const std::string& text, const std::string& title) {
    return MessageBoxA(owner, text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
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

bool WindowsPrompts::AskSavePath(HWND owner, const SaveDialogOptions& options, std::string& path) {
    const std::string filter = DialogFilter(options.Filter);
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = options.InitialDir.empty() ? nullptr : options.InitialDir.c_str();
    dialog.lpstrTitle = options.Title.c_str();
    dialog.lpstrDefExt = options.DefaultExt.c_str();
    // No overwrite prompt: saving again to a name replaces the earlier log.
    dialog.Flags =
        OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
    if (!GetSaveFileNameA(&dialog)) {
        return false;
    }
    path = file.data();
    return true;
}

} // namespace mendrake
