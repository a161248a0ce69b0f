// Live entries beside dead ones: each row plants a registration that works next to one that is
// dead (or could be taken for dead), analyses, fixes every finding the row added, and checks that
// what works is still there, with the values that make it work, and that the dead part is gone.
// Natively on the memory platform; under Wine in the prefix's real registry and files.
#include "engine/algorithm_unit.h"
#include "engine/common_unit.h"
#include "engine/registry_access.h"
#include "engine/scanner_paths.h"
#include "repair/fix.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mendrake::test {
namespace {

// Every registry category: the file walks of the Start menu and the desktop have no part here.
const std::vector<std::int32_t> kCategories = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16};

const std::string kApp = "C:\\MendrakePrecision\\App";
const std::string kGone = "C:\\MendrakePrecision\\Gone";
const std::string kLiveClass = "{6D6B5001-0000-4000-8000-000000000001}";
const std::string kDeadUserClass = "{6D6B5002-0000-4000-8000-000000000002}";
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct Row {
    const char* name;
    std::string reg; // planted, below a REGEDIT4 header
    // Locations that must still be there after the fix: "HKCR\X", or "HKCR\X|value" for a
    // value ("|" alone for the default value).
    std::vector<std::string> live;
    // Keys the analysis must report (by KeyText) and the fix delete.
    std::vector<std::string> dead = {};
    std::vector<std::string> exclusions = {};
};

// A .reg path with doubled backslashes for a value's data.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
}

// The data of a REG_MULTI_SZ value in .reg form: each string with its terminator, then one more.
std::string MultiString(const std::vector<std::string>& strings) {
    std::string bytes;
    for (const std::string& text : strings) {
        bytes += text;
        bytes += '\0';
    }
    bytes += '\0';
    std::string hex = "hex(7):";
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        if (i != 0) {
            hex += ',';
        }
        hex += digits;
    }
    return hex;
}

// The data of a REG_EXPAND_SZ value in REGEDIT4 form: the text's bytes and its terminator.
std::string ExpandString(const std::string& text) {
    std::string hex = "hex(2):";
    char digits[4];
    for (const char c : text) {
        std::snprintf(digits, sizeof digits, "%02x,", static_cast<unsigned char>(c));
        hex += digits;
    }
    return hex + "00";
}

std::vector<Row> Rows() {
    const std::string app = Escaped(kApp);
    const std::string gone = Escaped(kGone);
    return {
        {"extension whose association works keeps it beside a dead icon",
         "[HKEY_CLASSES_ROOT\\.mdkprecisiona]\n@=\"MdkPrecision.Doc\"\n"
         "[HKEY_CLASSES_ROOT\\.mdkprecisiona\\DefaultIcon]\n@=\"" +
             gone +
             "\\\\doc.ico,0\"\n"
             "[HKEY_CLASSES_ROOT\\MdkPrecision.Doc\\shell\\open\\command]\n@=\"\\\"" +
             app + "\\\\app.exe\\\" \\\"%1\\\"\"\n",
         {"HKCR\\.mdkprecisiona|", "HKCR\\MdkPrecision.Doc\\shell\\open\\command|"},
         {"HKCR\\.mdkprecisiona\\DefaultIcon"}},
        {"extension whose association works keeps it beside a dead verb",
         "[HKEY_CLASSES_ROOT\\.mdkprecisionb]\n@=\"MdkPrecision.Doc\"\n"
         "[HKEY_CLASSES_ROOT\\.mdkprecisionb\\shell\\extra\\command]\n@=\"" +
             gone +
             "\\\\extra.exe %1\"\n"
             "[HKEY_CLASSES_ROOT\\MdkPrecision.Doc\\shell\\open\\command]\n@=\"\\\"" +
             app + "\\\\app.exe\\\" \\\"%1\\\"\"\n",
         {"HKCR\\.mdkprecisionb|", "HKCR\\MdkPrecision.Doc\\shell\\open\\command|"},
         {"HKCR\\.mdkprecisionb\\shell\\extra\\command"}},
        {"a dead per-user override leaves the machine's class and its references",
         "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + kLiveClass +
             "\\InprocServer32]\n@=\"" + app +
             "\\\\live.dll\"\n"
             "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\" +
             kLiveClass + "\\InprocServer32]\n@=\"" + gone +
             "\\\\old.dll\"\n"
             "[HKEY_CLASSES_ROOT\\MdkPrecision.Object\\CLSID]\n@=\"" +
             kLiveClass +
             "\"\n"
             "[HKEY_CLASSES_ROOT\\Directory\\shellex\\ContextMenuHandlers\\MdkPrecision]\n@=\"" +
             kLiveClass +
             "\"\n"
             "[HKEY_CLASSES_ROOT\\Interface\\{6D6B5003-0000-4000-8000-000000000003}\\"
             "ProxyStubClsid32]\n@=\"" +
             kLiveClass + "\"\n",
         {"HKLM\\Software\\Classes\\CLSID\\" + kLiveClass + "\\InprocServer32|",
          "HKCR\\MdkPrecision.Object\\CLSID|",
          "HKCR\\Directory\\shellex\\ContextMenuHandlers\\MdkPrecision|",
          "HKCR\\Interface\\{6D6B5003-0000-4000-8000-000000000003}\\ProxyStubClsid32|"},
         {"HKCU\\Software\\Classes\\CLSID\\" + kLiveClass}},
        {"an interface that its own proxy marshals does without its type library",
         "[HKEY_CLASSES_ROOT\\CLSID\\{6D6B5004-0000-4000-8000-000000000004}\\InprocServer32]\n"
         "@=\"" +
             app +
             "\\\\proxy.dll\"\n"
             "[HKEY_CLASSES_ROOT\\Interface\\{6D6B5005-0000-4000-8000-000000000005}"
             "\\ProxyStubClsid32]"
             "\n@=\"{6D6B5004-0000-4000-8000-000000000004}\"\n"
             "[HKEY_CLASSES_ROOT\\Interface\\{6D6B5005-0000-4000-8000-000000000005}\\TypeLib]\n"
             "@=\"{6D6B5006-0000-4000-8000-000000000006}\"\n",
         {"HKCR\\Interface\\{6D6B5005-0000-4000-8000-000000000005}\\TypeLib|"}},
        {"a bundle whose cached installer is gone stays while its packages are installed",
         "[HKEY_LOCAL_MACHINE\\" + kUninstall +
             "\\{6D6B5007-0000-4000-8000-000000000007}]\n"
             "\"DisplayName\"=\"Mendrake Precision Runtime\"\n"
             "\"BundleCachePath\"=\"C:\\\\ProgramData\\\\Package Cache\\\\{6D6B5007-0000-4000-8000-"
             "000000000007}\\\\runtime.exe\"\n"
             "\"BundleUpgradeCode\"=hex(7):00,00\n"
             "\"BundleProviderKey\"=\"MdkPrecision.Runtime\"\n"
             "\"UninstallString\"=\"\\\"C:\\\\ProgramData\\\\Package Cache\\\\{6D6B5007-0000-4000-"
             "8000-000000000007}\\\\runtime.exe\\\" /uninstall\"\n"
             "\"DisplayIcon\"=\"C:\\\\ProgramData\\\\Package Cache\\\\{6D6B5007-0000-4000-8000-"
             "000000000007}\\\\runtime.exe,0\"\n"
             "[HKEY_LOCAL_MACHINE\\" +
             kUninstall +
             "\\{6D6B5008-0000-4000-8000-000000000008}]\n"
             "\"DisplayName\"=\"Mendrake Precision Runtime Package\"\n"
             "\"SystemComponent\"=dword:00000001\n"
             "\"InstallLocation\"=\"" +
             app + "\\\\\"\n",
         {"HKLM\\" + kUninstall + "\\{6D6B5007-0000-4000-8000-000000000007}|DisplayName"}},
        {"a user's settings stay while the machine's key names the live folder",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionA\\Product]\n\"InstallDir\"=\"" + gone +
             "\\\\1.0\"\n\"Licence\"=\"ABCD-1234\"\n"
             "[HKEY_LOCAL_MACHINE\\Software\\MdkPrecisionA\\Product]\n\"InstallDir\"=\"" +
             app + "\"\n",
         {"HKCU\\Software\\MdkPrecisionA\\Product|Licence",
          "HKLM\\Software\\MdkPrecisionA\\Product|InstallDir"}},
        {"a launcher named through an environment reference keeps the key",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionB\\Product]\n\"InstallDir\"=\"" + gone +
             "\\\\2.0\"\n\"Launcher\"=\"%ProgramFiles%\\\\MendrakePrecision\\\\launcher.exe\"\n",
         {"HKCU\\Software\\MdkPrecisionB\\Product|Launcher"}},
        {"a list of folders with a live one keeps the key",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionC\\Product]\n\"InstallDir\"=\"" + gone +
             "\\\\3.0\"\n\"Folders\"=" + MultiString({kGone + "\\3.0", kApp}) + "\n",
         {"HKCU\\Software\\MdkPrecisionC\\Product|Folders"}},
        {"a generic Path value is no install folder",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionD\\Product]\n\"Path\"=\"" + gone + "\"\n",
         {"HKCU\\Software\\MdkPrecisionD\\Product|Path"}},
        {"a program that Add/Remove Programs lists keeps its key",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionE\\Tool]\n\"InstallDir\"=\"" + gone +
             "\\\\Tool\"\n"
             "[HKEY_CURRENT_USER\\" +
             kUninstall +
             "\\MdkPrecisionETool]\n"
             "\"DisplayName\"=\"MdkPrecisionE Tool 2.0\"\n",
         {"HKCU\\Software\\MdkPrecisionE\\Tool|InstallDir"}},
        {"an excluded product keeps its vendor key; its dead sibling still goes",
         "[HKEY_LOCAL_MACHINE\\Software\\MdkPrecisionF\\A]\n\"InstallDir\"=\"" + gone +
             "\\\\A\"\n"
             "[HKEY_LOCAL_MACHINE\\Software\\MdkPrecisionF\\B]\n\"InstallDir\"=\"" +
             gone + "\\\\B\"\n",
         {"HKLM\\Software\\MdkPrecisionF\\A|InstallDir"},
         {"HKLM\\Software\\MdkPrecisionF\\B"},
         {"HKLM\\Software\\MdkPrecisionF\\A"}},
        {"an exclusion written for the merged classes keeps the user's key",
         "[HKEY_CURRENT_USER\\Software\\Classes\\.mdkprecisionx]\n",
         {"HKCU\\Software\\Classes\\.mdkprecisionx"},
         {},
         {"HKCR\\.mdkprecisionx"}},
        {"a class served by its local server stays when its DLL is gone",
         "[HKEY_CLASSES_ROOT\\CLSID\\{6D6B500A-0000-4000-8000-00000000000A}\\InprocServer32]\n"
         "@=\"" +
             gone +
             "\\\\handler.dll\"\n"
             "[HKEY_CLASSES_ROOT\\CLSID\\{6D6B500A-0000-4000-8000-00000000000A}\\LocalServer32]\n"
             "@=\"\\\"" +
             app + "\\\\app.exe\\\" /automation\"\n",
         {"HKCR\\CLSID\\{6D6B500A-0000-4000-8000-00000000000A}\\LocalServer32|"}},
        {"a verb the shell carries out through a class keeps its placeholder command",
         "[HKEY_CLASSES_ROOT\\MdkPrecision.Verb\\shell\\open\\command]\n@=\"" + gone +
             "\\\\placeholder.exe\"\n"
             "\"DelegateExecute\"=\"{6D6B500B-0000-4000-8000-00000000000B}\"\n",
         {"HKCR\\MdkPrecision.Verb\\shell\\open\\command|DelegateExecute"}},
        {"a version whose InstallPath is live keeps the product beside a gone version",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionG\\Core\\3.7\\InstallPath]\n@=\"" + gone +
             "\\\\3.7\\\\\"\n"
             "[HKEY_CURRENT_USER\\Software\\MdkPrecisionG\\Core\\3.8\\InstallPath]\n@=\"" +
             app + "\\\\\"\n",
         {"HKCU\\Software\\MdkPrecisionG\\Core\\3.7\\InstallPath|",
          "HKCU\\Software\\MdkPrecisionG\\Core\\3.8\\InstallPath|"}},
        {"a Location beside Version whose folder exists",
         "[HKEY_CURRENT_USER\\Software\\MdkPrecisionH\\Tool]\n\"Version\"=\"1.0\"\n"
         "\"Location\"=\"" +
             app + "\\\\\"\n",
         {"HKCU\\Software\\MdkPrecisionH\\Tool|Location"}},
        {"Run commands naming a variable that is not set stay, in either string kind",
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
         "\"MdkPrecisionUnset\"=\"%MdkPrecisionUnset%\\\\App\\\\app.exe /autoRun\"\n"
         "\"MdkPrecisionUnsetX\"=" +
             ExpandString("%MdkPrecisionUnset%\\App\\app.exe /autoRun") +
             "\n"
             "\"MdkPrecisionLive\"=" +
             ExpandString("%ProgramFiles%\\MendrakePrecision\\launcher.exe /autoRun") + "\n",
         {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|MdkPrecisionUnset",
          "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|MdkPrecisionUnsetX",
          "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|MdkPrecisionLive"}},
        {"the user's App Path that works stays beside a dead one",
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
         "mdkprecision.exe]\n@=" +
             ExpandString("%ProgramFiles%\\MendrakePrecision\\launcher.exe") +
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
             "mdkprecisiongone.exe]\n@=\"" +
             gone + "\\\\gone.exe\"\n",
         {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\mdkprecision.exe|"},
         {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
          "mdkprecisiongone.exe"}},
        {"the user's class list stays when its only class goes",
         "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\" + kDeadUserClass +
             "\\InprocServer32]\n@=\"" + gone +
             "\\\\user.dll\"\n"
             "[HKEY_CURRENT_USER\\Software\\AppDataLow]\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Policies]\n",
         {"HKCU\\Software\\Classes\\CLSID", "HKCU\\Software\\AppDataLow",
          "HKLM\\Software\\Policies"},
         {"HKCU\\Software\\Classes\\CLSID\\" + kDeadUserClass}},
    };
}

// Whether the location of a Row's `live` list is there.
bool Present(const std::string& location) {
    const std::size_t bar = location.find('|');
    const std::string key = location.substr(0, bar);
    const std::size_t cut = key.find('\\');
    const std::string root = key.substr(0, cut);
    RegistryAccess reg;
    reg.SetRoot(root == "HKCR" ? kHkcr : root == "HKCU" ? kHkcu : kHklm);
    if (!reg.Open(key.substr(cut))) {
        return false;
    }
    return bar == std::string::npos || reg.HasValue(location.substr(bar + 1));
}

std::vector<TItem> ScanWith(const std::vector<std::string>& exclusions) {
    Issues.clear();
    AnalysisRun run(Issues, exclusions);
    for (const std::int32_t category : kCategories) {
        RunScanner(category, run);
    }
    std::vector<TItem> found = std::move(Issues);
    Issues.clear();
    return found;
}

TEST(Precision, WhatWorksSurvivesTheFixOfWhatIsDeadBesideIt) {
    const std::vector<TItem> before = ScanWith({});
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        PlantedFiles files;
        files.AddFolder("C:\\MendrakePrecision\\");
        files.AddFolder(kApp + "\\");
        files.AddFile(kApp + "\\app.exe");
        files.AddFile(kApp + "\\live.dll");
        files.AddFile(kApp + "\\proxy.dll");
        files.AddFolder("C:\\Program Files\\MendrakePrecision\\");
        files.AddFile("C:\\Program Files\\MendrakePrecision\\launcher.exe");
        PlantedRegistry registry("REGEDIT4\n\n" + row.reg);
        const std::vector<TItem> added = Added(before, ScanWith(row.exclusions));
        for (const std::string& dead : row.dead) {
            EXPECT_TRUE(std::any_of(
                added.begin(), added.end(),
                [&](const TItem& item) { return UpperCase(item.KeyText) == UpperCase(dead); }))
                << dead << " is not reported:\n"
                << Blocks(added);
        }
        DeleteIssues(added);
        for (const std::string& live : row.live) {
            EXPECT_TRUE(Present(live)) << live << " went with the fix of:\n" << Blocks(added);
        }
        for (const std::string& dead : row.dead) {
            EXPECT_FALSE(Present(dead)) << dead << " is still there";
        }
    }
}

// A type library the user registered is one registration: on Windows the merged classes list it
// beside the machine's, and reading both would report (and back up) it twice.
TEST(Precision, AUserTypeLibraryIsReportedOnceWhereItLives) {
    const std::vector<TItem> before = ScanWith({});
    PlantedRegistry registry(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\TypeLib\\{6D6B5009-0000-4000-8000-000000000009}"
        "\\1.0\\0\\win64]\n@=\"C:\\\\MendrakePrecision\\\\Gone\\\\lib.tlb\"\n");
    std::vector<std::string> keys;
    for (const TItem& item : Added(before, ScanWith({}))) {
        keys.push_back(item.Problem + " | " + item.KeyText);
    }
    const std::string library =
        "HKCU\\Software\\Classes\\TypeLib\\{6D6B5009-0000-4000-8000-000000000009}";
    EXPECT_EQ((std::vector<std::string>{"Type Library Issue | " + library + "\\1.0",
                                        "Type Library Issue (left empty by the fix) | " + library}),
              keys);
}

} // namespace
} // namespace mendrake::test
