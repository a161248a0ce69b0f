// The modal questions and messages of the main window, its menus, and the programs it starts,
// behind an interface so that the window can be driven by tests without a modal box waiting for
// a user or a program appearing on the test machine.
#pragma once

#include "widgets/wide_text.h"

#include <windows.h>

#include <string>

namespace mendrake {

// The save dialog's settings.
struct SaveDialogOptions {
    std::string Title;
    std::string Filter;     // "Name|pattern" pairs separated by "|"
    std::string DefaultExt; // added to a name typed without an extension
    std::string InitialDir;
    std::string FileName; // the name the dialog offers, empty for none
};

class Prompts {
  public:
    virtual ~Prompts() = default;
    // A modal message with one OK button; `icon` is MB_ICONINFORMATION or MB_ICONERROR.
    virtual void Message(HWND owner, const std::string& text, const std::string& title,
                         UINT icon) = 0;
    // The save dialog; false when the user cancels.
    virtual bool AskSavePath(HWND owner, const SaveDialogOptions& options, std::string& path) = 0;
    // The open dialog for an existing file (GetOpenFileNameA); false when the user cancels.
    virtual bool AskOpenPath(HWND owner, const SaveDialogOptions& options, std::string& path);
    // A question with Yes and No (MessageBoxA); true for Yes.
    virtual bool Confirm(HWND owner, const std::string& text, const std::string& title);
    // A question before something that cannot be taken back: a button named for the action
    // (`action`, with its access-key mark) and Cancel, which is the default and what Esc picks.
    // True when the user chose the action.
    virtual bool ConfirmAction(HWND owner, const std::string& text, const std::string& title,
                               const std::string& action);
    // A pop-up menu at `screen`; the identifier of the chosen entry, 0 when none was chosen.
    virtual UINT ChooseFromMenu(HWND owner, HMENU menu, POINT screen);
    // Starts `program` with `parameters` through the shell; false when it could not be started.
    virtual bool StartProgram(const std::string& program, const std::string& parameters);
};

// The real ones: MessageBoxA and GetSaveFileNameA.
class WindowsPrompts final : public Prompts {
  public:
    void Message(HWND owner, const std::string& text, const std::string& title, UINT icon) override;
    bool AskSavePath(HWND owner, const SaveDialogOptions& options, std::string& path) override;
};

// "Txt Files (*.txt)|*.txt" as the dialog wants it: NUL-separated, ending in two NULs.
std::string DialogFilter(const std::string& filter);

using widgets::WideFromAnsi;

} // namespace mendrake
