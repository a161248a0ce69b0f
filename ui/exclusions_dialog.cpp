#include "ui/exclusions_dialog.h"

#include "ui/resource_ids.h"
#include "ui/texts.h"
#include "widgets/control.h"
#include "widgets/gdi.h"

#include <algorithm>
#include <exception>

namespace mendrake {

namespace {

// The dialog's design at 96 DPI, in pixels of its client area: the resource's places in its
// font's dialog units, laid out again in code so that a change of DPI lays it out as a start
// at that DPI does.
constexpr SIZE kClient{480, 293};
struct Place {
    int id;
    RECT design; // left, top, right, bottom
};
constexpr Place kPlaces[] = {{IDC_EXCLUSION_LABEL, {11, 11, 470, 27}},
                             {IDC_EXCLUSION_LIST, {11, 33, 470, 248}},
                             {IDC_EXCLUSION_REMOVE, {11, 258, 101, 281}},
                             {IDCANCEL, {380, 258, 470, 281}}};

} // namespace

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
        const std::wstring wide = WideFromAnsi(entry);
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SelectObject(dc, old);
    ReleaseDC(List(), dc);
    // Long registry paths scroll sideways instead of being cut.
    SendMessageA(List(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + Scale(8)), 0);
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
    const std::wstring text = WideFromAnsi(Text(IDS_EXCLUSIONS_LABEL));
    HDC dc = GetDC(label);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, labelPlace.right - labelPlace.left, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
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
                     widgets::TextWidthIn(button, WithoutAccessKey(caption)) + Scale(20));
        // "Remove" keeps its left edge, "Close" its right one.
        const int left =
            id == IDCANCEL ? static_cast<int>(place.right) - width : static_cast<int>(place.left);
        SetWindowPos(button, nullptr, left, place.top, width, place.bottom - place.top,
                     SWP_NOZORDER);
    }
}

// The font at the dialog's DPI, on the dialog and every control.
void ExclusionsDialog::ScaleFont() {
    widgets::Font font = widgets::MakeFont("MS Shell Dlg", widgets::PointsToPixels(8), dpi_);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    for (const Place& place : kPlaces) {
        SendDlgItemMessageA(hwnd_, place.id, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()),
                            TRUE);
    }
    font_ = std::move(font);
}

// Every control in its design place at the dialog's DPI, then fitted to the texts.
void ExclusionsDialog::LayOut() {
    for (const Place& place : kPlaces) {
        const RECT& design = place.design;
        SetWindowPos(GetDlgItem(hwnd_, place.id), nullptr, Scale(design.left), Scale(design.top),
                     Scale(design.right) - Scale(design.left),
                     Scale(design.bottom) - Scale(design.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitTexts();
}

// At the start: the design's size at the dialog's DPI, centred where the resource centred it.
void ExclusionsDialog::SizeToDesign() {
    RECT place{};
    GetWindowRect(hwnd_, &place);
    const RECT frame =
        widgets::FrameForDpi(static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)),
                             static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)), dpi_);
    const int width = Scale(kClient.cx) + (frame.right - frame.left);
    const int height = Scale(kClient.cy) + (frame.bottom - frame.top);
    SetWindowPos(hwnd_, nullptr, (place.left + place.right - width) / 2,
                 (place.top + place.bottom - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
        return self->Handle(message, wParam, lParam);
    } catch (const std::exception& error) {
        self->prompts_.Message(hwnd, error.what(), Text(IDS_TITLE_ERROR), MB_ICONERROR);
        return TRUE;
    }
}

INT_PTR ExclusionsDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // The dialog's texts in the window's language; the resource holds the English ones.
        SetWindowTextA(hwnd_, Text(IDS_EXCLUSIONS_CAPTION).c_str());
        SetDlgItemTextA(hwnd_, IDC_EXCLUSION_LABEL, Text(IDS_EXCLUSIONS_LABEL).c_str());
        SetDlgItemTextA(hwnd_, IDC_EXCLUSION_REMOVE, Text(IDS_EXCLUSIONS_REMOVE).c_str());
        SetDlgItemTextA(hwnd_, IDCANCEL, Text(IDS_CLOSE).c_str());
        dpi_ = widgets::DpiOf(hwnd_);
        widgets::KeepDialogFromScalingItself(hwnd_);
        ScaleFont();
        SizeToDesign();
        LayOut();
        Fill();
        return TRUE;
    case WM_DPICHANGED:
        dpi_ = widgets::DpiOfChange(wParam);
        ScaleFont();
        widgets::MoveToSuggested(hwnd_, lParam);
        LayOut();
        Fill(); // the sideways extent of the list, in the new font
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
