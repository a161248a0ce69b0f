// The main window, created in-process under Wine and driven with the messages a user's clicks
// produce: tree check marks, the analysis, the virtual list, Fix with its backup, Save log.
#include "tests/wine/main_window_fixture.h"

#include "engine/exclusion_list.h"
#include "engine/issue_model.h"
#include "platform/platform.h"
#include "repair/backup_list.h"
#include "repair/fix.h"
#include "settings/exclusion_unit.h"
#include "tests/support/fixtures.h"
#include "tests/support/kept_settings.h"
#include "tests/wine/window_capture.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace mendrake::test {
namespace {

using platform::Os;

TEST_F(MainWindowTest, OpensWithCaptionVersionCompleteTickedTreeAndStartButtons) {
    char caption[64] = {};
    GetWindowTextA(form->hwnd(), caption, sizeof caption);
    EXPECT_STREQ("Mendrake", caption);
    EXPECT_EQ("Version 2.0.0.0", StatusText(0));
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;

    const std::vector<std::string> captions = {"All",
                                               "Registry",
                                               "Shared DLLs",
                                               "File Extensions",
                                               "ActiveX and Classes",
                                               "Applications",
                                               "Fonts",
                                               "Help Files",
                                               "Install",
                                               "Run",
                                               "Type Libraries",
                                               "MUI Cache",
                                               "Shell Extensions",
                                               "Sound Events",
                                               "Files",
                                               "Start Menu",
                                               "Desktop"};
    ASSERT_EQ(17, form->NodeCount());
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(captions[static_cast<std::size_t>(i)], Caption(i)) << "node " << i;
        const UINT state = static_cast<UINT>(SendMessageA(
            Tree(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(form->NodeAt(i)), TVIS_EXPANDED));
        const bool hasChildren = SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CHILD,
                                              reinterpret_cast<LPARAM>(form->NodeAt(i))) != 0;
        EXPECT_EQ(hasChildren, (state & TVIS_EXPANDED) != 0)
            << captions[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ("11111111111111111", Marks());
    EXPECT_EQ("A--", Buttons());
    EXPECT_TRUE(form->BackupHTMLCheckBox.Checked());
    EXPECT_TRUE(MakeBackup);
    EXPECT_EQ(0, Rows());

    RECT window{};
    GetWindowRect(form->hwnd(), &window);
    EXPECT_EQ(form->Scale(1045), window.right - window.left);
    EXPECT_EQ(form->Scale(559), window.bottom - window.top);
}

TEST_F(MainWindowTest, EveryActivationReadsAndStoresTheLanguageAgain) {
    const std::string key = "\\SOFTWARE\\Kestrava\\Mendrake";
    PlantedRegistry planted("REGEDIT4\n\n[HKEY_CURRENT_USER" + key + "]\n\"language\"=\"0\"\n");
    // Another window comes to the front, then the user returns to ours.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    Pump();
    SetWindowTextA(form->hwnd(), "stale");
    SetForegroundWindow(form->hwnd());
    Pump();
    DestroyWindow(other);

    char caption[64] = {};
    GetWindowTextA(form->hwnd(), caption, sizeof caption);
    EXPECT_STREQ("Mendrake", caption);
    EXPECT_EQ("Version 2.0.0.0", StatusText(0));
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    platform::Hkey opened = 0;
    ASSERT_EQ(platform::kSuccess,
              Os().OpenKey(platform::kCurrentUser, key.substr(1), platform::kKeyAllAccess, opened));
    platform::RegValue value;
    EXPECT_EQ(platform::kFileNotFound, Os().QueryValue(opened, "language", value))
        << "a language below 1 is deleted on activation";
    Os().CloseKey(opened);
}

TEST_F(MainWindowTest, ResizingMovesProgressPanelAndRightHandControls) {
    if (widgets::ScreenDpi() != 96) {
        GTEST_SKIP() << "design pixels equal screen pixels only at 96 DPI, got "
                     << widgets::ScreenDpi();
    }
    RECT outer{0, 0, 1037, 500};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(form->hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(form->hwnd(), GWL_EXSTYLE)));
    SetWindowPos(form->hwnd(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ASSERT_EQ(1037, form->AdvOfficeStatusBar.Width());
    int edges[3] = {};
    ASSERT_EQ(3, SendMessageA(form->AdvOfficeStatusBar.hwnd(), SB_GETPARTS, 3,
                              reinterpret_cast<LPARAM>(edges)));
    EXPECT_EQ(233, edges[0]);
    EXPECT_EQ(784, edges[1] - edges[0]) << "the progress panel takes the rest";
    EXPECT_EQ(20, 1037 - edges[1]) << "the last panel";
    // The tree pane is as wide as its longest name with a count needs, at least the design's
    // 233 pixels; the button strip has what the pane and the 3-pixel splitter leave.
    const int pane = form->LeftPanel.Width();
    EXPECT_LE(233, pane);
    const int strip = form->ButtonAdvPanel.Width();
    ASSERT_EQ(1037 - pane - 3, strip);
    EXPECT_EQ(strip - 125, form->SaveAdvToolButton.Left());
    EXPECT_EQ(strip - 245, form->RestoreAdvToolButton.Left());
    EXPECT_EQ(strip - 345, form->BackupHTMLCheckBox.Left());
    EXPECT_EQ(6, form->AnalyseAdvToolButton.Left());
    EXPECT_EQ(125, form->FixAdvToolButton.Left());

    // "Data" and "Key" share what "Problem" leaves of the list; the fourth column stays empty.
    RECT list{};
    GetClientRect(List(), &list);
    const int shared = (list.right - 165) / 2;
    const int widths[4] = {165, shared, shared, 0};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(widths[column], SendMessageA(List(), LVM_GETCOLUMNWIDTH, column, 0))
            << "column " << column;
    }

    // Dragging the splitter 50 pixels right narrows the button strip; the right-hand controls
    // keep their distance from its edge.
    HWND splitter = form->Splitter.hwnd();
    SendMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 100));
    SendMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(51, 100));
    SendMessageA(splitter, WM_LBUTTONUP, 0, MAKELPARAM(51, 100));
    Pump();
    EXPECT_EQ(pane + 50, form->LeftPanel.Width());
    ASSERT_EQ(strip - 50, form->ButtonAdvPanel.Width());
    EXPECT_EQ(strip - 50 - 125, form->SaveAdvToolButton.Left());
    EXPECT_EQ(strip - 50 - 245, form->RestoreAdvToolButton.Left());
    EXPECT_EQ(strip - 50 - 345, form->BackupHTMLCheckBox.Left());
}

TEST_F(MainWindowTest, CheckBoxClicksCarryMarksDownAndUpTheTree) {
    // Node indices: 0 All, 1 Registry, 2..13 its categories, 14 Files, 15 Start Menu, 16 Desktop.
    ClickCaption(16);
    EXPECT_EQ("11111111111111111", Marks()) << "a click on the caption changes no mark";

    ClickCheckBox(0);
    EXPECT_EQ("22222222222222222", Marks());
    ClickCheckBox(16);
    EXPECT_EQ("12222222222222121", Marks()) << "Desktop ticks Files and All only";
    ClickCheckBox(0);
    EXPECT_EQ("22222222222222222", Marks());
    ClickCheckBox(0);
    EXPECT_EQ("11111111111111111", Marks());

    for (int node = 2; node <= 12; ++node) {
        ClickCheckBox(node);
        EXPECT_EQ('1', Marks()[1]) << "Registry unticked after node " << node;
    }
    ClickCheckBox(13);
    EXPECT_EQ("12222222222222111", Marks()) << "the twelfth untick empties Registry";
    ClickCheckBox(15);
    EXPECT_EQ("12222222222222121", Marks());
    ClickCheckBox(16);
    EXPECT_EQ("22222222222222222", Marks()) << "Files and then All go once nothing is ticked";

    // A group's click gives all its children its new mark, whatever they had.
    ClickCheckBox(5);
    ClickCheckBox(1);
    EXPECT_EQ("22222222222222222", Marks());
    ClickCheckBox(1);
    EXPECT_EQ("11111111111111222", Marks());
}

TEST(AnalysisProgress, PositionAfterEachCategoryOfTheShippedTree) {
    // Sixteen steps after the root: an exact half goes to the even neighbour (12.5 to 12).
    const std::vector<std::pair<int, int>> expected = {
        {2, 12}, {3, 19},  {4, 25},  {5, 31},  {6, 38},  {7, 44},  {8, 50},
        {9, 56}, {10, 62}, {11, 69}, {12, 75}, {13, 81}, {15, 94}, {16, 100}};
    for (const auto& [index, position] : expected) {
        EXPECT_EQ(position, AnalysisProgressPosition(index, 17)) << "node " << index;
    }
    EXPECT_EQ(100, AnalysisProgressPosition(0, 1)) << "a single node ends the run";
}

TEST_F(MainWindowTest, AnalysingNothingTickedSaysSoAndLeavesTheListEmpty) {
    ClickCheckBox(0);
    Press(form->AnalyseAdvToolButton);
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("No issues selected", prompts.messages[0].text);
    EXPECT_EQ("Error", prompts.messages[0].title);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), prompts.messages[0].icon);
    EXPECT_EQ(100, form->AdvOfficeStatusBar.ProgressPosition());
    EXPECT_EQ("100%", form->AdvOfficeStatusBar.ProgressText());
    EXPECT_EQ(0, Rows());
    EXPECT_EQ("A--", Buttons());
}

TEST_F(MainWindowTest, AnErrorOfAHandlerIsShownAndTheWindowStaysOpen) {
    prompts.savePath = "C:\\MendrakeNoSuchFolder\\sub\\log.txt";
    // What a click on "Save log..." delivers to the window.
    SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form->SaveAdvToolButton.hwnd()));
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ(0u, prompts.messages[0].text.find(
                      "Cannot create file \"C:\\MendrakeNoSuchFolder\\sub\\log.txt\". "))
        << prompts.messages[0].text;
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), prompts.messages[0].icon);
    EXPECT_TRUE(IsWindow(form->hwnd()));

    prompts.savePath.reset(); // a cancelled dialog writes nothing and says nothing
    SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form->SaveAdvToolButton.hwnd()));
    EXPECT_EQ(2, prompts.dialogs);
    EXPECT_EQ(1u, prompts.messages.size());
}

TEST_F(MainWindowTest, AnalyseUntickSaveLogAndFixWithBackupOnPlantedRegistry) {
    const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    const std::string kept = "C:\\MendrakeWindowTest\\gone-a.dll";
    const std::string fixed = "C:\\MendrakeWindowTest\\gone-b.dll";
    PlantedRegistry planted("REGEDIT4\n\n[HKEY_LOCAL_MACHINE" + key +
                            "]\n\"C:\\\\MendrakeWindowTest\\\\gone-a.dll\"=dword:00000001\n"
                            "\"C:\\\\MendrakeWindowTest\\\\gone-b.dll\"=dword:00000002\n");
    const std::string folder = Os().ProgramFolder();

    // Only "Shared DLLs": the progress shows 12 after its scanner, then 100.
    TickOnly({2});
    const std::vector<int> positions = AnalyseRecordingProgress();
    EXPECT_NE(positions.end(), std::find(positions.begin(), positions.end(), 12));
    EXPECT_EQ(100, form->AdvOfficeStatusBar.ProgressPosition());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ("AFS", Buttons());

    // The list shows every issue, answered from Issues row by row.
    ASSERT_EQ(static_cast<int>(Issues.size()), Rows());
    const int keptRow = RowOf(kept);
    const int fixedRow = RowOf(fixed);
    ASSERT_GE(keptRow, 0);
    ASSERT_GE(fixedRow, 0);
    EXPECT_EQ("Missing Shared DLL", Cell(keptRow, 0));
    EXPECT_EQ("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls", Cell(keptRow, 2));
    EXPECT_EQ("", Cell(keptRow, 3));
    EXPECT_EQ(1, RowImage(keptRow));

    // Filters: Files has none of these, Registry and the leaf have them all.
    Select(11);
    EXPECT_EQ(0, Rows());
    Select(1);
    EXPECT_EQ(static_cast<int>(Issues.size()), Rows());

    // The check zone: x 19 in the first column toggles, x 20 and the second column do not.
    Select(2);
    const int row = RowOf(kept);
    ClickRow(row, 19);
    EXPECT_EQ(0, RowImage(row));
    ClickRow(row, 20);
    ClickRow(row, form->Scale(165) + 30);
    EXPECT_EQ(0, RowImage(row));
    Select(0);
    EXPECT_EQ(0, RowImage(RowOf(kept))) << "one issue, one tick, in every view";
    EXPECT_EQ(1, RowImage(RowOf(fixed)));

    // The prefix's own findings are left alone: only the planted issue stays ticked.
    for (TItem& issue : Issues) {
        if (issue.Data != fixed) {
            issue.Selected = 0;
        }
    }
    std::size_t keptIndex = 0;
    while (Issues[keptIndex].Data != kept) {
        ++keptIndex;
    }

    // Save log: the documents folder first, every issue written, ticked or not.
    const std::string logPath = folder + "main_window_test.log";
    prompts.savePath = logPath;
    Press(form->SaveAdvToolButton);
    EXPECT_EQ("Save Log", prompts.dialog.Title);
    EXPECT_EQ("Txt Files (*.txt)|*.txt", prompts.dialog.Filter);
    EXPECT_EQ("txt", prompts.dialog.DefaultExt);
    EXPECT_EQ(Os().DocumentsFolder(), prompts.dialog.InitialDir);
    // The name offered says which machine and which day.
    SYSTEMTIME today{};
    GetLocalTime(&today);
    char date[40] = {};
    std::snprintf(date, sizeof date, "%04u-%02u-%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ("Mendrake-" + Os().ComputerName() + "-" + date + ".txt", prompts.dialog.FileName);
    const std::string log = ReadText(logPath);
    EXPECT_EQ(0u, log.find("Log file for for: ")) << log.substr(0, 80);
    EXPECT_NE(std::string::npos, log.find(IssueBlock(Issues[keptIndex])));
    EXPECT_NE(std::string::npos, log.find("Selected: No\r\nIssue: 3,0\r\n"));
    Os().DeleteFileAt(logPath);

    // A picture of the window at design size with the findings listed.
    Pump();
    UpdateWindow(form->hwnd());
    EXPECT_TRUE(WriteWindowPng(form->hwnd(), folder + "main_window.png"));

    // Fix with "Make Backup": the question, a script in the program's folder, the deletion.
    std::set<std::string> before;
    for (const auto& entry : Os().ListFolder(folder + "*_backup.reg")) {
        before.insert(entry.name);
    }
    const std::vector<TItem> issuesBefore = Issues;
    Press(form->FixAdvToolButton);
    ASSERT_EQ(1u, prompts.actions.size());
    EXPECT_EQ("1 entry in Shared DLLs will be removed.\r\n\r\nA backup is written to " + folder +
                  " first.",
              prompts.actions[0].text);
    EXPECT_EQ("Remove entries", prompts.actions[0].title);
    EXPECT_EQ("&Fix", prompts.actions[0].action);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    EXPECT_EQ("1 entry removed", form->LiveLabel.Text());
    std::vector<std::string> scripts;
    for (const auto& entry : Os().ListFolder(folder + "*_backup.reg")) {
        if (!before.count(entry.name)) {
            scripts.push_back(folder + entry.name);
        }
    }
    ASSERT_EQ(1u, scripts.size());
    const std::string script = ReadText(scripts[0]);
    Os().DeleteFileAt(scripts[0]);
    EXPECT_EQ(0u, script.find("REGEDIT4\r\n\r\n"));
    EXPECT_NE(std::string::npos, script.find("gone-b.dll")) << script;
    EXPECT_EQ(std::string::npos, script.find("gone-a.dll")) << script;

    platform::Hkey opened = 0;
    ASSERT_EQ(platform::kSuccess, Os().OpenKey(platform::kLocalMachine, key.substr(1),
                                               platform::kKeyAllAccess, opened));
    platform::RegValue value;
    EXPECT_EQ(platform::kSuccess, Os().QueryValue(opened, kept, value)) << "unticked stays";
    EXPECT_EQ(platform::kFileNotFound, Os().QueryValue(opened, fixed, value)) << "ticked goes";
    Os().CloseKey(opened);

    // The fixed entry leaves the list for good; the unticked ones stay as they were.
    EXPECT_EQ(issuesBefore.size() - 1, Issues.size());
    EXPECT_EQ(static_cast<int>(Issues.size()), Rows());
    EXPECT_EQ(-1, RowOf(fixed));
    EXPECT_EQ("AFS", Buttons());
    EXPECT_EQ(100, form->AdvOfficeStatusBar.ProgressPosition());
    Select(2);
    EXPECT_EQ(-1, RowOf(fixed)) << "a click on the tree does not bring the fixed entry back";
    ASSERT_GE(RowOf(kept), 0);
    EXPECT_EQ(0, RowImage(RowOf(kept)));
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.back().text;
}

// A shortcut held open without delete sharing can be neither deleted nor moved: after the fix
// the window says so and lists it, and it stays in the list, ticked, while the entry that went
// leaves it. With the list empty Tick All and Untick All have nothing to act on.
// A removed program's key rests on a judgement: it starts unticked, the tree counts it as
// inferred, and the pane below the list and the list's menu say why it is reported.
TEST_F(MainWindowTest, AnInferredFindingStartsUntickedAndSaysWhyItIsReported) {
    PlantedRegistry planted(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\MendrakeWindowInferred\\Tool]\n"
        "\"InstallDir\"=\"C:\\\\MendrakeWindowInferred\\\\Tool\"\n");
    TickOnly({5}); // Applications
    AnalyseRecordingProgress();
    const std::string folder = "C:\\MendrakeWindowInferred\\Tool";
    const int row = RowOf(folder);
    ASSERT_GE(row, 0);
    EXPECT_EQ("Software Key of Removed Program", Cell(row, 0));
    EXPECT_EQ(0, RowImage(row)) << "inferred: the user decides";
    EXPECT_NE(std::string::npos, Caption(5).find("inferred)")) << Caption(5);

    form->AdvListView.SelectRows({row}, row);
    Pump();
    char pane[2048] = {};
    GetWindowTextA(form->EvidencePane, pane, sizeof pane);
    EXPECT_EQ(0u, std::string(pane).find("Certainty: inferred.")) << pane;
    EXPECT_NE(std::string::npos, std::string(pane).find("Folder " + folder + ": absent")) << pane;

    UpdateWindow(form->hwnd());
    EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "window_evidence_en.png"));

    prompts.menuChoice = "Why is this reported?";
    form->AdvListViewContextMenu({0, 0});
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("Why is this reported?", prompts.messages[0].title);
    EXPECT_NE(std::string::npos,
              prompts.messages[0].text.find("Key HKLM\\Software\\MendrakeWindowInferred: names "
                                            "nothing that exists"))
        << prompts.messages[0].text;

    // The same in German: the pane follows the window's language.
    const auto& languages = form->MenuLanguages();
    const auto german = std::find(languages.begin(), languages.end(), 1000);
    ASSERT_NE(languages.end(), german);
    SendMessageA(
        form->hwnd(), WM_SYSCOMMAND,
        T_mainForm::kLanguageCommand + 16 * static_cast<WPARAM>(german - languages.begin()), 0);
    GetWindowTextA(form->EvidencePane, pane, sizeof pane);
    EXPECT_EQ(0u, std::string(pane).find("Sicherheit: gefolgert.")) << pane;
    UpdateWindow(form->hwnd());
    EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "window_evidence_de.png"));
    const auto english = std::find(languages.begin(), languages.end(), 0);
    ASSERT_NE(languages.end(), english);
    SendMessageA(
        form->hwnd(), WM_SYSCOMMAND,
        T_mainForm::kLanguageCommand + 16 * static_cast<WPARAM>(english - languages.begin()), 0);
    Pump();
}

TEST_F(MainWindowTest, FixListsTheEntriesItCouldNotDeleteOrMove) {
    PlantedFiles files;
    const std::string folder = "C:\\MendrakeWindowTest\\held\\";
    files.AddFolder(folder);
    files.AddFile(folder + "held.lnk");
    files.AddFile(folder + "gone.lnk");
    HANDLE held = CreateFileA((folder + "held.lnk").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    for (const char* name : {"held.lnk", "gone.lnk"}) {
        test::AddIssue(13, 0, "Start Menu Issue", name, folder, 0x80000001u, folder, name, "",
                       false);
    }
    form->ShowCounts(true);
    SendMessageA(form->BackupHTMLCheckBox.hwnd(), BM_CLICK, 0, 0); // delete, do not move
    ASSERT_FALSE(MakeBackup);
    form->FixAdvToolButton.SetEnabled(true);
    Press(form->FixAdvToolButton);
    CloseHandle(held);

    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("1 entry could not be deleted or moved:\r\n\r\n" + folder + "held.lnk",
              prompts.messages[0].text);
    ASSERT_EQ(1u, Issues.size());
    EXPECT_EQ("held.lnk", Issues[0].Value);
    EXPECT_EQ(1, Rows());
    EXPECT_EQ(1, RowImage(0));
    EXPECT_EQ("AFS", Buttons());

    Issues[0].Selected = 0;
    Press(form->FixAdvToolButton); // nothing ticked: nothing happens, and the user hears why
    EXPECT_EQ(1u, Issues.size());
    EXPECT_EQ(1u, prompts.actions.size()) << "no question without anything to remove";
    ASSERT_EQ(2u, prompts.messages.size());
    EXPECT_EQ("No entry is ticked, so nothing is removed. Tick the entries to remove in the list.",
              prompts.messages[1].text);
    EXPECT_EQ("AFS", Buttons());
    Issues.clear();
    SendMessageA(form->ItemsHTMLTreeview, TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(form->NodeAt(1)));
    Select(0);
    EXPECT_EQ(0, Rows());
    prompts.menuChoice.clear();
    form->AdvListViewContextMenu({10, 10});
    EXPECT_NE(prompts.menuEntries.end(),
              std::find(prompts.menuEntries.begin(), prompts.menuEntries.end(), "-Tick All"));
    EXPECT_NE(prompts.menuEntries.end(),
              std::find(prompts.menuEntries.begin(), prompts.menuEntries.end(), "-Untick All"));
}

// Closing the window while the message about an unreadable exclusion list is up stops the run
// before it starts, and the window closes as the handler ends.
TEST_F(MainWindowTest, ACloseDuringTheExclusionListMessageStopsTheRun) {
    KeptSettings kept;
    PutSetting("exclude", platform::kRegDword, std::string("\1\0\0\0", 4));
    HWND window = form->hwnd();
    prompts.duringMessage = [&] { SendMessageA(window, WM_CLOSE, 0, 0); };
    SendMessageA(form->AnalyseAdvToolButton.hwnd(), BM_CLICK, 0, 0);
    Pump();
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("Invalid data type for 'exclude'", prompts.messages[0].text);
    EXPECT_FALSE(IsWindow(window)) << "the close waited for a run";
    EXPECT_TRUE(Issues.empty()) << "no category ran";
}

TEST_F(MainWindowTest, TheStoredExclusionsKeepTheirEntriesOutOfTheList) {
    KeptSettings kept;
    const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    PlantedRegistry planted("REGEDIT4\n\n[HKEY_LOCAL_MACHINE" + key +
                            "]\n\"C:\\\\MendrakeWindowTest\\\\gone-a.dll\"=dword:00000001\n"
                            "\"C:\\\\MendrakeWindowTest\\\\gone-b.dll\"=dword:00000002\n");
    ASSERT_TRUE(AddExclusion("hklm" + key + "\\C:\\MendrakeWindowTest\\GONE-A.dll"));
    TickOnly({2});
    Press(form->AnalyseAdvToolButton);
    Pump();
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    EXPECT_EQ(-1, RowOf("C:\\MendrakeWindowTest\\gone-a.dll"));
    EXPECT_GE(RowOf("C:\\MendrakeWindowTest\\gone-b.dll"), 0);
    EXPECT_NE(std::string::npos, form->LiveLabel.Text().find(", 1 excluded"))
        << form->LiveLabel.Text();

    // A stored value of another type is shown once, and the run goes on without a list.
    PutSetting("exclude", platform::kRegSz, std::string("x", 2));
    Press(form->AnalyseAdvToolButton);
    Pump();
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("Invalid data type for 'exclude'", prompts.messages[0].text);
    EXPECT_GE(RowOf("C:\\MendrakeWindowTest\\gone-a.dll"), 0);
    EXPECT_EQ(std::string::npos, form->LiveLabel.Text().find("excluded")) << form->LiveLabel.Text();
}

TEST_F(MainWindowTest, FixWithoutBackupWritesNoScriptAndItsQuestionSaysSo) {
    SendMessageA(form->BackupHTMLCheckBox.hwnd(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_FALSE(form->BackupHTMLCheckBox.Checked());
    EXPECT_FALSE(MakeBackup);

    // One finding of our own whose entry is not there, so that nothing of the prefix is touched.
    test::AddIssue(3, 0, "Missing Shared DLL", "x", "HKLM\\Software\\MendrakeNone", 0x80000002u,
                   "\\Software\\MendrakeNone", "x", "", false);
    const std::string folder = Os().ProgramFolder();
    const std::size_t scriptsBefore = Os().ListFolder(folder + "*_backup.reg").size();
    SendMessageA(form->hwnd(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form->FixAdvToolButton.hwnd()));
    WaitForWorker();
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    ASSERT_EQ(1u, prompts.actions.size());
    // The finding was put into the issues without a list made from them: it is not shown.
    EXPECT_EQ("1 entry in Shared DLLs will be removed. It is not shown in the list.\r\n\r\nNo "
              "backup is written: what is removed cannot be put back.",
              prompts.actions[0].text);
    EXPECT_EQ(scriptsBefore, Os().ListFolder(folder + "*_backup.reg").size());
    EXPECT_EQ("A--", Buttons());

    SendMessageA(form->BackupHTMLCheckBox.hwnd(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(MakeBackup);
}

// The fix asks first, naming how many ticked entries go, in which categories, how many of
// them the tree's selection hides, and where the backup goes. Cancel deletes nothing.
TEST_F(MainWindowTest, FixAsksFirstWithTheCountAndWhereTheEntriesAre) {
    struct Planted {
        std::int32_t category;
        bool ticked;
    };
    struct Case {
        std::vector<Planted> issues;
        std::int32_t shown; // the category whose node is selected, 0 for "All"
        bool backup;
        std::string question; // up to the backup's sentence
    };
    const std::vector<Case> cases = {
        {{{10, true}, {10, true}}, 0, true, "2 entries in Run will be removed."},
        {{{10, true}, {10, true}, {7, true}},
         10,
         false,
         "3 entries in 2 categories will be removed. 1 of them is not shown in the list."},
        {{{10, false}, {7, true}},
         10,
         true,
         "1 entry in Fonts will be removed. It is not shown "
         "in the list."},
        {{{10, true}, {7, true}, {7, true}, {3, true}, {10, false}},
         10,
         false,
         "4 entries in 3 categories will be removed. 3 of them are not shown in the list."},
    };
    auto nodeOf = [this](std::int32_t category) {
        for (int i = 0; i < form->NodeCount(); ++i) {
            if (form->LevelOf(form->NodeAt(i))->Id == category) {
                return i;
            }
        }
        return 0;
    };
    const std::string folder = Os().ProgramFolder();
    const std::size_t scriptsBefore = Os().ListFolder(folder + "*_backup.reg").size();
    prompts.act = false; // Cancel
    for (const Case& c : cases) {
        Issues.clear();
        int n = 0;
        for (const Planted& planted : c.issues) {
            const std::string value = std::string("v").append(std::to_string(n++));
            test::AddIssue(planted.category, 0, "Run Issue", value,
                           "HKCU\\Software\\MendrakeWindowNone", 0x80000001u,
                           "\\Software\\MendrakeWindowNone", value, "", false);
            Issues.back().Selected = planted.ticked ? 1 : 0;
        }
        MakeBackup = c.backup;
        Select(nodeOf(c.shown) == 0 ? 1 : 0); // the selection changes: the list is made again
        Select(nodeOf(c.shown));
        form->FixAdvToolButton.SetEnabled(true);
        prompts.actions.clear();
        Press(form->FixAdvToolButton);
        ASSERT_EQ(1u, prompts.actions.size());
        const std::string backup = c.backup ? "A backup is written to " + folder + " first."
                                            : "No backup is written: what is removed cannot be "
                                              "put back.";
        EXPECT_EQ(c.question + "\r\n\r\n" + backup, prompts.actions[0].text);
        EXPECT_EQ(c.issues.size(), Issues.size()) << "Cancel removes nothing";
        EXPECT_EQ("AFS", Buttons());
        EXPECT_EQ("", form->LiveLabel.Text());
    }
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    EXPECT_EQ(scriptsBefore, Os().ListFolder(folder + "*_backup.reg").size())
        << "no backup is written before the answer";

    // The same in German: the category named in the window's language.
    form->UpdateLang(1000);
    Issues.clear();
    test::AddIssue(7, 0, "Font Issue", "v", "HKCU\\Software\\MendrakeWindowNone", 0x80000001u,
                   "\\Software\\MendrakeWindowNone", "v", "", false);
    Select(0);
    prompts.actions.clear();
    MakeBackup = false;
    Press(form->FixAdvToolButton);
    ASSERT_EQ(1u, prompts.actions.size());
    EXPECT_EQ(0u, prompts.actions[0].text.find("1 Eintrag in Schriftarten wird entfernt."))
        << prompts.actions[0].text;
    EXPECT_EQ("&Beheben", prompts.actions[0].action);

    // Chosen: the entries go, and the live line says how many.
    prompts.act = true;
    form->UpdateLang(0);
    Press(form->FixAdvToolButton);
    EXPECT_TRUE(Issues.empty());
    EXPECT_EQ("1 entry removed", form->LiveLabel.Text());
}

// The real question box: Cancel is its default, so Enter and Esc both leave everything; only
// the button named for the action goes on.
namespace {
UINT answerKey = 0; // a key to press, or 0 to click the action's button
bool answered = false;
void CALLBACK AnswerTaskDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM found) {
            char name[32] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (IsWindowVisible(hwnd) && std::string(name) == "#32770") {
                *reinterpret_cast<HWND*>(found) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) {
        return; // not shown yet
    }
    KillTimer(nullptr, timer);
    answered = true;
    if (answerKey == 0) {
        // A picture of the question for a person to look at.
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        WriteWindowPng(box, platform::Os().ProgramFolder() + "fix_question.png");
    }
    if (answerKey != 0) {
        HWND focus = GetFocus();
        PostMessageA(focus ? focus : box, WM_KEYDOWN, answerKey, 0);
        PostMessageA(focus ? focus : box, WM_KEYUP, answerKey, 0);
        return;
    }
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[64] = {};
        GetWindowTextA(child, text, sizeof text);
        if (std::string(text) == "&Fix") {
            PostMessageA(child, BM_CLICK, 0, 0);
        }
    }
}
} // namespace

TEST_F(MainWindowTest, TheRealFixQuestionGoesOnOnlyWithItsActionButton) {
    struct Case {
        UINT key;
        bool fixes;
    };
    for (const Case& c : {Case{VK_RETURN, false}, Case{VK_ESCAPE, false}, Case{0, true}}) {
        answerKey = c.key;
        answered = false;
        SetTimer(nullptr, 0, 20, AnswerTaskDialog);
        WindowsPrompts real;
        const bool fixes =
            real.ConfirmAction(form->hwnd(),
                               "11 entries in 6 categories will be removed. 9 of them are not "
                               "shown in the list.\r\n\r\nA backup is written to "
                               "C:\\Users\\Public\\Mendrake\\ first.",
                               "Remove entries", "&Fix");
        EXPECT_TRUE(answered);
        EXPECT_EQ(c.fixes, fixes) << "key " << c.key;
    }
}

TEST_F(MainWindowTest, AFullRunMovesTheProgressThroughTheTreeAndListsEveryIssue) {
    Select(6); // "Fonts": the run still ends with every issue listed
    const std::vector<int> positions = AnalyseRecordingProgress();
    const std::vector<int> expected = {12, 19, 25, 31, 38, 44, 50, 56, 62, 69, 75, 81, 94, 100};
    std::vector<int> afterStart(std::find(positions.begin(), positions.end(), 12), positions.end());
    EXPECT_EQ(expected, afterStart);
    EXPECT_EQ(static_cast<int>(Issues.size()), Rows());
    EXPECT_EQ(Issues.empty() ? "A--" : "AFS", Buttons());
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
}

TEST_F(MainWindowTest, ACloseDuringTheNoIssuesMessageClosesWhenTheHandlerEnds) {
    ClickCheckBox(0);
    HWND window = form->hwnd();
    bool openWhileShown = false;
    prompts.duringMessage = [&] {
        SendMessageA(window, WM_CLOSE, 0, 0);
        openWhileShown = IsWindow(window) != FALSE;
    };
    Press(form->AnalyseAdvToolButton);
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("No issues selected", prompts.messages[0].text);
    EXPECT_TRUE(openWhileShown) << "the window went while its handler still ran";
    EXPECT_FALSE(IsWindow(window)) << "the close was kept for a later click";
}

// A class whose subkey name holds a line break cannot be backed up exactly (a section line
// ends there): the fix leaves it whole and says afterwards how many issues it left and why.
TEST_F(MainWindowTest, FixSaysWhichIssuesItLeftBecauseTheBackupCannotHoldThem) {
    const std::wstring base = L"Software\\MendrakeWindowTestLossy";
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\a\nb").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &created, nullptr));
    RegCloseKey(created);
    const std::string key = "\\Software\\MendrakeWindowTestLossy";
    test::AddIssue(5, 0, "COM Issue", "x", "HKCU" + key, 0x80000001u, key, "", "", true);
    std::set<std::string> backupsBefore;
    for (const auto& entry : Os().ListFolder(Os().ProgramFolder() + "*_backup.reg")) {
        backupsBefore.insert(entry.name);
    }
    form->FixAdvToolButton.SetEnabled(true);
    Press(form->FixAdvToolButton);
    const bool stillThere =
        RegOpenKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, KEY_READ, &created) == ERROR_SUCCESS;
    if (stillThere) {
        RegCloseKey(created);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
    const std::string folder = Os().ProgramFolder();
    for (const auto& entry : Os().ListFolder(folder + "*_backup.reg")) {
        if (backupsBefore.count(entry.name) == 0) {
            Os().DeleteFileAt(folder + entry.name);
        }
    }

    EXPECT_TRUE(stillThere) << "nothing of the issue was deleted";
    ASSERT_EQ(1u, prompts.messages.size()) << prompts.messages.back().text;
    EXPECT_EQ("1 issue was not fixed: nothing of them was deleted.\r\n\r\nHKCU" + key +
                  ": cannot be backed up: a key name below \"HKEY_CURRENT_USER" + key +
                  "\" holds a line break",
              prompts.messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), prompts.messages[0].icon);
    EXPECT_EQ("AFS", Buttons()) << "the issue stays listed";
    EXPECT_EQ(1u, Issues.size());
}

TEST_F(MainWindowTest, ABackupThatCannotBeWrittenDeletesNothingAndKeepsTheButtons) {
    const std::string key = "\\Software\\MendrakeWindowTestBackup";
    PlantedRegistry planted("REGEDIT4\n\n[HKEY_CURRENT_USER" + key + "]\n\"v\"=\"1\"\n");
    test::AddIssue(3, 0, "Missing Shared DLL", "v", "HKCU" + key, 0x80000001u, key, "v", "", false);
    form->FixAdvToolButton.SetEnabled(true);
    form->SaveAdvToolButton.SetEnabled(true);

    // Folders under the backup names of the next seconds: the script cannot be created.
    const std::string folder = Os().ProgramFolder();
    PlantedFiles blockers;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME stamp{};
    SystemTimeToFileTime(&now, &stamp);
    for (int second = 0; second < 10; ++second) {
        ULARGE_INTEGER at{{stamp.dwLowDateTime, stamp.dwHighDateTime}};
        at.QuadPart += static_cast<ULONGLONG>(second) * 10000000u;
        FILETIME shifted{at.LowPart, at.HighPart};
        SYSTEMTIME t{};
        FileTimeToSystemTime(&shifted, &t);
        blockers.AddFolder(
            folder + BackupFileName({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}) +
            "\\");
    }
    Press(form->FixAdvToolButton);

    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ(1u, prompts.actions.size());
    EXPECT_EQ(0u, prompts.messages[0].text.find("Cannot create file \"" + folder))
        << prompts.messages[0].text;
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), prompts.messages[0].icon);
    EXPECT_EQ("AFS", Buttons());
    platform::Hkey opened = 0;
    ASSERT_EQ(platform::kSuccess,
              Os().OpenKey(platform::kCurrentUser, key.substr(1), platform::kKeyAllAccess, opened));
    platform::RegValue value;
    EXPECT_EQ(platform::kSuccess, Os().QueryValue(opened, "v", value)) << "nothing deleted";
    Os().CloseKey(opened);
}

// What the restore dialog showed and did, recorded from inside its own message loop.
struct RestoreDialogRun {
    T_mainForm* form = nullptr;
    RecordingPrompts* prompts = nullptr;
    std::string backup; // the backup the fix wrote
    std::string extra;  // a backup made while the dialog is open
    bool opened = false;
    std::vector<BackupEntry> listed, afterFix;
    std::size_t questionsWhenDeclined = 0;
    bool presentAfterDecline = true, presentAfterRestore = false, restoreOnWorker = false;
    bool picture = false;
    std::size_t issuesAfterRestore = 0;
    std::string liveAfterRestore;
    std::string elsewhere; // a backup opened through "Browse..."
    std::vector<BackupEntry> afterBrowse;
    int chosenAfterBrowse = -1;
};
RestoreDialogRun* dialogRun = nullptr;

// The backups of the program's folder by name, so that a test removes the ones it made.
std::set<std::string> BackupNames() {
    std::set<std::string> names;
    for (const auto& entry : Os().ListFolder(Os().ProgramFolder() + "*_backup.reg")) {
        names.insert(entry.name);
    }
    return names;
}

void RemoveBackupsMadeSince(const std::set<std::string>& before) {
    for (const std::string& name : BackupNames()) {
        if (!before.count(name)) {
            Os().DeleteFileAt(Os().ProgramFolder() + name);
        }
    }
}

bool ValuePresent(const std::string& path, const std::string& name) {
    platform::Hkey opened = 0;
    if (Os().OpenKey(platform::kCurrentUser, path, 0x20019, opened) != platform::kSuccess) {
        return false;
    }
    platform::RegValue value;
    const bool present = Os().QueryValue(opened, name, value) == platform::kSuccess;
    Os().CloseKey(opened);
    return present;
}

// Lets the dialog's workers hand over until `busy` is false (at most two minutes).
template <typename Busy> void WaitWhile(Busy busy) {
    for (int tries = 0; busy() && tries < 2400; ++tries) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
}

// Runs inside the dialog's modal loop, as the user's clicks would.
void CALLBACK DriveRestoreDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    RestoreDialogRun& run = *dialogRun;
    RestoreDialog* dialog = run.form->OpenRestoreDialog();
    run.opened =
        dialog != nullptr && IsWindowVisible(dialog->hwnd()) && !IsWindowEnabled(run.form->hwnd());
    if (dialog == nullptr) {
        return;
    }
    WaitWhile([dialog] { return dialog->Reading(); });
    run.listed = dialog->Backups();
    // "No" to the question: nothing is restored.
    run.prompts->confirm = false;
    SendMessageA(dialog->RestoreButton(), BM_CLICK, 0, 0);
    run.questionsWhenDeclined = run.prompts->questions.size();
    run.presentAfterDecline = ValuePresent("Software\\MendrakeWindowRestore", "v");
    RedrawWindow(dialog->hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    run.picture = WriteWindowPng(dialog->hwnd(), Os().ProgramFolder() + "restore_dialog.png");
    // "Yes": the restore runs on the worker; the value comes back and the summary is shown.
    run.prompts->confirm = true;
    SendMessageA(dialog->RestoreButton(), BM_CLICK, 0, 0);
    run.restoreOnWorker = dialog->Restoring() && !IsWindowEnabled(dialog->CloseButton());
    WaitWhile([dialog] { return dialog->Restoring(); });
    run.presentAfterRestore = ValuePresent("Software\\MendrakeWindowRestore", "v");
    run.issuesAfterRestore = Issues.size();
    run.liveAfterRestore = run.form->LiveLabel.Text();
    // A fix (of an entry that is not there) while the dialog is open lists the backup it writes
    // (and one put there by hand).
    Os().WriteWholeFile(run.extra, "REGEDIT4\r\n\r\n");
    for (TItem& issue : Issues) {
        issue.Selected = 0;
    }
    test::AddIssue(10, 0, "Invalid Run", "w", "HKCU\\Software\\MendrakeWindowNone", 0x80000001u,
                   "\\Software\\MendrakeWindowNone", "w", "", false);
    run.form->FixAdvToolButtonClick();
    // The fix runs on the worker; the dialog is refreshed when the window takes its outcome.
    WaitWhile([&run, dialog] { return run.form->Busy() || dialog->Reading(); });
    run.afterFix = dialog->Backups();
    // "Browse...": a backup kept elsewhere joins the list at its top, chosen.
    run.prompts->openPath = run.elsewhere;
    SendMessageA(dialog->BrowseButton(), BM_CLICK, 0, 0);
    WaitWhile([dialog] { return dialog->Reading(); });
    run.afterBrowse = dialog->Backups();
    run.chosenAfterBrowse = static_cast<int>(
        SendMessageA(dialog->List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    // Esc in the list closes the dialog.
    PostMessageA(dialog->List(), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(MainWindowTest, RestoreDialogListsTheBackupsAndRestoresTheChosenOne) {
    const std::string key = "\\Software\\MendrakeWindowRestore";
    PlantedRegistry planted("REGEDIT4\n\n[HKEY_CURRENT_USER" + key + "]\n\"v\"=dword:00000007\n");
    test::AddIssue(10, 0, "Invalid Run", "v", "HKCU" + key, 0x80000001u, key, "v", "", false);
    MakeBackup = true;
    const std::string folder = Os().ProgramFolder();
    const std::set<std::string> before = BackupNames();
    Press(form->FixAdvToolButton);
    ASSERT_FALSE(ValuePresent(key.substr(1), "v"));
    RestoreDialogRun run;
    run.form = form.get();
    run.prompts = &prompts;
    for (const auto& entry : Os().ListFolder(folder + "*_backup.reg")) {
        if (!before.count(entry.name)) {
            run.backup = folder + entry.name;
        }
    }
    ASSERT_FALSE(run.backup.empty());
    run.extra = folder + "19991231235959_backup.reg";
    PlantedFiles elsewhere;
    elsewhere.AddFolder("C:\\MendrakeWindowTest\\");
    run.elsewhere = "C:\\MendrakeWindowTest\\kept by hand.reg";
    ASSERT_TRUE(Os().WriteWholeFile(run.elsewhere,
                                    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mendrake"
                                    "Elsewhere]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n")
                    .ok());
    dialogRun = &run;
    SetTimer(nullptr, 0, 10, DriveRestoreDialog);
    Press(form->RestoreAdvToolButton); // returns when the dialog is closed
    dialogRun = nullptr;
    RemoveBackupsMadeSince(before);

    EXPECT_TRUE(run.opened) << "shown, with the main window disabled";
    EXPECT_EQ(nullptr, form->OpenRestoreDialog());
    EXPECT_TRUE(IsWindowEnabled(form->hwnd()));
    ASSERT_FALSE(run.listed.empty());
    EXPECT_EQ(run.backup, run.listed[0].path) << "newest first";
    EXPECT_EQ(1u, run.listed[0].keys);
    EXPECT_EQ(1u, run.listed[0].values);
    EXPECT_EQ(1u, run.questionsWhenDeclined);
    EXPECT_FALSE(run.presentAfterDecline) << "a declined restore restores nothing";
    EXPECT_TRUE(run.picture);
    ASSERT_EQ(2u, prompts.questions.size());
    EXPECT_EQ(0u, prompts.questions[0].find("Restore the backup of ")) << prompts.questions[0];
    EXPECT_TRUE(run.presentAfterRestore);
    EXPECT_TRUE(run.restoreOnWorker) << "the click returned while the restore ran";
    bool summaryShown = false;
    for (const auto& shown : prompts.messages) {
        summaryShown |=
            shown.text == "Restored 1 keys, 1 values and 0 files from " + run.backup + "." &&
            shown.icon == static_cast<UINT>(MB_ICONINFORMATION);
    }
    EXPECT_TRUE(summaryShown);
    ASSERT_FALSE(run.afterFix.empty());
    EXPECT_EQ(run.extra, run.afterFix.back().path) << "the list was read again after the fix";
    // After the restore the findings of the last analysis are gone, and the window says why.
    EXPECT_EQ(0u, run.issuesAfterRestore);
    EXPECT_EQ("List cleared after the restore: analyse again", run.liveAfterRestore);
    ASSERT_FALSE(run.afterBrowse.empty());
    EXPECT_EQ(run.elsewhere, run.afterBrowse[0].path);
    EXPECT_EQ("kept by hand.reg", run.afterBrowse[0].when) << "no time in its name";
    EXPECT_EQ(1u, run.afterBrowse[0].keys);
    EXPECT_EQ(2u, run.afterBrowse[0].values);
    EXPECT_EQ(0, run.chosenAfterBrowse);
    EXPECT_EQ(run.afterFix.size() + 1, run.afterBrowse.size()) << "the folder's backups stay";
    EXPECT_EQ("Open a backup", prompts.openDialog.Title);
}

// A value set again since the fix: the dialog's restore leaves it, shows the conflict and asks
// a second question before the backup's data goes over it. The backups (a large one among them)
// are read on the worker: the dialog opens with its list empty and fills it as they are read.
std::string ValueText(const std::string& path, const std::string& name) {
    platform::Hkey opened = 0;
    if (Os().OpenKey(platform::kCurrentUser, path, 0x20019, opened) != platform::kSuccess) {
        return "(no key)";
    }
    platform::RegValue value;
    const bool present = Os().QueryValue(opened, name, value) == platform::kSuccess;
    Os().CloseKey(opened);
    return present ? std::string(value.data.c_str()) : "(none)";
}

TEST_F(MainWindowTest, RestoreDialogAsksBeforeOverwritingWhatChangedSinceTheBackup) {
    const std::string key = "\\Software\\MendrakeWindowConflict";
    PlantedRegistry planted("REGEDIT4\n\n[HKEY_CURRENT_USER" + key + "]\n\"v\"=\"old\"\n");
    test::AddIssue(10, 0, "Invalid Run", "v", "HKCU" + key, 0x80000001u, key, "v", "", false);
    MakeBackup = true;
    const std::string folder = Os().ProgramFolder();
    const std::set<std::string> before = BackupNames();
    // An old backup of 10,000 values, listed as it is read.
    std::string large = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\MendrakeWindowLarge]\r\n";
    for (int i = 0; i < 10000; ++i) {
        large += "\"value" + std::to_string(i) + "\"=\"C:\\\\Program Files\\\\gone" +
                 std::to_string(i) + ".exe\"\r\n";
    }
    const std::string largePath = folder + "19990101000000_backup.reg";
    ASSERT_TRUE(Os().WriteWholeFile(largePath, large).ok());
    Press(form->FixAdvToolButton);
    ASSERT_EQ("(none)", ValueText(key.substr(1), "v"));
    planted.Apply("REGEDIT4\n\n[HKEY_CURRENT_USER" + key + "]\n\"v\"=\"new\"\n");
    prompts.messages.clear();
    prompts.questions.clear();

    RestoreDialog dialog(form->hwnd(), prompts, folder);
    dialog.Open();
    const bool emptyAtOpen = dialog.Backups().empty();
    WaitWhile([&dialog] { return dialog.Reading(); });
    const std::size_t listed = dialog.Backups().size();
    // The fix's backup is the newest and chosen. "Yes" to restore, "No" to overwriting.
    prompts.answers = {true, false};
    SendMessageA(dialog.RestoreButton(), BM_CLICK, 0, 0);
    WaitWhile([&dialog] { return dialog.Restoring(); });
    const std::string afterNo = ValueText(key.substr(1), "v");
    const std::size_t messagesAfterNo = prompts.messages.size();
    // The list is read again after a restore; "Restore..." waits for its first row.
    WaitWhile([&dialog] { return dialog.Reading(); });
    // Again, "Yes" to both: the overwrite runs as a second restore on the worker.
    prompts.confirm = true;
    SendMessageA(dialog.RestoreButton(), BM_CLICK, 0, 0);
    WaitWhile([&dialog] { return dialog.Restoring(); });
    const std::string afterYes = ValueText(key.substr(1), "v");
    dialog.Close();
    RemoveBackupsMadeSince(before);
    Os().DeleteFileAt(largePath);

    EXPECT_TRUE(emptyAtOpen) << "the list is filled by the worker, not before the dialog shows";
    EXPECT_LE(2u, listed);
    EXPECT_EQ("new", afterNo) << "nothing newer replaced without the second question";
    EXPECT_EQ("old", afterYes);
    // One question after the first pass: what it restored, then the changed entry with what
    // it holds now and in the backup, then whether to overwrite; no message before it.
    ASSERT_EQ(4u, prompts.questions.size());
    EXPECT_EQ(0u, messagesAfterNo) << prompts.messages[0].text;
    const std::string& conflict = prompts.questions[1];
    EXPECT_EQ(0u, conflict.find("Restored 1 keys, 0 values and 0 files from ")) << conflict;
    EXPECT_NE(std::string::npos,
              conflict.find(
                  "\n\n1 entry has changed since the backup and was left as it is:\nHKCU" + key +
                  "\\v\n    now: \"new\"\n    in the backup: \"old\"\n\nOverwrite "
                  "it with the data of the backup? What is there now is lost."))
        << conflict;
    EXPECT_EQ(std::string::npos, conflict.find("Not restored")) << "the entry is named once";
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ(0u, prompts.messages[0].text.find("Restored 1 keys, 1 values and 0 files from "))
        << prompts.messages[0].text;
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), prompts.messages[0].icon);
}

} // namespace
} // namespace mendrake::test
