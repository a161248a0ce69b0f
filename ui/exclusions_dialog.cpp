#include "ui/exclusions_dialog.h"

#include "ui/resource_ids.h"
#include "ui/texts.h"

#include <algorithm>
#include <exception>

namespace mendrake {

ExclusionsDialog::ExclusionsDialog(ExclusionStore store, Prompts& prompts)
    : store_(std::move(store)), prompts_(prompts) {}

ExclusionsDialog::~ExclusionsDialog() {
    if (modeless_ && hwnd_) {
        DestroyWindow(hwnd_);
    }
}

void ExclusionsDialog::ShowModal(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EXCLUSIONS), owner, Procedure,
                    reinterpret_cast<LPARAM>(this));
}

HWND ExclusionsDialog::Open(HWND owner) {
    modeless_ = true;
    CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EXCLUSIONS), owner,
                       Procedure, reinterpret_cast<LPARAM>(this));
    return hwnd_;
}

HWND ExclusionsDialog::List() const {
    return GetDlgItem(hwnd_, IDC_EXCLUSION_LIST);
}

std::vector<std::string> ExclusionsDialog::Shown() const {
    std::vector<std::string> entries;
    const auto count = static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(
                             SendMessageA(List(), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)),
                         '\0');
        std::vector<char> buffer(text.size() + 1, '\0');
        SendMessageA(List(), LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(buffer.data()));
        entries.emplace_back(buffer.data());
    }
    return entries;
}

// The stored list afresh: what is shown is always what is stored.
void ExclusionsDialog::Fill() {
    SendMessageA(List(), LB_RESETCONTENT, 0, 0);
    int widest = 0;
    HDC dc = GetDC(List());
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(List(), WM_GETFONT, 0, 0)));
    for (const std::string& entry : store_.list()) {
        SendMessageA(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        SIZE size{};
        GetTextExtentPoint32A(dc, entry.c_str(), static_cast<int>(entry.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SelectObject(dc, old);
    ReleaseDC(List(), dc);
    // Long registry paths scroll sideways instead of being cut.
    SendMessageA(List(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    UpdateRemove();
}

void ExclusionsDialog::UpdateRemove() {
    EnableWindow(GetDlgItem(hwnd_, IDC_EXCLUSION_REMOVE),
                 SendMessageA(List(), LB_GETSELCOUNT, 0, 0) > 0 ? TRUE : FALSE);
}

void ExclusionsDialog::RemoveSelected() {
    const auto count = static_cast<int>(SendMessageA(List(), LB_GETSELCOUNT, 0, 0));
    if (count <= 0) {
        return;
    }
    std::vector<int> rows(static_cast<std::size_t>(count));
    SendMessageA(List(), LB_GETSELITEMS, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(rows.data()));
    const std::vector<std::string> shown = Shown();
    try {
        for (int row : rows) {
            store_.remove(shown.at(static_cast<std::size_t>(row)));
        }
    } catch (const std::exception& error) {
        prompts_.Message(hwnd_, error.what(), Text(IDS_TITLE_ERROR), MB_ICONERROR);
    }
    Fill();
}

INT_PTR CALLBACK ExclusionsDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ExclusionsDialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<ExclusionsDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        return FALSE;
    }
    // No exception leaves the dialog: a failed read of the list is shown, the dialog stays.
    try {
        return self->Handle(message, wParam);
    } catch (const std::exception& error) {
        self->prompts_.Message(hwnd, error.what(), Text(IDS_TITLE_ERROR), MB_ICONERROR);
        return TRUE;
    }
}

INT_PTR ExclusionsDialog::Handle(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        // The dialog's texts in the window's language; the resource holds the English ones.
        SetWindowTextA(hwnd_, Text(IDS_EXCLUSIONS_CAPTION).c_str());
        SetDlgItemTextA(hwnd_, IDC_EXCLUSION_LABEL, Text(IDS_EXCLUSIONS_LABEL).c_str());
        SetDlgItemTextA(hwnd_, IDC_EXCLUSION_REMOVE, Text(IDS_EXCLUSIONS_REMOVE).c_str());
        SetDlgItemTextA(hwnd_, IDCANCEL, Text(IDS_CLOSE).c_str());
        Fill();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXCLUSION_REMOVE:
            RemoveSelected();
            return TRUE;
        case IDC_EXCLUSION_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                UpdateRemove();
            }
            return TRUE;
        case IDCANCEL:
        case IDOK:
            if (modeless_) {
                DestroyWindow(hwnd_);
            } else {
                EndDialog(hwnd_, IDCANCEL);
            }
            return TRUE;
        default:
            return FALSE;
        }
    case WM_KEYDOWN:
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace mendrake
