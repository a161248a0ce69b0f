// The window's texts in every language of the string table: the blocks as the resource
// carries them (complete, nothing empty, the same placeholders, access keys that do not collide
// within one window), and the main window switched to each language through its system menu,
// with every text in place and fitting its control.
#include "tests/wine/main_window_fixture.h"

#include "settings/lang_unit.h"
#include "tests/support/fixtures.h"
#include "tests/support/kept_settings.h"
#include "ui/exclusions_dialog.h"
#include "ui/texts.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace mendrake::test {
namespace {

using platform::Os;

// The languages the program ships, by number, as the README lists them.
const std::map<std::int32_t, std::string> kShipped = {
    {0, "English"},     {1000, "Deutsch"},  {2000, "Français"},
    {3000, "Español"},  {4000, "Italiano"}, {5000, "Português (Brasil)"},
    {6000, "Polski"},   {7000, "Русский"},  {8000, "日本語"},
    {9000, "简体中文"},
};

// The texts one window shows at a time; their access keys must differ. "Analyse" and "Stop"
// share a button but are both in the strip's keys, so either may be shown.
const std::map<std::string, std::vector<int>> kWindows = {
    {"main window", {IDS_ANALYSE, IDS_STOP, IDS_FIX, IDS_MAKE_BACKUP, IDS_RESTORE, IDS_SAVE_LOG}},
    {"context menu",
     {IDS_MENU_OPEN_REGEDIT, IDS_MENU_OPEN_LOCATION, IDS_MENU_COPY, IDS_MENU_EXCLUDE,
      IDS_MENU_TICK_ALL, IDS_MENU_UNTICK_ALL, IDS_MENU_EXCLUSIONS}},
    {"exclusions dialog", {IDS_EXCLUSIONS_REMOVE, IDS_CLOSE}},
    {"restore dialog", {IDS_RESTORE_BUTTON, IDS_RESTORE_BROWSE, IDS_CLOSE}},
};

std::string Block(std::int32_t language, int id) {
    return Os().StringResource(static_cast<std::uint32_t>(language + id));
}

// The identifiers of the English block: every offset that has a text.
std::vector<int> EnglishIds() {
    std::vector<int> ids;
    for (int id = 0; id < kLanguageBlockSize; ++id) {
        if (!Block(0, id).empty()) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(std::max(length, 0)));
    return wide;
}

// The access key of a text, upper-cased (Alt+a and Alt+A are one key); 0 when it has none.
wchar_t AccessKey(const std::string& text) {
    std::wstring wide = Wide(text);
    for (std::size_t i = 0; i + 1 < wide.size(); ++i) {
        if (wide[i] == L'&' && wide[i + 1] == L'&') {
            ++i;
        } else if (wide[i] == L'&') {
            wchar_t key = wide[i + 1];
            CharUpperBuffW(&key, 1);
            return key;
        }
    }
    return 0;
}

// The placeholders a text fills in: "%1", "%2"...
std::set<char> Placeholders(const std::string& text) {
    std::set<char> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') {
            found.insert(text[i + 1]);
        }
    }
    return found;
}

TEST(LanguageBlocks, TheResourceShipsTheTenLanguagesByTheirOwnNames) {
    std::map<std::int32_t, std::string> shipped;
    for (std::int32_t language : ShippedLanguages()) {
        shipped[language] = LangText(language, IDS_LANGUAGE_NAME);
    }
    EXPECT_EQ(kShipped, shipped);
}

TEST(LanguageBlocks, EveryBlockHoldsEveryTextWithTheSamePlaceholders) {
    const std::vector<int> ids = EnglishIds();
    ASSERT_GT(ids.size(), 90u) << "the English block is the window's whole text";
    for (const auto& [language, name] : kShipped) {
        for (int id : ids) {
            const std::string english = Block(0, id);
            const std::string text = Block(language, id);
            EXPECT_FALSE(text.empty())
                << name << " has no text " << id << " (\"" << english << "\")";
            EXPECT_EQ(Placeholders(english), Placeholders(text))
                << name << " text " << id << ": \"" << text << "\"";
            // The log's filter pairs and the copy entry's shortcut keep their shape.
            EXPECT_EQ(english.find('|') != std::string::npos, text.find('|') != std::string::npos)
                << name << " text " << id;
            EXPECT_EQ(english.find('\t') != std::string::npos, text.find('\t') != std::string::npos)
                << name << " text " << id;
        }
        // Nothing past the English texts: a stray identifier would be a text no one shows.
        for (int id = 0; id < kLanguageBlockSize; ++id) {
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
                EXPECT_EQ("", Block(language, id)) << name << " text " << id;
            }
        }
    }
}

// Every problem a scanner makes is shown in the window's language: the list finds the text by
// the English problem, and what hangs on a dependent ("(class being removed)") by its English
// words, so a problem the table does not know (a misspelling on either side) would silently
// stay English, whole or in part.
TEST(LanguageBlocks, EveryProblemKindIsShownInTheWindowsLanguage) {
    const std::int32_t kept = WindowLanguage();
    for (const auto& [language, name] : kShipped) {
        if (language == 0) {
            continue;
        }
        SetWindowLanguage(language);
        for (std::size_t k = 0; k < kProblemKindCount; ++k) {
            const std::string problem = ProblemKinds[k].Problem;
            const std::string shown = ProblemText(problem);
            const std::size_t open = problem.rfind(" (");
            for (const std::string& english :
                 {problem.substr(0, open),
                  open == std::string::npos ? "" : problem.substr(open + 1)}) {
                EXPECT_TRUE(english.empty() || shown.find(english) == std::string::npos)
                    << name << " shows \"" << shown << "\" for \"" << problem << "\"";
            }
        }
    }
    SetWindowLanguage(kept);
}

// The tree's captions are IDS_CATEGORY + a category's id: every category has its caption, and
// the ids stay below the problem texts that follow them in the table.
TEST(LanguageBlocks, EveryCategoryHasItsCaptionBelowTheProblemTexts) {
    for (const TLevel& level : Levels) {
        EXPECT_LT(IDS_CATEGORY + level.Id, IDS_PROBLEM_SHARED_DLL) << level.Name;
        EXPECT_EQ(std::string(level.Name), Block(0, IDS_CATEGORY + level.Id));
    }
}

TEST(LanguageBlocks, AccessKeysDifferWithinEachWindow) {
    for (const auto& [language, name] : kShipped) {
        for (const auto& [window, ids] : kWindows) {
            std::map<wchar_t, int> seen;
            for (int id : ids) {
                const std::string text = Block(language, id);
                const wchar_t key = AccessKey(text);
                if (id != IDS_CLOSE) {
                    EXPECT_NE(0, key) << name << ", " << window << ": \"" << text << "\" has none";
                }
                if (key == 0) {
                    continue;
                }
                const auto [at, fresh] = seen.emplace(key, id);
                EXPECT_TRUE(fresh) << name << ", " << window << ": \"" << text << "\" and \""
                                   << Block(language, at->second) << "\" share a key";
            }
        }
    }
}

// The window switched through its system menu, as a user chooses a language.
class WindowLanguagesTest : public MainWindowTest {
  protected:
    void SetUp() override {
        kept.emplace();
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SetWindowLanguage(0);
        kept.reset();
    }
    void Choose(std::int32_t language) {
        const auto& languages = form->MenuLanguages();
        const auto at = std::find(languages.begin(), languages.end(), language);
        ASSERT_NE(languages.end(), at) << "no menu entry for " << language;
        SendMessageA(
            form->hwnd(), WM_SYSCOMMAND,
            T_mainForm::kLanguageCommand + 16 * static_cast<WPARAM>(at - languages.begin()), 0);
        Pump();
    }
    std::string Header(int column) const {
        char text[128] = {};
        LVCOLUMNA header{};
        header.mask = LVCF_TEXT;
        header.pszText = text;
        header.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                     reinterpret_cast<LPARAM>(&header));
        return text;
    }
    // The control shows its whole text: its width holds the text in its own font.
    void ExpectFits(const widgets::Control& control, const std::string& name) const {
        RECT place{};
        GetClientRect(control.hwnd(), &place);
        EXPECT_LE(control.TextWidth(control.Text()), place.right)
            << name << ": \"" << control.Text() << "\" is cut";
    }
    std::optional<KeptSettings> kept;
};

TEST_F(WindowLanguagesTest, EachLanguageShowsItsButtonsHeadersAndTreeAndFitsThem) {
    test::AddIssue(5, 0, "COM Issue", "C:\\MendrakeGone\\server.dll",
                   "HKCR\\CLSID\\{00000000-0000-0000-0000-00000000C0DE}\\InprocServer32",
                   0x80000000u, "\\CLSID\\{00000000-0000-0000-0000-00000000C0DE}\\InprocServer32",
                   "", "", false);
    Select(0);
    form->ShowCounts(true);
    for (const auto& [language, name] : kShipped) {
        SCOPED_TRACE(name);
        Choose(language);
        EXPECT_EQ(language, WindowLanguage());
        EXPECT_EQ(LangText(language, IDS_ANALYSE), form->AnalyseAdvToolButton.Text());
        EXPECT_EQ(LangText(language, IDS_FIX), form->FixAdvToolButton.Text());
        EXPECT_EQ(LangText(language, IDS_MAKE_BACKUP), form->BackupHTMLCheckBox.Text());
        EXPECT_EQ(LangText(language, IDS_RESTORE), form->RestoreAdvToolButton.Text());
        EXPECT_EQ(LangText(language, IDS_SAVE_LOG), form->SaveAdvToolButton.Text());
        EXPECT_EQ(LangText(language, IDS_COLUMN_PROBLEM), Header(0));
        EXPECT_EQ(LangText(language, IDS_COLUMN_DATA), Header(1));
        EXPECT_EQ(LangText(language, IDS_COLUMN_KEY), Header(2));
        EXPECT_EQ(LangText(language, IDS_PROBLEM_COM), Cell(0, 0));
        EXPECT_EQ(LangText(language, IDS_CATEGORY + 5) + " (1)", Caption(4));
        EXPECT_EQ(LangText(language, IDS_VERSION_WORD) + " 2.0.0.0", StatusText(0));

        ExpectFits(form->AnalyseAdvToolButton, "Analyse");
        ExpectFits(form->FixAdvToolButton, "Fix");
        ExpectFits(form->RestoreAdvToolButton, "Restore...");
        ExpectFits(form->SaveAdvToolButton, "Save log...");
        RECT backup{}, restore{};
        GetWindowRect(form->BackupHTMLCheckBox.hwnd(), &backup);
        GetWindowRect(form->RestoreAdvToolButton.hwnd(), &restore);
        RECT both{};
        EXPECT_FALSE(IntersectRect(&both, &backup, &restore))
            << "\"Make Backup\" runs under \"Restore...\"";
        EXPECT_LE(form->BackupHTMLCheckBox.TextWidth(form->BackupHTMLCheckBox.Text()) +
                      GetSystemMetrics(SM_CXMENUCHECK),
                  backup.right - backup.left)
            << "\"Make Backup\" is cut";
        // Every node's name with its count shows whole: no horizontal scroll bar.
        EXPECT_EQ(0, GetWindowLongA(Tree(), GWL_STYLE) & WS_HSCROLL);
        for (int node = 0; node < form->NodeCount(); ++node) {
            RECT tree{};
            GetClientRect(Tree(), &tree);
            EXPECT_LE(LabelRect(node).right, tree.right) << Caption(node);
        }
    }
}

// The system menu driven from the keyboard as a user does: Alt+Space opens it, the arrow keys
// go down to "Language" and into its submenu, down to the language wanted, and Enter. Each
// key is pressed once the menu has shown what the last one did (a timer, run by the menu's
// own loop, looks at which entry is highlighted).
struct MenuWalk {
    std::string entry;    // the system menu's entry to open
    std::string language; // the submenu's entry to choose
    int keys = 0;
    bool chosen = false;
};
MenuWalk* menuWalk = nullptr;

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return WithoutAccessKey(text);
}

void CALLBACK WalkMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    std::vector<HMENU> open;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM found) {
            char name[16] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (IsWindowVisible(hwnd) && std::string(name) == "#32768") {
                constexpr UINT kGetMenu = 0x01E1; // MN_GETHMENU
                reinterpret_cast<std::vector<HMENU>*>(found)->push_back(
                    reinterpret_cast<HMENU>(SendMessageA(hwnd, kGetMenu, 0, 0)));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&open));
    if (open.empty()) {
        return; // not open yet
    }
    auto press = [](UINT key) {
        PostMessageA(GetActiveWindow(), WM_KEYDOWN, key, 1);
        PostMessageA(GetActiveWindow(), WM_KEYUP, key, 0xC0000001);
    };
    if (++menuWalk->keys > 40) {
        KillTimer(nullptr, timer); // lost: leave the menus
        press(VK_ESCAPE);
        press(VK_ESCAPE);
        return;
    }
    // The submenu when it is open, else the system menu.
    HMENU menu = open.front();
    bool inSubmenu = false;
    for (HMENU candidate : open) {
        for (int i = 0; i < GetMenuItemCount(candidate); ++i) {
            if (MenuText(candidate, i) == menuWalk->language) {
                menu = candidate;
                inSubmenu = true;
            }
        }
    }
    std::string highlighted;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) {
            highlighted = MenuText(menu, i);
        }
    }
    if (inSubmenu && highlighted == menuWalk->language) {
        KillTimer(nullptr, timer);
        menuWalk->chosen = true;
        press(VK_RETURN);
    } else if (!inSubmenu && highlighted == menuWalk->entry) {
        press(VK_RIGHT);
    } else {
        press(VK_DOWN);
    }
}

TEST_F(WindowLanguagesTest, ALanguageIsChosenFromTheSystemMenuWithTheKeyboard) {
    for (const auto& [language, entry] : std::vector<std::pair<std::int32_t, std::string>>{
             {7000, "Language"}, {0, WithoutAccessKey(LangText(7000, IDS_SYSTEM_MENU_LANGUAGE))}}) {
        MenuWalk walk{entry, LangText(language, IDS_LANGUAGE_NAME)};
        menuWalk = &walk;
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, WalkMenu);
        // Alt+Space: the key with the Alt flag, translated into the character that opens it.
        PostMessageA(form->hwnd(), WM_SYSKEYDOWN, VK_SPACE, 1 | (0x39 << 16) | (1 << 29));
        Pump();
        KillTimer(nullptr, timer);
        menuWalk = nullptr;
        EXPECT_TRUE(walk.chosen) << "\"" << walk.language << "\" never highlighted in \""
                                 << walk.entry << "\" after " << walk.keys << " keys";
        EXPECT_EQ(language, WindowLanguage());
        EXPECT_EQ(LangText(language, IDS_ANALYSE), form->AnalyseAdvToolButton.Text());
    }
}

TEST_F(WindowLanguagesTest, TheChoiceIsStoredAndEnglishIsKeptOverTheUiLanguage) {
    Choose(7000);
    ASSERT_TRUE(StoredSetting("language"));
    EXPECT_EQ(std::string("7000", 5), StoredSetting("language")->data);
    EXPECT_EQ(LangText(7000, IDS_CLOSE), Text(IDS_CLOSE));

    // Back to English: the value goes where the UI language shows English anyway, and a
    // number without texts keeps English where it would not.
    Choose(0);
    const auto uiDefault =
        LanguageOfUiLanguage(static_cast<std::uint16_t>(GetUserDefaultUILanguage()));
    if (uiDefault == 0) {
        EXPECT_FALSE(StoredSetting("language"));
    } else {
        ASSERT_TRUE(StoredSetting("language"));
        EXPECT_EQ(std::string("10000", 6), StoredSetting("language")->data);
    }
    EXPECT_EQ("&Analyse", form->AnalyseAdvToolButton.Text());

    // The stored number rules at the next activation.
    PutSetting("language", REG_SZ, std::string("8000", 5));
    form->FormActivate();
    EXPECT_EQ(LangText(8000, IDS_ANALYSE), form->AnalyseAdvToolButton.Text());
}

} // namespace
} // namespace mendrake::test

namespace mendrake::test {
namespace {

// Runs this test program again, at 150% (144 dots per inch, read when a program starts), with
// only the tests of `filter`; they know the run by MENDRAKE_LANGUAGES_DPI_CHILD.
void RunAt150Percent(const std::string& filter) {
    PlantedRegistry dpi("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
                        "\"LogPixels\"=dword:00000090\n");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command(1, '"');
    command.append(self);
    command.append("\" --gtest_filter=");
    command.append(filter);
    SetEnvironmentVariableA("MENDRAKE_LANGUAGES_DPI_CHILD", "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA("MENDRAKE_LANGUAGES_DPI_CHILD", nullptr);
    ASSERT_TRUE(started) << "error " << GetLastError();
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(0u, code) << "the run at 150% failed (its output above says why)";
}

// Pictures of the window in German (long words), Russian and Japanese, at this DPI and at 150%
// (144 dots per inch, read when a program starts: the test runs itself again for those), for
// a person to look at: window_<language>_<dpi>.png in the program's folder.
TEST_F(WindowLanguagesTest, PicturesInLongAndWideScripts) {
    char child[8] = {};
    const bool inChild = GetEnvironmentVariableA("MENDRAKE_LANGUAGES_DPI_CHILD", child, 8) > 0;
    if (inChild) {
        ASSERT_EQ(144, widgets::ScreenDpi()) << "the child did not start at 150%";
    }
    test::AddIssue(5, 0, "COM Issue", "C:\\MendrakeGone\\server.dll",
                   "HKCR\\CLSID\\{00000000-0000-0000-0000-00000000C0DE}\\InprocServer32",
                   0x80000000u, "\\CLSID\\{00000000-0000-0000-0000-00000000C0DE}\\InprocServer32",
                   "", "", false);
    test::AddIssue(10, 0, "Run Issue", "C:\\MendrakeGone\\sub\\tool.exe",
                   "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0x80000001u,
                   "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Tool", "", false);
    Select(0);
    form->ShowCounts(true);
    // The design size at 150% is larger than the virtual screen: the picture shows what fits.
    SetWindowPos(form->hwnd(), nullptr, 0, 0,
                 std::min(GetSystemMetrics(SM_CXSCREEN), form->Scale(1045)),
                 std::min(GetSystemMetrics(SM_CYSCREEN), form->Scale(559)), SWP_NOZORDER);
    for (const auto& [language, tag] : std::vector<std::pair<std::int32_t, std::string>>{
             {1000, "de"}, {7000, "ru"}, {8000, "ja"}}) {
        Choose(language);
        Pump();
        UpdateWindow(form->hwnd());
        EXPECT_TRUE(WriteWindowPng(form->hwnd(), Os().ProgramFolder() + "window_" + tag + "_" +
                                                     std::to_string(widgets::ScreenDpi()) +
                                                     ".png"));
    }
    if (inChild) {
        return;
    }
    RunAt150Percent("WindowLanguagesTest.PicturesInLongAndWideScripts");
}

// The controls of a window, by name, read back from the real windows in screen pixels: no two
// overlap, each lies inside its parent's client area, and the window inside the work area.
struct Placed {
    std::string name;
    HWND hwnd;
};

void ExpectLaidOut(HWND window, const std::vector<Placed>& controls) {
    RECT work{}, frame{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &frame);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom)
        << "the window (" << frame.left << "," << frame.top << ")-(" << frame.right << ","
        << frame.bottom << ") leaves the work area (" << work.right << "x" << work.bottom << ")";
    std::vector<RECT> places;
    for (const Placed& control : controls) {
        RECT place{}, parent{};
        GetWindowRect(control.hwnd, &place);
        HWND owner = GetParent(control.hwnd);
        GetClientRect(owner, &parent);
        MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&parent), 2);
        EXPECT_TRUE(place.left >= parent.left && place.top >= parent.top &&
                    place.right <= parent.right && place.bottom <= parent.bottom)
            << control.name << " (" << place.left - parent.left << "," << place.top - parent.top
            << ")-(" << place.right - parent.left << "," << place.bottom - parent.top
            << ") leaves its parent's " << parent.right - parent.left << "x"
            << parent.bottom - parent.top;
        places.push_back(place);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            RECT both{};
            EXPECT_FALSE(IntersectRect(&both, &places[i], &places[j]))
                << controls[i].name << " and " << controls[j].name << " overlap";
        }
    }
}

// The control's text, without its access-key mark, fits its width with `frame` pixels besides.
void ExpectWhole(const std::string& name, HWND control, int frame) {
    char text[256] = {};
    GetWindowTextA(control, text, sizeof text);
    RECT place{};
    GetClientRect(control, &place);
    EXPECT_LE(widgets::TextWidthIn(control, WithoutAccessKey(text)) + frame, place.right)
        << name << ": \"" << text << "\" is cut";
}

// A text that breaks into lines fits the control's height at its width.
void ExpectWholeOnItsLines(const std::string& name, HWND control) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    RECT place{};
    GetClientRect(control, &place);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, place.right, 0};
    const std::wstring wide = WideFromAnsi(text);
    DrawTextW(dc, wide.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    EXPECT_LE(needed.bottom, place.bottom) << name << ": \"" << text << "\" is cut";
    EXPECT_LE(needed.right, place.right) << name << ": \"" << text << "\" is cut";
}

// Tells `window` that it is now on a monitor of `dpi`, as Windows does when the window is moved
// there, with the place a start at that DPI would give it: `design` (its size at 96 DPI, the
// frame included) scaled, within the work area, about its present centre.
void ChangeDpi(HWND window, int dpi, SIZE design) {
    RECT work{}, now{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &now);
    const int width =
        std::min(widgets::Scale(design.cx, dpi), static_cast<int>(work.right - work.left));
    const int height =
        std::min(widgets::Scale(design.cy, dpi), static_cast<int>(work.bottom - work.top));
    const int left = std::clamp(static_cast<int>(now.left + now.right - width) / 2,
                                static_cast<int>(work.left), static_cast<int>(work.right) - width);
    const int top = std::clamp(static_cast<int>(now.top + now.bottom - height) / 2,
                               static_cast<int>(work.top), static_cast<int>(work.bottom) - height);
    RECT suggested{left, top, left + width, top + height};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
}

// The windows' sizes at 96 DPI with their frames, as they start.
constexpr SIZE kMainWindowDesign{1045, 559};
constexpr SIZE kRestoreDialogDesign{560, 330};
SIZE ExclusionsDialogDesign(HWND dialog) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    return SIZE{480 + frame.right - frame.left, 293 + frame.bottom - frame.top};
}

// Every language at this DPI, at 125% and 200% (the windows told of a change of DPI while they
// are open) and at 150% from the start: the main window after an analysis, the restore dialog
// and the exclusions dialog keep their controls apart, inside their windows and the work area,
// with the count and every button's text whole.
TEST_F(WindowLanguagesTest, EveryLanguageFitsItsWindowsAndTheWorkArea) {
    char child[8] = {};
    const bool inChild = GetEnvironmentVariableA("MENDRAKE_LANGUAGES_DPI_CHILD", child, 8) > 0;
    // A short analysis, so that the live line shows its count in every language.
    for (int i = 0; i < form->NodeCount(); ++i) {
        if (form->LevelOf(form->NodeAt(i))->Id == 8) { // Help Files
            TickOnly({i});
        }
    }
    Press(form->AnalyseAdvToolButton);
    // This run's DPI, then the window moved to monitors of 120 and 192 DPI while it runs; the
    // run at 150% starts at 144.
    std::vector<int> dpis{widgets::ScreenDpi()};
    if (!inChild) {
        dpis.insert(dpis.end(), {120, 192});
    }
    for (int dpi : dpis) {
        if (dpi != form->Dpi()) {
            ChangeDpi(form->hwnd(), dpi, kMainWindowDesign);
        }
        ASSERT_EQ(dpi, form->Dpi());
        const int check = widgets::MetricForDpi(SM_CXMENUCHECK, dpi);
        const auto started = std::chrono::steady_clock::now();
        for (const auto& [language, name] : kShipped) {
            SCOPED_TRACE(name + " at " + std::to_string(dpi) + " dpi");
            Choose(language);
            Pump();
            ExpectLaidOut(form->hwnd(), {{"Analyse", form->AnalyseAdvToolButton.hwnd()},
                                         {"Fix", form->FixAdvToolButton.hwnd()},
                                         {"the live line", form->LiveLabel.hwnd()},
                                         {"Make Backup", form->BackupHTMLCheckBox.hwnd()},
                                         {"Restore", form->RestoreAdvToolButton.hwnd()},
                                         {"Save log", form->SaveAdvToolButton.hwnd()}});
            ExpectLaidOut(form->hwnd(), {{"the tree pane", form->LeftPanel.hwnd()},
                                         {"the splitter", form->Splitter.hwnd()},
                                         {"the right pane", form->RightPanel.hwnd()}});
            ExpectLaidOut(form->hwnd(), {{"the strip above the tree", form->LeftTopAdvPanel.hwnd()},
                                         {"the tree", Tree()},
                                         {"the links", form->RightAdvPanel.hwnd()}});
            EXPECT_FALSE(form->LiveLabel.Text().empty()) << "the live line shows the count";
            ExpectWhole("the count", form->LiveLabel.hwnd(), 0);
            for (const Placed& button :
                 std::vector<Placed>{{"Analyse", form->AnalyseAdvToolButton.hwnd()},
                                     {"Fix", form->FixAdvToolButton.hwnd()},
                                     {"Restore", form->RestoreAdvToolButton.hwnd()},
                                     {"Save log", form->SaveAdvToolButton.hwnd()}}) {
                ExpectWhole(button.name, button.hwnd, form->Scale(4));
            }
            ExpectWhole("Make Backup", form->BackupHTMLCheckBox.hwnd(), check);

            // Laid out as Open lays it out, but not shown: hiding a window takes Wine two seconds.
            RestoreDialog restore(form->hwnd(), prompts, Os().ProgramFolder());
            restore.Create();
            if (restore.Dpi() != dpi) {
                ChangeDpi(restore.hwnd(), dpi, kRestoreDialogDesign);
            }
            ExpectLaidOut(restore.hwnd(), {{"the folder", GetWindow(restore.List(), GW_HWNDPREV)},
                                           {"the backups", restore.List()},
                                           {"Browse", restore.BrowseButton()},
                                           {"Restore", restore.RestoreButton()},
                                           {"Close", restore.CloseButton()}});
            for (const Placed& button : std::vector<Placed>{{"Browse", restore.BrowseButton()},
                                                            {"Restore", restore.RestoreButton()},
                                                            {"Close", restore.CloseButton()}}) {
                ExpectWhole("the restore dialog's " + button.name, button.hwnd,
                            widgets::Scale(4, restore.Dpi()));
            }
            for (int column = 0; column < 4; ++column) {
                char text[128] = {};
                LVCOLUMNA header{};
                header.mask = LVCF_TEXT;
                header.pszText = text;
                header.cchTextMax = sizeof text;
                SendMessageA(restore.List(), LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                             reinterpret_cast<LPARAM>(&header));
                EXPECT_LE(widgets::TextWidthIn(restore.List(), text) +
                              widgets::Scale(8, restore.Dpi()),
                          SendMessageA(restore.List(), LVM_GETCOLUMNWIDTH, column, 0))
                    << "the restore dialog's header \"" << text << "\" is cut";
            }
            restore.Close();

            ExclusionsDialog exclusions(
                {[] { return std::vector<std::string>{}; }, [](const std::string&) {}}, prompts);
            ASSERT_TRUE(exclusions.Open(form->hwnd()));
            HWND box = exclusions.hwnd();
            if (exclusions.Dpi() != dpi) {
                ChangeDpi(box, dpi, ExclusionsDialogDesign(box));
            }
            ExpectLaidOut(box, {{"the explanation", GetDlgItem(box, IDC_EXCLUSION_LABEL)},
                                {"the exclusions", GetDlgItem(box, IDC_EXCLUSION_LIST)},
                                {"Remove", GetDlgItem(box, IDC_EXCLUSION_REMOVE)},
                                {"Close", GetDlgItem(box, IDCANCEL)}});
            ExpectWholeOnItsLines("the exclusions dialog's explanation",
                                  GetDlgItem(box, IDC_EXCLUSION_LABEL));
            ExpectWhole("the exclusions dialog's Remove", GetDlgItem(box, IDC_EXCLUSION_REMOVE),
                        widgets::Scale(4, exclusions.Dpi()));
            ExpectWhole("the exclusions dialog's Close", GetDlgItem(box, IDCANCEL),
                        widgets::Scale(4, exclusions.Dpi()));
            DestroyWindow(box);
            EnableWindow(form->hwnd(), TRUE);
        }
        std::printf("%d languages laid out at %d dpi in %lld ms\n",
                    static_cast<int>(std::size(kShipped)), dpi,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - started)
                                               .count()));
    }
    if (!inChild) {
        RunAt150Percent("WindowLanguagesTest.EveryLanguageFitsItsWindowsAndTheWorkArea");
    }
}

// What a DPI decides in a window, read back from the real windows: its client area's size,
// then each control by class in z-order with its place in the client area, its font's
// height, the columns of a list, the indent, row height and pictures of a tree, the panels of
// a status bar. One line each, so that a difference names the control.
std::string LayoutOf(HWND window) {
    std::ostringstream out;
    RECT client{};
    GetClientRect(window, &client);
    out << "client " << client.right << "x" << client.bottom;
    // The title bar's icon, where the window sets one of its own.
    if (auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0))) {
        ICONINFO info{};
        BITMAP bits{};
        if (GetIconInfo(icon, &info)) {
            GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bits, &bits);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        out << " icon " << bits.bmWidth << "x" << bits.bmHeight;
    }
    out << "\n";
    std::vector<HWND> controls;
    EnumChildWindows(
        window,
        [](HWND control, LPARAM found) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(control);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    auto iconSize = [](HIMAGELIST images) {
        int width = 0, height = 0;
        if (images) {
            ImageList_GetIconSize(images, &width, &height);
        }
        return std::to_string(width) + "x" + std::to_string(height);
    };
    for (HWND control : controls) {
        char name[64] = {};
        GetClassNameA(control, name, sizeof name);
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        out << name << " (" << place.left << "," << place.top << ")-(" << place.right << ","
            << place.bottom << ") font "
            << widgets::FontHeight(
                   reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        const std::string kind = name;
        if (kind == WC_LISTVIEWA) {
            out << " columns";
            HWND header = reinterpret_cast<HWND>(SendMessageA(control, LVM_GETHEADER, 0, 0));
            const auto columns = SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
            for (LRESULT i = 0; i < columns; ++i) {
                out << " " << SendMessageA(control, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0);
            }
            out << " marks "
                << iconSize(reinterpret_cast<HIMAGELIST>(
                       SendMessageA(control, LVM_GETIMAGELIST, LVSIL_STATE, 0)));
        } else if (kind == WC_TREEVIEWA) {
            out << " indent " << SendMessageA(control, TVM_GETINDENT, 0, 0) << " rows "
                << SendMessageA(control, TVM_GETITEMHEIGHT, 0, 0) << " icons "
                << iconSize(reinterpret_cast<HIMAGELIST>(
                       SendMessageA(control, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)))
                << " marks "
                << iconSize(reinterpret_cast<HIMAGELIST>(
                       SendMessageA(control, TVM_GETIMAGELIST, TVSIL_STATE, 0)));
        } else if (kind == STATUSCLASSNAMEA) {
            int edges[8] = {};
            const auto parts =
                SendMessageA(control, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges));
            out << " panels";
            for (LRESULT i = 0; i < parts; ++i) {
                out << " " << edges[i];
            }
        }
        out << "\n";
    }
    return out.str();
}

// Gives `window` the client area the first line of `layout` names (the frame around it is
// the window's own: Wine draws it at the DPI the program started at).
void SizeClientAs(HWND window, const std::string& layout) {
    int width = 0, height = 0;
    ASSERT_EQ(2, std::sscanf(layout.c_str(), "client %dx%d", &width, &height)) << layout;
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    SetWindowPos(window, nullptr, 0, 0, width + (outer.right - outer.left) - client.right,
                 height + (outer.bottom - outer.top) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
}

// A window moved to a monitor of another scale lays itself out as one started there: the main
// window (in German, whose long words move the buttons), the restore dialog and the exclusions
// dialog, told here that their DPI went from 96 to 144, read back, and compared with the same
// windows in a run started at 150% (the test runs itself again for that), given the same
// client areas.
TEST_F(WindowLanguagesTest, ADpiChangeLaysOutTheWindowsAsAStartAtThatDpi) {
    char child[8] = {};
    const bool inChild = GetEnvironmentVariableA("MENDRAKE_LANGUAGES_DPI_CHILD", child, 8) > 0;
    if (!inChild && widgets::ScreenDpi() != 96) {
        GTEST_SKIP() << "the change is made from 96 DPI, this run is at " << widgets::ScreenDpi();
    }
    test::AddIssue(10, 0, "Run Issue", "C:\\MendrakeGone\\sub\\tool.exe",
                   "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0x80000001u,
                   "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Tool", "", false);
    Select(0);
    form->ShowCounts(true);
    Choose(1000);
    RestoreDialog restore(form->hwnd(), prompts, Os().ProgramFolder());
    restore.Create();
    ExclusionsDialog exclusions(
        {[] { return std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Kept"}; },
         [](const std::string&) {}},
        prompts);
    ASSERT_TRUE(exclusions.Open(form->hwnd()));
    const std::vector<HWND> windows{form->hwnd(), restore.hwnd(), exclusions.hwnd()};
    const std::string file = Os().ProgramFolder() + "layout_after_dpi_change.txt";
    if (!inChild) {
        ChangeDpi(form->hwnd(), 144, kMainWindowDesign);
        ChangeDpi(restore.hwnd(), 144, kRestoreDialogDesign);
        ChangeDpi(exclusions.hwnd(), 144, ExclusionsDialogDesign(exclusions.hwnd()));
        std::ofstream out(file, std::ios::binary);
        for (HWND window : windows) {
            out << LayoutOf(window) << "--\n";
        }
    } else {
        ASSERT_EQ(144, form->Dpi()) << "the child did not start at 150%";
        std::ifstream in(file, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        const std::string changed = all.str();
        std::size_t at = 0;
        for (HWND window : windows) {
            const std::size_t end = changed.find("--\n", at);
            ASSERT_NE(std::string::npos, end) << "the layouts after the change: " << changed;
            const std::string expected = changed.substr(at, end - at);
            at = end + 3;
            SizeClientAs(window, expected);
            EXPECT_EQ(LayoutOf(window), expected) << "the window started at 144 DPI, first; "
                                                     "the one changed from 96 DPI, second";
        }
    }
    DestroyWindow(exclusions.hwnd());
    EnableWindow(form->hwnd(), TRUE);
    restore.Close();
    if (!inChild) {
        RunAt150Percent("WindowLanguagesTest.ADpiChangeLaysOutTheWindowsAsAStartAtThatDpi");
    }
}

} // namespace
} // namespace mendrake::test
