// What real user profiles hold and the checks must judge: the user's own App Paths, paths written
// with environment references (in either string kind, and in the 32-bit view), and install
// folders that a program's key names one level down or under another name. Each row is planted
// alone on a fresh memory platform; the findings are compared as "key|value" lines.
#include "engine/algorithm_unit.h"
#include "engine/issue_model.h"
#include "platform/memory/memory_platform.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

using platform::kCurrentUser;
using platform::kLocalMachine;
using platform::kRegExpandSz;
using platform::kRegSz;

using Texts = std::vector<std::string>;

struct Value {
    platform::Hkey root;
    std::string key, name, text;
    std::uint32_t type = kRegSz;
};

struct Row {
    const char* name;
    std::vector<Value> values;
    Texts files;    // files and folders (ending in "\") that exist
    Texts expected; // "KeyText|value" of each finding, in the order of the analysis
};

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRun32 = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kHelp = "Software\\Microsoft\\Windows\\Help";
const std::string kMuiCache = "Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache";
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kApp = "C:\\Program Files\\Vendor\\App\\app.exe";

Texts Findings(const Row& row) {
    platform::MemoryPlatform os;
    platform::ScopedOs installed{os};
    os.AddFolder("C:\\windows\\");
    for (const Value& value : row.values) {
        if (value.type == platform::kRegDword) {
            os.PutNumber(value.root, value.key, value.name, 1);
        } else {
            os.PutText(value.root, value.key, value.name, value.text, value.type);
        }
    }
    for (const std::string& file : row.files) {
        if (file.back() == '\\') {
            os.AddFolder(file);
        } else {
            os.AddFile(file);
        }
    }
    Texts found;
    for (const TItem& item : test::Scan({6, 8, 10, 12})) {
        found.push_back(item.KeyText + "|" + item.Value);
    }
    return found;
}

TEST(ProfileRecall, UserAppPathsAreJudgedLikeTheMachines) {
    const std::string tool = kAppPaths + "\\tool.exe";
    const Row rows[] = {
        {"a user's App Path into a deleted folder",
         {{kCurrentUser, tool, "", "C:\\Users\\me\\AppData\\Local\\Tool\\tool.exe"}},
         {"C:\\Users\\me\\"},
         {"HKCU\\" + tool + "|"}},
        {"a user's App Path that works",
         {{kCurrentUser, tool, "", "C:\\Users\\me\\AppData\\Local\\Tool\\tool.exe"}},
         {"C:\\Users\\me\\AppData\\Local\\Tool\\tool.exe"},
         {}},
        {"a user's App Path with only a Path value names no program",
         {{kCurrentUser, tool, "Path", "C:\\Users\\me\\Gone"}},
         {"C:\\Users\\me\\"},
         {}},
        {"a user's App Path written with a reference, expanded",
         {{kCurrentUser, tool, "", "%ProgramFiles%\\Vendor\\App\\app.exe", kRegExpandSz}},
         {"C:\\Program Files\\"},
         {"HKCU\\" + tool + "|"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, Findings(row)) << row.name;
    }
}

TEST(ProfileRecall, PathsWrittenWithReferencesAreTestedWhereTheyLead) {
    const std::string autoRun = "%ProgramFiles%\\Vendor\\App\\app.exe /autoRun";
    const Row rows[] = {
        {"a Run command in REG_EXPAND_SZ whose folder is gone",
         {{kCurrentUser, kRun, "App", autoRun, kRegExpandSz}},
         {"C:\\Program Files\\"},
         {"HKCU\\" + kRun + "|App"}},
        {"a Run command in REG_EXPAND_SZ that works",
         {{kCurrentUser, kRun, "App", autoRun, kRegExpandSz}},
         {kApp},
         {}},
        {"a Run command in REG_SZ with a reference: Explorer expands it too",
         {{kCurrentUser, kRun, "App", autoRun}},
         {"C:\\Program Files\\"},
         {"HKCU\\" + kRun + "|App"}},
        {"a Run command naming a variable that is not set is kept",
         {{kCurrentUser, kRun, "App", "%MendrakeUnset%\\App\\app.exe /autoRun", kRegExpandSz},
          {kCurrentUser, kRun, "Quoted", "\"%MendrakeUnset%\\App\\app.exe\" /autoRun"}},
         {"C:\\Program Files\\"},
         {}},
        {"a 32-bit Run command's %ProgramFiles% is the (x86) folder",
         {{kLocalMachine, kRun32, "Gone32", autoRun, kRegExpandSz}},
         {kApp, "C:\\Program Files (x86)\\"},
         {"HKLM\\" + kRun32 + "|Gone32"}},
        {"a 32-bit Run command whose program is in the (x86) folder works",
         {{kLocalMachine, kRun32, "Live32", autoRun, kRegExpandSz}},
         {"C:\\Program Files (x86)\\Vendor\\App\\app.exe"},
         {}},
        {"a machine's App Path with a reference",
         {{kLocalMachine, kAppPaths + "\\app.exe", "", "%ProgramFiles%\\Vendor\\App\\app.exe",
           kRegExpandSz}},
         {"C:\\Program Files\\"},
         {"HKLM\\" + kAppPaths + "\\app.exe|"}},
        {"help folders with references: gone, present, not set",
         {{kLocalMachine, kHelp, "gone.hlp", "%ProgramFiles%\\Vendor\\Help", kRegExpandSz},
          {kLocalMachine, kHelp, "live.hlp", "%ProgramFiles%\\Vendor\\Help"},
          {kLocalMachine, kHelp, "unset.hlp", "%MendrakeUnset%\\Help", kRegExpandSz}},
         {"C:\\Program Files\\Vendor\\Help\\live.hlp"},
         {"HKLM\\" + kHelp + "|gone.hlp"}},
        {"MUI cache names with references: gone, present, not set",
         {{kCurrentUser, kMuiCache, "%ProgramFiles%\\Vendor\\Gone\\gone.exe", "Gone"},
          {kCurrentUser, kMuiCache, "%ProgramFiles%\\Vendor\\App\\app.exe", "App"},
          {kCurrentUser, kMuiCache, "%MendrakeUnset%\\x.exe", "Unset"}},
         {kApp},
         {"HKCU\\" + kMuiCache + "|%ProgramFiles%\\Vendor\\Gone\\gone.exe"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, Findings(row)) << row.name;
    }
}

TEST(ProfileRecall, InstallFoldersOneLevelDownOrUnderAnotherName) {
    const std::string python = "Software\\Python\\PythonCore\\3.8";
    const std::string pythonFolder = "C:\\Users\\me\\AppData\\Local\\Programs\\Python\\Python38\\";
    const std::vector<Value> pythonKeys = {
        {kCurrentUser, python, "Version", "3.8.8"},
        {kCurrentUser, python + "\\InstallPath", "", pythonFolder},
        {kCurrentUser, python + "\\InstallPath", "ExecutablePath", pythonFolder + "python.exe"},
        {kCurrentUser, python + "\\Help\\Main Python Documentation", "",
         pythonFolder + "Doc\\python388.chm"},
    };
    auto with = [](std::vector<Value> values, const std::vector<Value>& more) {
        values.insert(values.end(), more.begin(), more.end());
        return values;
    };
    const std::string dotPeek = "Software\\JetBrains\\dotPeek";
    const std::string mySql = "Software\\MySQL AB\\MySQL Utilities";
    const Row rows[] = {
        {"a Python registration whose folder is gone goes with its vendor key",
         pythonKeys,
         {"C:\\Users\\me\\"},
         {"HKCU\\Software\\Python|"}},
        {"a Python registration whose folder is there",
         pythonKeys,
         {pythonFolder + "python.exe"},
         {}},
        {"a second version whose folder is there keeps the product",
         with(pythonKeys, {{kCurrentUser, "Software\\Python\\PythonCore\\3.9\\InstallPath", "",
                            "C:\\Python39\\"}}),
         {"C:\\Python39\\"},
         {}},
        {"an install key whose default is not text is not judged",
         {{kCurrentUser, python, "Version", "3.8.8"},
          {kCurrentUser, python + "\\InstallPath", "", "", platform::kRegDword}},
         {"C:\\Users\\me\\"},
         {}},
        {"an InstallDir in a version subkey",
         {{kCurrentUser, dotPeek + "\\v211", "InstallDir", "C:\\Users\\me\\JetBrains\\dotPeek211"},
          {kCurrentUser, dotPeek + "\\v211", "ProductName", "dotPeek"}},
         {"C:\\Users\\me\\"},
         {"HKCU\\Software\\JetBrains|"}},
        {"an InstallDir in a version subkey, a sibling product stays",
         {{kCurrentUser, dotPeek + "\\v211", "InstallDir", "C:\\Users\\me\\JetBrains\\dotPeek211"},
          {kCurrentUser, "Software\\JetBrains\\Rider", "Theme", "dark"}},
         {"C:\\Users\\me\\"},
         {"HKCU\\" + dotPeek + "|"}},
        {"an InstallDir in a subkey that is no version is no evidence",
         {{kCurrentUser, dotPeek + "\\Plugins", "InstallDir", "C:\\Users\\me\\Plugins"}},
         {"C:\\Users\\me\\"},
         {}},
        {"a Location beside Version only",
         {{kCurrentUser, mySql, "Version", "1.3.4"},
          {kCurrentUser, mySql, "Location", "C:\\Program Files (x86)\\MySQL\\Utilities 1.3.4\\"}},
         {"C:\\Program Files (x86)\\"},
         {"HKCU\\Software\\MySQL AB|"}},
        {"a Location beside Version whose folder exists",
         {{kCurrentUser, mySql, "Version", "1.3.4"},
          {kCurrentUser, mySql, "Location", "C:\\Program Files (x86)\\MySQL\\Utilities 1.3.4\\"}},
         {"C:\\Program Files (x86)\\MySQL\\Utilities 1.3.4\\"},
         {}},
        {"a Location beside other values is no evidence",
         {{kCurrentUser, mySql, "Version", "1.3.4"},
          {kCurrentUser, mySql, "Location", "C:\\Program Files (x86)\\MySQL\\Utilities 1.3.4\\"},
          {kCurrentUser, mySql, "Window", "maximised"}},
         {"C:\\Program Files (x86)\\"},
         {}},
        {"a program that Add/Remove Programs lists keeps its key",
         {{kCurrentUser, dotPeek + "\\v211", "InstallDir", "C:\\Users\\me\\JetBrains\\dotPeek211"},
          {kCurrentUser, kUninstall + "\\dotPeek211", "DisplayName", "JetBrains dotPeek"}},
         {"C:\\Users\\me\\"},
         {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, Findings(row)) << row.name;
    }
}

} // namespace
} // namespace mendrake
