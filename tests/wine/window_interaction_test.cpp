// What users of such tools reach for in the issue list: several rows selected, Space and
// Ctrl+A, typing to find a row, sorting by a column, the context menu and its commands, Tab
// through every control. The issues are put into Issues directly: these behaviours do not
// depend on which scanner found them.
#include "tests/wine/main_window_fixture.h"
#include "tests/wine/window_capture.h"

#include "engine/error.h"
#include "settings/exclusion_unit.h"
#include "ui/exclusions_dialog.h"
#include "ui/resource_ids.h"

#include <algorithm>
#include <functional>

namespace mendrake::test {
namespace {

using platform::Os;

class IssueListTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Appended out of order on purpose, so sorting has something to do.
        test::AddIssue(10, 0, "Run Issue", "C:\\MendrakeGone\\sub\\tool.exe",
                       "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0x80000001u,
                       "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Tool", "", false);
        test::AddIssue(4, 0, "Empty File Extension", ".zzmendrake", "HKCR\\.zzmendrake",
                       0x80000000u, "\\.zzmendrake", "", "", true);
        test::AddIssue(14, 0, "Desktop Issue", "Gone.lnk", "C:\\users\\Public\\Desktop\\",
                       0x80000002u, "C:\\users\\Public\\Desktop\\", "Gone.lnk", "", false);
        test::AddIssue(3, 0, "Missing Shared DLL", "C:\\Windows\\MendrakeGone.dll",
                       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                       0x80000002u, "\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                       "C:\\Windows\\MendrakeGone.dll", "", false);
        test::AddIssue(10, 1, "Run Issue", "Q:\\Apps\\other.exe",
                       "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0x80000002u,
                       "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Other", "", false);
        Select(0);
        ASSERT_EQ(5, Rows());
    }

    void SelectRows(std::initializer_list<int> rows) {
        form->AdvListView.SelectNone();
        for (int row : rows) {
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&item));
        }
    }
    std::vector<int> SelectedRows() const { return form->AdvListView.SelectedRows(); }
    // A key as the keyboard delivers it to the list, with Ctrl held or not.
    void Key(UINT key, bool control = false) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(state);
        SendMessageA(List(), WM_KEYDOWN, key, 1);
        if (key == VK_SPACE || (key >= 'A' && key <= 'Z' && !control)) {
            SendMessageA(List(), WM_CHAR, key == VK_SPACE ? ' ' : key + ('a' - 'A'), 1);
        }
        SendMessageA(List(), WM_KEYUP, key, 0xC0000001);
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
        Pump();
    }
    // The menu for the selected rows, opened as the menu key opens it; `choice` is the entry
    // to pick ("" for none).
    void ContextMenu(const std::string& choice) {
        prompts.menuChoice = choice;
        SendMessageA(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), -1);
        Pump();
    }
    std::string Ticks() const {
        std::string ticks;
        for (const TItem& issue : Issues) {
            ticks += issue.Selected ? '1' : '0';
        }
        return ticks;
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int r = 0; r < Rows(); ++r) {
            texts.push_back(Cell(r, column));
        }
        return texts;
    }
    int HeaderFormat(int column) const {
        HWND header = reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETHEADER, 0, 0));
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    }
    void ClickHeader(int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETHEADER, 0, 0));
        RECT rect{};
        SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&rect));
        ClickAt(header, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    }
};

TEST_F(IssueListTest, SpaceTicksTheSelectedRowsAlikeAndCtrlASelectsAll) {
    SelectRows({0, 2});
    EXPECT_EQ((std::vector<int>{0, 2}), SelectedRows()) << "several rows can be selected";
    Key(VK_SPACE);
    EXPECT_EQ("01011", Ticks());
    EXPECT_EQ(0, RowImage(0));
    Key(VK_SPACE);
    EXPECT_EQ("11111", Ticks());

    // A mixed selection takes the opposite of the focused row's tick.
    Issues[1].Selected = 0;
    SelectRows({0, 1}); // the focus ends on row 1, which is unticked
    Key(VK_SPACE);
    EXPECT_EQ("11111", Ticks());
    EXPECT_EQ((std::vector<int>{0, 1}), SelectedRows()) << "Space does not move the selection";

    Key('A', true);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), SelectedRows());
    Key(VK_SPACE);
    EXPECT_EQ("00000", Ticks());
}

TEST_F(IssueListTest, TypingFindsTheNextRowWhoseProblemStartsWithTheLetters) {
    SelectRows({0});
    Key('M');
    EXPECT_EQ((std::vector<int>{3}), SelectedRows()) << "'M' finds Missing Shared DLL";
    Key('R', false);
    // The typed text is now "mr", which no row starts with: the selection stays.
    EXPECT_EQ((std::vector<int>{3}), SelectedRows());
    EXPECT_EQ(4, form->AdvListViewFindRow(1, "run")) << "from row 1 on, wrapping";
    EXPECT_EQ(0, form->AdvListViewFindRow(4 + 1, "RUN ")) << "case and wrap";
    EXPECT_EQ(-1, form->AdvListViewFindRow(0, "Nothing"));
}

TEST_F(IssueListTest, AHeaderClickSortsTheShownRowsBothWaysAndIssuesKeepTheirOrder) {
    const std::vector<TItem> before = Issues;
    ClickHeader(1);
    EXPECT_EQ((std::vector<std::string>{".zzmendrake", "C:\\MendrakeGone\\sub\\tool.exe",
                                        "C:\\Windows\\MendrakeGone.dll", "Gone.lnk",
                                        "Q:\\Apps\\other.exe"}),
              Column(1));
    EXPECT_EQ(HDF_SORTUP, HeaderFormat(1));
    ClickHeader(1);
    EXPECT_EQ("Q:\\Apps\\other.exe", Cell(0, 1)) << "a second click reverses";
    EXPECT_EQ(".zzmendrake", Cell(4, 1));
    EXPECT_EQ(HDF_SORTDOWN, HeaderFormat(1));

    ClickHeader(0);
    EXPECT_EQ(0, HeaderFormat(1)) << "one arrow at a time";
    EXPECT_EQ(HDF_SORTUP, HeaderFormat(0));
    // Equal problems keep the order in which they were found.
    EXPECT_EQ((std::vector<std::string>{"Desktop Issue", "Empty File Extension",
                                        "Missing Shared DLL", "Run Issue", "Run Issue"}),
              Column(0));
    EXPECT_EQ("C:\\MendrakeGone\\sub\\tool.exe", Cell(3, 1));
    EXPECT_EQ("Q:\\Apps\\other.exe", Cell(4, 1));

    // A tick set in the sorted view lands on the issue of that row.
    ClickRow(0, 5);
    EXPECT_EQ(0, Issues[2].Selected) << "row 0 shows the desktop issue";
    // The filter keeps the sort; Issues, and so the log, backup and fix, keep theirs.
    Select(1);
    EXPECT_EQ((std::vector<std::string>{"Empty File Extension", "Missing Shared DLL", "Run Issue",
                                        "Run Issue"}),
              Column(0));
    ASSERT_EQ(before.size(), Issues.size());
    for (std::size_t i = 0; i < Issues.size(); ++i) {
        EXPECT_EQ(before[i].Data, Issues[i].Data) << "Issues[" << i << "] moved";
    }
}

TEST_F(IssueListTest, ContextMenuOffersWhatTheSelectedRowAllows) {
    struct Case {
        int row;
        std::vector<std::string> entries;
    };
    const std::vector<Case> cases = {
        {0,
         {"Why is this reported?", "Open in Registry Editor", "Open File Location", "Copy\tCtrl+C",
          "Exclude", "Tick All", "Untick All", "Exclusions..."}},
        {1,
         {"Why is this reported?", "Open in Registry Editor", "-Open File Location", "Copy\tCtrl+C",
          "Exclude", "Tick All", "Untick All", "Exclusions..."}},
        {2,
         {"Why is this reported?", "-Open in Registry Editor", "Open File Location", "Copy\tCtrl+C",
          "Exclude", "Tick All", "Untick All", "Exclusions..."}},
        {-1,
         {"-Why is this reported?", "-Open in Registry Editor", "-Open File Location",
          "-Copy\tCtrl+C", "-Exclude", "Tick All", "Untick All", "Exclusions..."}},
    };
    for (const Case& c : cases) {
        if (c.row >= 0) {
            SelectRows({c.row});
        } else {
            form->AdvListView.SelectNone();
        }
        ContextMenu("");
        EXPECT_EQ(c.entries, prompts.menuEntries) << "row " << c.row;
    }
    // A right click delivers the mouse's place; the menu opens there just the same.
    prompts.menuEntries.clear();
    RECT list{};
    GetWindowRect(List(), &list);
    SendMessageA(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()),
                 MAKELPARAM(list.left + 40, list.top + 40));
    EXPECT_FALSE(prompts.menuEntries.empty());
}

// The picture of the open menu is taken from inside the menu's own loop, which then closes it.
HWND menuOwner = nullptr;
void CALLBACK CaptureMenuAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    WriteWindowPng(menuOwner, Os().ProgramFolder() + "context_menu.png");
    EndMenu();
}

TEST_F(IssueListTest, PictureOfTheOpenContextMenu) {
    SelectRows({0});
    prompts.realMenu = true;
    menuOwner = form->hwnd();
    SetTimer(nullptr, 0, 500, CaptureMenuAndClose);
    SendMessageA(List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), -1);
    Pump();
    EXPECT_TRUE(prompts.started.empty()) << "closing the menu chooses nothing";
    EXPECT_EQ("11111", Ticks());
}

TEST_F(IssueListTest, OpenInRegistryEditorWritesItsLastKeyAndStartsIt) {
    // The editor's own value is put back as it was when the test ends.
    PlantedRegistry lastKey("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                            "CurrentVersion\\Applets\\Regedit]\n\"LastKey\"=\"before\"\n");
    SelectRows({0});
    ContextMenu("Open in Registry Editor");
    EXPECT_EQ((std::vector<std::string>{"regedit.exe "}), prompts.started);
    platform::Hkey key = 0;
    ASSERT_EQ(platform::kSuccess,
              Os().OpenKey(platform::kCurrentUser,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
                           platform::kKeyAllAccess, key));
    platform::RegValue value;
    EXPECT_EQ(platform::kSuccess, Os().QueryValue(key, "LastKey", value));
    Os().CloseKey(key);
    EXPECT_EQ(std::string("Computer\\HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                          "CurrentVersion\\Run") +
                  '\0',
              value.data);
    EXPECT_EQ(platform::kRegSz, value.type);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
}

TEST_F(IssueListTest, OpenFileLocationShowsTheShortcutOrTheNearestFolderThatExists) {
    PlantedFiles folders;
    folders.AddFolder("C:\\MendrakeGone\\");
    SelectRows({0}); // C:\MendrakeGone\sub\tool.exe: sub is missing
    ContextMenu("Open File Location");
    SelectRows({2}); // the desktop shortcut
    ContextMenu("Open File Location");
    SelectRows({4}); // Q:\Apps\other.exe, on a drive that does not exist
    ContextMenu("Open File Location");
    EXPECT_EQ((std::vector<std::string>{"explorer.exe \"C:\\MendrakeGone\\\"",
                                        "explorer.exe /select,\"C:\\users\\Public\\Desktop\\"
                                        "Gone.lnk\""}),
              prompts.started);
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("\"Q:\\Apps\\other.exe\" cannot be reached: no part of it exists.",
              prompts.messages[0].text);
}

TEST_F(IssueListTest, CopyPutsTheSelectedRowsOnTheClipboardInTheirShownOrder) {
    ClickHeader(0); // sorted by problem: the desktop issue comes first
    SelectRows({0, 3});
    ContextMenu("Copy");
    ASSERT_TRUE(OpenClipboard(form->hwnd()));
    HANDLE data = GetClipboardData(CF_TEXT);
    const std::string text = data ? static_cast<const char*>(GlobalLock(data)) : "";
    if (data) {
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ("Desktop Issue\tGone.lnk\tC:\\users\\Public\\Desktop\\\r\n"
              "Run Issue\tC:\\MendrakeGone\\sub\\tool.exe\t"
              "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\r\n",
              text);
}

// Names in any script show as they are: the list's text read back in UTF-16, the rows copied
// as CF_UNICODETEXT, and a picture to look at (Cyrillic, Japanese and an emoji beyond the BMP).
TEST_F(IssueListTest, RowsShowAndCopyNamesInAnyScript) {
    const std::string cyrillic = "C:\\\u0410\u043D\u043D\u0430\\\u043F\u0440\u043E\u0433.exe";
    const std::string japanese = "C:\\\u4E0D\u5728\\\u30A2\u30D7\u30EA.exe";
    const std::string emoji = "C:\\gone\\\U0001F600.exe";
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const std::string& data : {cyrillic, japanese, emoji}) {
        test::AddIssue(10, 0, "Run Issue", data, run, 0x80000001u,
                       "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", data, "", false);
    }
    Select(1); // the list is filled again when the selection changes
    Select(0);
    ASSERT_EQ(8, Rows());
    const std::vector<std::wstring> shown = {
        L"C:\\\u0410\u043D\u043D\u0430\\\u043F\u0440\u043E\u0433.exe",
        L"C:\\\u4E0D\u5728\\\u30A2\u30D7\u30EA.exe", L"C:\\gone\\\U0001F600.exe"};
    for (int row = 5; row < 8; ++row) {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(shown[static_cast<std::size_t>(row - 5)], std::wstring(text)) << row;
    }
    SelectRows({5, 6, 7});
    ContextMenu("Copy");
    ASSERT_TRUE(OpenClipboard(form->hwnd()));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) {
        GlobalUnlock(data);
    }
    CloseClipboard();
    const std::wstring key = L"\tHKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\r\n";
    EXPECT_EQ(L"Run Issue\t" + shown[0] + key + L"Run Issue\t" + shown[1] + key + L"Run Issue\t" +
                  shown[2] + key,
              text);
    Pump();
    UpdateWindow(form->hwnd());
    EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "unicode_list.png"));
}

// The dialog opened from the menu is modal: a timer inside its loop reads it and closes it.
std::vector<std::string> dialogEntries;
void CALLBACK ReadExclusionsDialogAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", "Exclusions");
    if (!dialog) {
        return; // not up yet
    }
    KillTimer(nullptr, timer);
    HWND list = GetDlgItem(dialog, IDC_EXCLUSION_LIST);
    for (int i = 0; i < static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); ++i) {
        char text[512] = {};
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        dialogEntries.push_back(text);
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(IssueListTest, ExcludeStoresTheLocationsAndRemovesEveryRowTheyCover) {
    // The stored list as it was comes back when the test ends.
    PlantedRegistry stored("REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Kestrava\\Mendrake]\n"
                           "\"exclude\"=hex(7):00,00\n");
    // A second value of the Run key that the first issue's entry must not cover.
    test::AddIssue(10, 0, "Run Issue", "C:\\MendrakeGone\\b.exe",
                   "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0x80000001u,
                   "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "ToolB", "", false);
    // Below the excluded extension key: covered as well.
    test::AddIssue(5, 0, "Invalid Class", "x", "HKCR\\.zzmendrake\\ShellNew", 0x80000000u,
                   "\\.zzmendrake\\ShellNew", "", "", true);
    form->ItemsHTMLTreeviewChange(form->NodeAt(0));
    ASSERT_EQ(7, Rows());
    form->ShowCounts(true);
    SelectRows({0, 1});
    ContextMenu("Exclude");
    EXPECT_EQ(
        (std::vector<std::string>{"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tool",
                                  "HKCR\\.zzmendrake"}),
        Exclusions());
    std::vector<std::string> left;
    for (const TItem& issue : Issues) {
        left.push_back(issue.Data);
    }
    EXPECT_EQ((std::vector<std::string>{"Gone.lnk", "C:\\Windows\\MendrakeGone.dll",
                                        "Q:\\Apps\\other.exe", "C:\\MendrakeGone\\b.exe"}),
              left);
    EXPECT_EQ(4, Rows());
    EXPECT_EQ("All (4)", Caption(0)) << "the counts follow";

    dialogEntries.clear();
    SetTimer(nullptr, 0, 100, ReadExclusionsDialogAndClose);
    ContextMenu("Exclusions...");
    EXPECT_EQ(Exclusions(), dialogEntries);
}

TEST_F(IssueListTest, TickAllAndUntickAllChangeOnlyTheRowsShown) {
    Select(9); // "Run": rows of Issues 0 and 4
    ASSERT_EQ(2, Rows());
    ContextMenu("Untick All");
    EXPECT_EQ("01110", Ticks());
    Select(0);
    ContextMenu("Untick All");
    EXPECT_EQ("00000", Ticks());
    Select(form->NodeCount() - 3); // "Files": the desktop issue
    ContextMenu("Tick All");
    EXPECT_EQ("00100", Ticks());
}

// The problem column is as wide as the longest problem shown (with the row's check box), not
// below the design's width and not above two fifths of the list; the tip over a row shows the
// whole row, whatever its columns cut.
TEST_F(IssueListTest, TheProblemColumnFitsItsTextsAndTheTipShowsTheWholeRow) {
    const std::string longProblem = "Unused File Extension (left empty by the fix)";
    const std::string tooLong(300, 'W');
    RECT list{};
    GetClientRect(List(), &list);
    int box = 0, boxHeight = 0;
    ImageList_GetIconSize(form->CheckboxImageList.get(), &box, &boxHeight);
    struct Case {
        std::string problem;              // added to the rows of the setup ("" for none)
        std::function<int(int)> expected; // of the text's width
    };
    const std::vector<Case> cases = {
        {"", [&](int) { return form->Scale(165); }},
        {longProblem, [&](int text) { return text + box + form->Scale(16); }},
        {tooLong, [&](int) { return static_cast<int>(list.right) * 2 / 5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem.substr(0, 40));
        if (!c.problem.empty()) {
            test::AddIssue(4, 0, c.problem, ".zzlong", "HKCR\\.zzlong", 0x80000000u, "\\.zzlong",
                           "", "", true);
        }
        Select(1);
        Select(0);
        const int text = form->AdvListView.TextWidth(ProblemText(c.problem));
        EXPECT_EQ(c.expected(text), SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0))
            << "text " << text << " px, list " << list.right << " px";
    }

    // The tip the list asks for when the mouse rests on a row.
    const int row = RowOf(".zzlong");
    ASSERT_GE(row, 0);
    char buffer[1024] = "cut text of the list";
    NMLVGETINFOTIPA tip{};
    tip.hdr = {List(), static_cast<UINT_PTR>(GetDlgCtrlID(List())), LVN_GETINFOTIPA};
    tip.pszText = buffer;
    tip.cchTextMax = sizeof buffer;
    tip.iItem = row;
    SendMessageA(GetParent(List()), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(Cell(row, 0) + "\r\n.zzlong\r\nHKCR\\.zzlong", std::string(buffer));
    EXPECT_NE(0, SendMessageA(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_INFOTIP);
}

TEST_F(IssueListTest, TabReachesEveryControl) {
    form->FixAdvToolButton.SetEnabled(true);
    form->SaveAdvToolButton.SetEnabled(true);
    const std::vector<HWND> wanted = {form->AnalyseAdvToolButton.hwnd(),
                                      form->FixAdvToolButton.hwnd(),
                                      form->BackupHTMLCheckBox.hwnd(),
                                      form->SaveAdvToolButton.hwnd(),
                                      Tree(),
                                      List(),
                                      form->SiteLabel.hwnd(),
                                      form->SuggestLabel.hwnd(),
                                      form->MailToLabel.hwnd()};
    std::vector<HWND> reached;
    HWND at = GetNextDlgTabItem(form->hwnd(), nullptr, FALSE);
    for (int i = 0; at && i < 30 && std::find(reached.begin(), reached.end(), at) == reached.end();
         ++i) {
        reached.push_back(at);
        at = GetNextDlgTabItem(form->hwnd(), at, FALSE);
    }
    for (HWND control : wanted) {
        char name[64] = {};
        GetWindowTextA(control, name, sizeof name);
        EXPECT_NE(reached.end(), std::find(reached.begin(), reached.end(), control))
            << "Tab never reaches \"" << name << "\"";
    }
}

} // namespace
} // namespace mendrake::test

namespace mendrake::test {
namespace {

TEST_F(MainWindowTest, ExclusionsDialogListsTheStoredEntriesAndRemovesTheSelectedOnes) {
    std::vector<std::string> stored = {
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tool",
        "HKCR\\.zzmendrake",
        "C:\\users\\Public\\Desktop\\Gone.lnk",
    };
    std::vector<std::string> removed;
    ExclusionsDialog dialog({[&] { return stored; },
                             [&](const std::string& entry) {
                                 removed.push_back(entry);
                                 stored.erase(std::find(stored.begin(), stored.end(), entry));
                             }},
                            prompts);
    ASSERT_TRUE(dialog.Open(form->hwnd()));
    ShowWindow(dialog.hwnd(), SW_SHOW);
    EXPECT_EQ(stored, dialog.Shown());
    HWND list = GetDlgItem(dialog.hwnd(), IDC_EXCLUSION_LIST);
    HWND remove = GetDlgItem(dialog.hwnd(), IDC_EXCLUSION_REMOVE);
    EXPECT_FALSE(IsWindowEnabled(remove)) << "nothing selected, nothing to remove";

    SendMessageA(list, LB_SETSEL, TRUE, 0);
    SendMessageA(list, LB_SETSEL, TRUE, 2);
    SendMessageA(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_EXCLUSION_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_TRUE(IsWindowEnabled(remove));
    Pump();
    UpdateWindow(dialog.hwnd());
    EXPECT_TRUE(WriteWindowPng(dialog.hwnd(), Os().ProgramFolder() + "exclusions_dialog.png"));

    SendMessageA(remove, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ((std::vector<std::string>{"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\"
                                        "Tool",
                                        "C:\\users\\Public\\Desktop\\Gone.lnk"}),
              removed);
    EXPECT_EQ((std::vector<std::string>{"HKCR\\.zzmendrake"}), dialog.Shown())
        << "the list shows what is stored";
    EXPECT_FALSE(IsWindowEnabled(remove));

    // A list that cannot be written is reported and the dialog stays.
    SendMessageA(list, LB_SETSEL, TRUE, 0);
    ExclusionStore failing{[&] { return stored; },
                           [](const std::string&) { throw Error("Cannot write \"exclude\"."); }};
    ExclusionsDialog refusing(failing, prompts);
    refusing.Open(form->hwnd());
    SendMessageA(GetDlgItem(refusing.hwnd(), IDC_EXCLUSION_LIST), LB_SETSEL, TRUE, 0);
    refusing.RemoveSelected();
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("Cannot write \"exclude\".", prompts.messages[0].text);
    EXPECT_TRUE(IsWindow(refusing.hwnd()));
}

} // namespace
} // namespace mendrake::test

namespace mendrake::test {
namespace {

// The window at 150% (144 dots per inch). The setting is read when a program starts, so the
// test sets it and runs itself again for the picture.
TEST_F(MainWindowTest, PictureAt150PercentDpi) {
    char child[8] = {};
    if (GetEnvironmentVariableA("MENDRAKE_DPI_CHILD", child, sizeof child) > 0) {
        ASSERT_EQ(144, widgets::ScreenDpi()) << "the child did not start at 150%";
        test::AddIssue(10, 0, "Run Issue", "C:\\MendrakeGone\\sub\\tool.exe",
                       "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0x80000001u,
                       "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Tool", "", false);
        Select(0);
        form->ShowCounts(true);
        // The design size at 150% is larger than the virtual screen: the picture shows all of it
        // that fits.
        SetWindowPos(form->hwnd(), nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                     GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER);
        Pump();
        UpdateWindow(form->hwnd());
        EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "window_150dpi.png"));
        return;
    }
    PlantedRegistry dpi("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
                        "\"LogPixels\"=dword:00000090\n");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command(1, '"');
    command.append(self);
    command.append("\" --gtest_filter=MainWindowTest.PictureAt150PercentDpi");
    SetEnvironmentVariableA("MENDRAKE_DPI_CHILD", "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA("MENDRAKE_DPI_CHILD", nullptr);
    ASSERT_TRUE(started) << "error " << GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(0u, code) << "the run at 150% failed";
}

} // namespace
} // namespace mendrake::test
