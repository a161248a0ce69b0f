#include "ui/exclusions_dialog.h"

#include "ui/resource_ids.h"
#include "ui/texts.h"
#include "widgets/control.h"
#include "widgets/gdi.h"

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

// The resource's places hold the English texts: a longer explanation takes more lines (the list
// below gives up the height), and a longer button text a wider button, at its edge.
void ExclusionsDialog::FitTexts() {
    HWND label = GetDlgItem(hwnd_, IDC_EXCLUSION_LABEL);
    HWND list = List();
    RECT labelPlace{}, listPlace{};
    GetWindowRect(label, &labelPlace);
    GetWindowRect(list, &listPlace);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&labelPlace), 2);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&listPlace), 2);
    const std::string text = Text(IDS_EXCLUSIONS_LABEL);
    HDC dc = GetDC(label);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, labelPlace.right - labelPlace.left, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    const int grow =
        std::max(0, static_cast<int>(needed.bottom - (labelPlace.bottom - labelPlace.top)));
    if (grow > 0) {
        SetWindowPos(label, nullptr, 0, 0, labelPlace.right - labelPlace.left,
                     labelPlace.bottom - labelPlace.top + grow, SWP_NOMOVE | SWP_NOZORDER);
        SetWindowPos(
            list, nullptr, listPlace.left, listPlace.top + grow, listPlace.right - listPlace.left,
            std::max(0, static_cast<int>(listPlace.bottom - listPlace.top) - grow), SWP_NOZORDER);
    }
    for (int id : {IDC_EXCLUSION_REMOVE, IDCANCEL}) {
        HWND button = GetDlgItem(hwnd_, id);
        char caption[128] = {};
        GetWindowTextA(button, caption, sizeof caption);
        RECT place{};
        GetWindowRect(button, &place);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&place), 2);
        const int width =
            std::max(static_cast<int>(place.right - place.left),
                     widgets::TextWidthIn(button, WithoutAccessKey(caption)) + widgets::Scale(20));
        // "Remove" keeps its left edge, "Close" its right one.
        const int left =
            id == IDCANCEL ? static_cast<int>(place.right) - width : static_cast<int>(place.left);
        SetWindowPos(button, nullptr, left, place.top, width, place.bottom - place.top,
                     SWP_NOZORDER);
    }
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
        FitTexts();
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
