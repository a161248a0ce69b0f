// The backup script read by a client we did not write: Wine's registry editor imports it
// ("regedit /S"), and every key and value the fix deleted must come back with its type and
// bytes. The editor exits with 0 even for a file it rejects, so the registry is read back.
// Also: the fix command of mendrake-cli run as its own process on a small fixture.
#include "engine/registry_access.h"
#include "platform/win32/handles.h"
#include "repair/fix.h"
#include "repair/kept_files.h"
#include "repair/restore.h"
#include "repair/regexport_unit.h"
#include "tests/support/derived_exports.h"
#include "tests/support/fixtures.h"
#include "tests/support/registry_snapshot.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace mendrake::test {
namespace {

using platform::RegChange;
using platform::RegValue;

const std::string kBase = "Software\\MendrakeTests\\Restore";

// ---- processes and files ----

std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    GetTempPathA(sizeof buffer, buffer);
    return buffer;
}

// A file of the temporary folder, deleted when the object goes.
class TempFile {
  public:
    explicit TempFile(const std::string& name) : path_(TempFolder() + name) {}
    ~TempFile() { DeleteFileA(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path) {
    platform::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file) {
        return bytes;
    }
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

// Runs a command line to its end with standard output and error going to `output` (standard
// error to `errors` when one is given); returns the exit code, or -1 when the program could not
// be started.
long RunProcess(const std::string& commandLine, const std::string& output = "NUL",
                const std::string& errors = "") {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    platform::FileHandle out(CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                         CREATE_ALWAYS, 0, nullptr));
    platform::FileHandle err(errors.empty()
                                 ? INVALID_HANDLE_VALUE
                                 : CreateFileA(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                               &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = errors.empty() ? out.get() : err.get();
    PROCESS_INFORMATION process{};
    std::string command = commandLine;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    platform::FileHandle processHandle(process.hProcess);
    platform::FileHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
}

std::string Quote(const std::string& text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

void ImportWithRegedit(const std::string& script) {
    ASSERT_EQ(0, RunProcess("regedit.exe /S " + Quote(script))) << script;
}

// ---- registry snapshots ----

Snapshot TakeSnapshot(const std::string& path) {
    return test::TakeSnapshot(platform::kCurrentUser, path);
}

// Keys and values planted below the private key, created one name at a time where the whole
// path is too long for the ANSI functions; the private key goes with the object.
class PlantedTree {
  public:
    PlantedTree() = default;
    ~PlantedTree() {
        RegistryAccess reg;
        reg.SetRoot(static_cast<std::uint32_t>(platform::kCurrentUser));
        reg.RemoveKey("\\" + kBase);
        if (reg.Open("\\Software\\MendrakeTests") && !reg.AnySubkeys()) {
            reg.RemoveKey("\\Software\\MendrakeTests");
        }
    }
    PlantedTree(const PlantedTree&) = delete;
    PlantedTree& operator=(const PlantedTree&) = delete;

    void Apply(const std::vector<RegChange>& changes) {
        platform::Platform& os = platform::Os();
        for (const RegChange& change : changes) {
            platform::Hkey key = Create(change.path);
            if (change.kind == RegChange::Kind::SetValue) {
                os.SetValue(key, change.name, change.type, change.data);
            }
            os.CloseKey(key);
        }
    }

  private:
    static platform::Hkey Create(const std::string& path) {
        platform::Platform& os = platform::Os();
        platform::Hkey key = 0;
        if (os.CreateKey(platform::kCurrentUser, path, key) == platform::kSuccess) {
            return key;
        }
        key = platform::kCurrentUser;
        for (std::size_t start = 0; start <= path.size();) {
            const std::size_t end = std::min(path.find('\\', start), path.size());
            platform::Hkey next = 0;
            if (os.CreateKey(key, path.substr(start, end - start), next) != platform::kSuccess) {
                throw std::runtime_error("cannot create key " + path);
            }
            if (key != platform::kCurrentUser) {
                os.CloseKey(key);
            }
            key = next;
            start = end + 1;
        }
        return key;
    }
};

// ---- fixtures ----

RegChange Value(const std::string& path, const std::string& name, std::uint32_t type,
                const std::string& data) {
    return {RegChange::Kind::SetValue, platform::kCurrentUser, kBase + path, name, type, data};
}

std::string Bytes(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>(0xF0 - i * 7);
    }
    return bytes;
}

// A value of every type and of the awkward sizes and characters, in the key `path`.
std::vector<RegChange> EveryKindOfValue(const std::string& path) {
    using namespace std::string_literals;
    return {
        Value(path, "", platform::kRegSz, "default \\ \"x\"\0"s),
        Value(path, "Text", platform::kRegSz,
              "C:\\dir\\a.exe \"q\" cr\r lf\n high \u00E9\u00FC\u20AC\u00A3 \u0416 end\\\0"s),
        Value(path, "Expand", platform::kRegExpandSz, "%SystemRoot%\\x \u00E9 \U0001F600\0"s),
        Value(path, "Multi", platform::kRegMultiSz, "one\0two \\ \"\0\u00E9\u8868\0\0"s),
        Value(path, "Dword", platform::kRegDword, "\x0A\0\0\x80"s),
        Value(path, "DwordOdd", platform::kRegDword, "\x01\x02\x03"),
        Value(path, "BigEndian", platform::kRegDwordBigEndian, "\0\0\0\x0A"s),
        Value(path, "Qword", platform::kRegQword, "\xEF\xCD\xAB\x89\x67\x45\x23\x01"),
        Value(path, "Bin0", platform::kRegBinary, ""),
        Value(path, "Bin3", platform::kRegBinary, Bytes(3)),
        Value(path, "Bin16", platform::kRegBinary, Bytes(16)),
        Value(path, "Bin17", platform::kRegBinary, Bytes(17)),
        Value(path, "Bin32", platform::kRegBinary, Bytes(32)),
        Value(path, "None", platform::kRegNone, ""),
        Value(path, "NoneBytes", platform::kRegNone, "\x01\x00\x02"s),
        Value(path, "Name \"q\" \\ b", platform::kRegSz, "quoted name\0"s),
        Value(path, "Back\\slash", platform::kRegSz, "\0"s),
    };
}

TItem Issue(const std::string& path, const std::string& value, bool deleteKey) {
    TItem issue;
    issue.Category = 10;
    issue.RootKey = static_cast<std::uint32_t>(platform::kCurrentUser);
    issue.Key = "\\" + kBase + path;
    issue.Value = value;
    issue.DeleteKey = deleteKey;
    return issue;
}

// Fixes `issues` with a backup, checks that every ticked entry went, imports the backup with
// the registry editor and compares the subtree with what it held before the fix; then the same
// again with Mendrake's own restore, which must also find every entry it wrote as written.
void FixAndRestore(const std::vector<TItem>& issues, const std::string& backupName,
                   std::size_t* cutStrings = nullptr) {
    const Snapshot before = TakeSnapshot(kBase);
    for (const bool ownRestore : {false, true}) {
        SCOPED_TRACE(ownRestore ? "RestoreBackup" : "regedit /S");
        TempFile backup(backupName);
        FixIssues(issues, backup.path());
        for (const TItem& issue : issues) {
            EXPECT_FALSE(IssueEntryPresent(issue)) << issue.Key << " \"" << issue.Value << "\"";
        }
        if (ownRestore) {
            const RestoreResult result = RestoreBackup(backup.path());
            std::string failures;
            for (const std::string& failure : result.failures) {
                failures += failure + "\n";
            }
            EXPECT_EQ("", failures);
            EXPECT_LT(0u, result.values);
        } else {
            ImportWithRegedit(backup.path());
        }
        std::size_t cut = 0;
        EXPECT_EQ("", Differences(before, TakeSnapshot(kBase), cutStrings ? &cut : nullptr));
        if (cutStrings != nullptr) {
            *cutStrings = cut;
        }
    }
}

TEST(Restore, EveryKindOfValueComesBack) {
    PlantedRegistry planted;
    for (const std::string path :
         {"\\Gone", "\\Gone\\Sub1\\Deep", "\\Gone\\Sub2", "\\Values", "\\Values\\Child"}) {
        planted.Apply(EveryKindOfValue(path));
    }
    // A key deeper than one ANSI path can name is written and read back one level at a time.
    PlantedTree deep;
    deep.Apply(EveryKindOfValue("\\Gone\\" + std::string(200, 'L') + "\\" + std::string(100, 'M')));
    std::vector<TItem> issues = {Issue("\\Gone", "", true), Issue("\\Gone", "Text", false)};
    for (const RegChange& change : EveryKindOfValue("\\Values")) {
        issues.push_back(Issue("\\Values", change.name, false));
    }
    FixAndRestore(issues, "mendrake_restore_kinds.reg");
}

// Real classes data of two Windows machines, planted below the private key: a value issue for
// every tenth value, then the whole subtree as one key issue.
// Entries of the 32-bit view, fixed by their physical Wow6432Node paths: 64-bit regedit puts
// the backup back at the same paths, so the scan finds them again.
TEST(Restore, ThirtyTwoBitViewEntriesComeBack) {
    const std::string dir = ScenarioDir("both-views");
    const std::vector<std::int32_t> categories = {3, 5, 6, 8, 9, 10};
    const std::vector<TItem> before = Scan(categories);
    PlantedRegistry planted(ReadHostFile(dir + "/registry.reg"));
    PlantedFiles files(ReadHostFile(dir + "/files.txt"), dir);
    const std::vector<TItem> found = Added(before, Scan(categories));
    ASSERT_EQ(WithCrLf(ReadHostFile(dir + "/expected.txt")), Blocks(found));

    TempFile backup("mendrake_views_backup.reg");
    FixIssues(found, backup.path());
    for (const TItem& issue : found) {
        EXPECT_FALSE(IssueEntryPresent(issue)) << issue.KeyText << " \"" << issue.Value << "\"";
    }
    ImportWithRegedit(backup.path());
    EXPECT_EQ(Blocks(found), Blocks(Added(before, Scan(categories))))
        << "the backup brings the entries back:\n"
        << ReadWholeFile(backup.path());
}

TEST(Restore, RealUserClassesComeBack) {
    for (const char* name : {"regipy_UsrClass.dat.reg", "greendale_studentpc8_UsrClass.dat.reg"}) {
        SCOPED_TRACE(name);
        std::vector<RegChange> changes = platform::ParseRegText(
            EscapeRawStrings(ReadHostFile(std::string(MENDRAKE_DERIVED_EXPORTS) + "/" + name)));
        std::vector<TItem> issues;
        std::size_t values = 0;
        for (RegChange& change : changes) {
            change.root = platform::kCurrentUser;
            change.path = kBase + "\\Real" + (change.path.empty() ? "" : "\\" + change.path);
            if (change.kind == RegChange::Kind::SetValue && values++ % 10 == 0) {
                issues.push_back(Issue(change.path.substr(kBase.size()), change.name, false));
            }
        }
        issues.push_back(Issue("\\Real", "", true));
        PlantedTree planted;
        planted.Apply(changes);
        std::size_t cutStrings = 0;
        FixAndRestore(issues, "mendrake_restore_real.reg", &cutStrings);
        std::printf("%s: %zu values, %zu strings stored with extra NULs came back cut\n", name,
                    values, cutStrings);
    }
}

// ---- the console command ----

std::string CliPath() {
    char buffer[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path = buffer;
    path.erase(path.find_last_of('\\')); // the tests folder of the build ...
    path.erase(path.find_last_of('\\') + 1);
    return path + "mendrake-cli.exe"; // ... is next to the program
}

// Runs "mendrake-cli.exe fix" with `arguments`, its output going to the file `output`.
long RunCliFix(const std::string& arguments, const std::string& output) {
    std::string command = "\"";
    command += CliPath();
    command += "\" fix ";
    command += arguments;
    return RunProcess(command, output);
}

TEST(CliFix, BacksUpLogsAndFixesWhatItFinds) {
    ASSERT_TRUE(Scan({4}).empty()) << "the prefix must start without unused file extensions";
    PlantedRegistry planted(ReadHostFile(ScenarioDir("file-extensions") + "/registry.reg"));
    const std::vector<TItem> found = Scan({4});
    ASSERT_EQ(4u, found.size());

    TempFile output("mendrake_cli_output.txt");
    TempFile log("mendrake_cli_log.txt");
    const std::string folder = TempFolder() + "mendrake_cli_backup";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_EQ(
        0, RunCliFix("--category 4 --backup-dir " + Quote(folder) + " --log " + Quote(log.path()),
                     output.path()));
    const std::string printed = ReadWholeFile(output.path());
    EXPECT_NE(std::string::npos, printed.find("Fixed 4 of 4 issues")) << printed;
    const auto at = printed.find("Backup written to " + folder + "\\");
    ASSERT_NE(std::string::npos, at) << printed;
    std::string backupPath = printed.substr(at + 18, printed.find('\n', at) - at - 18);
    if (!backupPath.empty() && backupPath.back() == '\r') {
        backupPath.pop_back();
    }
    TempFile backup(backupPath.substr(TempFolder().size()));
    EXPECT_EQ(backupPath.size(), folder.size() + 1 + 25) << backupPath;

    EXPECT_TRUE(Scan({4}).empty()) << "every issue found was fixed";
    const std::string expected = ReadHostFile(ScenarioDir("file-extensions") + "/expected.txt");
    const std::string logText = ReadWholeFile(log.path());
    EXPECT_EQ(WithCrLf(expected), logText.substr(logText.find("ITEMS:\r\n\r\n") + 10));

    ImportWithRegedit(backupPath);
    EXPECT_EQ(Blocks(found), Blocks(Scan({4}))) << "the backup brings the entries back:\n"
                                                << ReadWholeFile(backupPath);
    RemoveDirectoryA(folder.c_str());
}

TEST(CliFix, UnwritableBackupStopsBeforeDeleting) {
    PlantedRegistry planted(ReadHostFile(ScenarioDir("file-extensions") + "/registry.reg"));
    TempFile output("mendrake_cli_output.txt");
    EXPECT_EQ(2, RunCliFix("--category 4 --backup-dir C:\\NoSuchDir", output.path()));
    const std::string printed = ReadWholeFile(output.path());
    EXPECT_NE(std::string::npos, printed.find("Cannot create file \"C:\\NoSuchDir\\")) << printed;
    EXPECT_EQ(4u, Scan({4}).size()) << "nothing deleted";
}

// One issue of each check of the type-library, shell-extension and sound-event scanners, found
// in their scenario fixtures, fixed with a backup: each entry goes (the sound event's scheme key
// stays, only its value goes), and the registry editor's import of the backup brings back the
// exact keys and values, so that the same issues are found again.
TEST(Restore, OneIssueOfEachNewCheckComesBack) {
    const std::vector<std::int32_t> categories = {11, 15, 16};
    const std::vector<TItem> before = Scan(categories);
    PlantedFiles files;
    PlantedRegistry registry;
    for (const char* name : {"type-libraries", "shell-extensions", "sound-events"}) {
        const std::string dir = ScenarioDir(name);
        registry.Apply(ReadHostFile(dir + "/registry.reg"));
        if (name != std::string("shell-extensions")) {
            files.Apply(ReadHostFile(dir + "/files.txt"), dir);
        }
    }
    const std::vector<TItem> found = Scan(categories);
    std::vector<TItem> chosen;
    std::set<std::pair<std::int32_t, std::int32_t>> checks;
    for (const TItem& issue : Added(before, found)) {
        if (checks.insert({issue.Category, issue.Kind}).second) {
            chosen.push_back(issue);
        }
    }
    ASSERT_EQ(4u, chosen.size()) << Blocks(chosen);
    auto exportOf = [](const TItem& issue) {
        return issue.DeleteKey ? ExportKeyText(issue.RootKey, issue.Key)
                               : ExportValueText(issue.RootKey, issue.Key, issue.Value);
    };
    std::vector<std::string> exported;
    for (const TItem& issue : chosen) {
        exported.push_back(exportOf(issue));
        EXPECT_NE(std::string::npos, exported.back().find("Mendrake")) << exported.back();
    }

    TempFile backup("mendrake_restore_categories.reg");
    FixIssues(chosen, backup.path());
    for (const TItem& issue : chosen) {
        EXPECT_FALSE(IssueEntryPresent(issue)) << issue.KeyText << " \"" << issue.Value << "\"";
        if (!issue.DeleteKey) {
            RegistryAccess reg;
            reg.SetRoot(issue.RootKey);
            EXPECT_TRUE(reg.Open(issue.Key)) << "the key of a value issue stays: " << issue.Key;
        }
    }
    EXPECT_EQ(found.size() - chosen.size(), Scan(categories).size());

    ImportWithRegedit(backup.path());
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        EXPECT_EQ(exported[i], exportOf(chosen[i])) << chosen[i].KeyText;
    }
    EXPECT_EQ(Blocks(found), Blocks(Scan(categories)));
}

// ---- the console's restore ----

long RunCli(const std::string& arguments, const std::string& output,
            const std::string& errors = "") {
    return RunProcess(Quote(CliPath()) + " " + arguments, output, errors);
}

// What the registry editor itself exports (version 5, UTF-16) restores too; the same file cut
// off changes nothing and names the line.
TEST(CliRestore, RestoresWhatTheRegistryEditorExported) {
    PlantedTree planted;
    for (const std::string path : {"\\Editor", "\\Editor\\Child"}) {
        std::vector<RegChange> values = EveryKindOfValue(path);
        // Wine's editor exports a 3-byte dword as "dword:" with a fourth byte of its own.
        std::erase_if(values, [](const RegChange& value) { return value.name == "DwordOdd"; });
        planted.Apply(values);
    }
    const Snapshot before = TakeSnapshot(kBase);
    TempFile exported("mendrake_regedit_export.reg");
    ASSERT_EQ(0, RunProcess("regedit.exe /E " + Quote(exported.path()) + " \"HKEY_CURRENT_USER\\" +
                            kBase + "\\Editor\""));
    const std::string bytes = ReadWholeFile(exported.path());
    ASSERT_EQ(0u, bytes.find("\xFF\xFE")) << "the editor writes UTF-16";

    RegistryAccess reg;
    reg.SetRoot(static_cast<std::uint32_t>(platform::kCurrentUser));
    ASSERT_TRUE(reg.RemoveKey("\\" + kBase + "\\Editor"));
    TempFile output("mendrake_cli_restore.txt");
    EXPECT_EQ(0, RunCli("restore " + Quote(exported.path()), output.path()))
        << ReadWholeFile(output.path());
    EXPECT_EQ("Restored 2 keys, 32 values and 0 files from " + exported.path() + "\r\n",
              ReadWholeFile(output.path()));
    EXPECT_EQ("", Differences(before, TakeSnapshot(kBase)));

    ASSERT_TRUE(reg.RemoveKey("\\" + kBase + "\\Editor"));
    TempFile cut("mendrake_regedit_cut.reg");
    {
        platform::FileHandle file(
            CreateFileA(cut.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size() / 2 - 1), &written,
                  nullptr);
    }
    EXPECT_EQ(2, RunCli("restore " + Quote(cut.path()), output.path()));
    const std::string printed = ReadWholeFile(output.path());
    EXPECT_EQ(0u, printed.find("mendrake-cli: " + cut.path() + ": Line ")) << printed;
    EXPECT_TRUE(TakeSnapshot(kBase + "\\Editor").empty()) << "nothing written";
}

// Everyone may read the key `path` (below HKEY_CURRENT_USER) and nothing more. False, with the
// status of the change in `secured`, when this Wine does not refuse writes by a key's access list.
bool MakeReadOnly(const std::string& path, LONG& secured) {
    HKEY key = nullptr;
    secured = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (secured != ERROR_SUCCESS) {
        return false;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    char aclBuffer[256];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    secured = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(key);
    FreeSid(everyone);
    HKEY probe = nullptr;
    const bool enforced =
        secured == ERROR_SUCCESS && RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE,
                                                  &probe) == ERROR_ACCESS_DENIED;
    if (probe != nullptr) {
        RegCloseKey(probe);
    }
    return enforced;
}

// Gives the key of MakeReadOnly back to everyone, so that the planted tree can go: the access
// list goes with the key, so it is opened for its own security.
void AllowEverything(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR open{};
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
        RegCloseKey(key);
    }
}

// A key the user may only read: its entries are listed, the rest restored, exit status 1.
TEST(CliRestore, KeyTheUserCannotWriteIsReported) {
    PlantedTree planted;
    planted.Apply({Value("\\Locked", "Old", platform::kRegSz, std::string("kept\0", 5))});
    LONG secured = ERROR_SUCCESS;
    if (!MakeReadOnly(kBase + "\\Locked", secured)) {
        GTEST_SKIP() << "this Wine does not refuse writes by a key's access list (set: " << secured
                     << ")";
    }
    TempFile backup("mendrake_locked_backup.reg");
    {
        platform::FileHandle file(CreateFileA(backup.path().c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, 0, nullptr));
        const std::string script = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kBase +
                                   "\\Locked]\r\n\"New\"=\"new\"\r\n\r\n[HKEY_CURRENT_USER\\" +
                                   kBase + "\\Open]\r\n\"Fine\"=\"yes\"\r\n\r\n";
        DWORD written = 0;
        WriteFile(file.get(), script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    }
    TempFile output("mendrake_cli_locked.txt");
    EXPECT_EQ(1, RunCli("restore " + Quote(backup.path()), output.path()));
    const std::string printed = ReadWholeFile(output.path());
    EXPECT_EQ(0u, printed.find("Restored 1 key, 1 value and 0 files from ")) << printed;
    EXPECT_NE(std::string::npos,
              printed.find("\r\nHKEY_CURRENT_USER\\" + kBase +
                           "\\Locked: cannot be created or opened for writing: "))
        << printed;
    AllowEverything(kBase + "\\Locked");
}

// The fix deletes a key without subkeys, one with subkeys and one deeper than one ANSI path can
// name, counts a key that is gone already as deleted, and leaves a key the user may only read
// together with the finding that depends on it.
TEST(Fix, KeysGoOrStayAsTheUsersRightsAllow) {
    using namespace std::string_literals;
    PlantedTree planted;
    const std::string deep = "\\Keys\\" + std::string(200, 'L') + "\\" + std::string(100, 'M');
    const std::vector<std::string> keys = {"\\Keys\\Leaf", "\\Keys\\Tree", deep, "\\Keys\\Gone",
                                           "\\Keys\\Locked"};
    planted.Apply({Value("\\Keys\\Leaf", "v", platform::kRegSz, "leaf\0"s),
                   Value("\\Keys\\Tree\\A\\B", "v", platform::kRegSz, "tree\0"s),
                   Value(deep, "v", platform::kRegSz, "deep\0"s),
                   Value("\\Keys\\Locked", "v", platform::kRegSz, "locked\0"s)});
    std::vector<TItem> issues;
    for (const std::string& key : keys) {
        planted.Apply({Value("\\Keys\\Dependents", key, platform::kRegSz, "x\0"s)});
        issues.push_back(Issue(key, "", true));
    }
    for (const std::string& key : keys) {
        TItem dependent = Issue("\\Keys\\Dependents", key, false);
        dependent.DependsOn = {"HKCU\\" + kBase + key};
        issues.push_back(dependent);
    }
    LONG secured = ERROR_SUCCESS;
    const bool locked = MakeReadOnly(kBase + "\\Keys\\Locked", secured);
    TempFile backup("mendrake_rights_backup.reg");
    const FixResult result = FixIssues(issues, backup.path());
    EXPECT_TRUE(result.notFixed.empty());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const bool stays = locked && keys[i] == "\\Keys\\Locked";
        EXPECT_EQ(stays, IssueEntryPresent(issues[i])) << keys[i];
        EXPECT_EQ(stays, IssueEntryPresent(issues[i + keys.size()]))
            << "the finding that depends on " << keys[i];
    }
    AllowEverything(kBase + "\\Keys\\Locked");
    if (!locked) {
        GTEST_SKIP() << "this Wine does not refuse writes by a key's access list (set: " << secured
                     << ")";
    }
}

// A program removed by a fix and installed again since: the console's restore leaves its new
// value and says so on standard error (exit status 1), deletes no key that holds something the
// backup does not, and writes the backup's data over both only with --overwrite.
TEST(CliRestore, EntriesChangedSinceTheBackupStayUnlessOverwritten) {
    PlantedTree planted;
    planted.Apply({Value("\\Run", "App", platform::kRegSz, std::string("C:\\Old\\gone.exe\0", 17)),
                   Value("\\Run", "Other", platform::kRegSz, std::string("kept\0", 5)),
                   Value("\\Run\\Below", "App", platform::kRegSz, std::string("below\0", 6))});
    TempFile backup("mendrake_changed_backup.reg");
    FixIssues({Issue("\\Run", "App", false)}, backup.path());
    ASSERT_FALSE(IssueEntryPresent(Issue("\\Run", "App", false)));
    planted.Apply({Value("\\Run", "App", platform::kRegSz, std::string("C:\\New\\app.exe\0", 16)),
                   Value("\\Cut", "Since", platform::kRegSz, std::string("new\0", 4))});
    // A deletion of a key that holds a value written since, as a hand-made script has it.
    {
        std::string script = ReadWholeFile(backup.path());
        script += "[-HKEY_CURRENT_USER\\" + kBase + "\\Cut]\r\n\r\n";
        platform::FileHandle file(CreateFileA(backup.path().c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    }
    const Snapshot changed = TakeSnapshot(kBase);

    TempFile output("mendrake_cli_changed_out.txt");
    TempFile errors("mendrake_cli_changed_err.txt");
    EXPECT_EQ(1, RunCli("restore " + Quote(backup.path()), output.path(), errors.path()));
    EXPECT_EQ("Restored 2 keys, 1 value and 0 files from " + backup.path() + "\r\n",
              ReadWholeFile(output.path()));
    EXPECT_EQ("Not restored: HKCU\\" + kBase + "\\Cut: changed since the backup\r\n" +
                  "Not restored: HKCU\\" + kBase + "\\Run\\App: changed since the backup\r\n" +
                  "2 entries changed since the backup; restore --overwrite writes the backup's "
                  "data over them\r\n",
              ReadWholeFile(errors.path()));
    EXPECT_EQ("", Differences(changed, TakeSnapshot(kBase))) << "nothing newer replaced";

    EXPECT_EQ(0,
              RunCli("restore --overwrite " + Quote(backup.path()), output.path(), errors.path()))
        << ReadWholeFile(errors.path());
    EXPECT_EQ("", ReadWholeFile(errors.path()));
    const Snapshot over = TakeSnapshot(kBase);
    const std::string run = kBase + "\\Run";
    EXPECT_EQ(std::string("C:\\Old\\gone.exe\0", 17), over.at(run).at("App").data);
    EXPECT_EQ(0u, over.count(kBase + "\\Cut"));
}

// A manifest planted beside a backup cannot make the restore place a file outside the start
// menu and desktop folders: a System32 path is refused and nothing is made there, while a
// shortcut of the desktop goes back.
TEST(Restore, KeptFilesGoBackOnlyIntoTheShellFolders) {
    RegistryAccess reg;
    reg.SetRoot(static_cast<std::uint32_t>(platform::kCurrentUser));
    reg.SetAccess(platform::kKeyRead);
    ASSERT_TRUE(
        reg.Open("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
    const std::string desktop = reg.ReadText("Desktop");
    ASSERT_FALSE(desktop.empty());
    const std::string system = platform::Os().WindowsFolder() + "\\system32\\";
    const std::string backup = TempFolder() + "20261210142530_backup.reg";
    const std::string kept = BackupFilesFolder(backup);
    CreateDirectoryA(kept.substr(0, kept.size() - 1).c_str(), nullptr);
    const std::vector<std::pair<std::string, std::string>> lines = {
        {system + "mendrake-planted.lnk", "a.lnk"},
        {desktop + "\\..\\..\\mendrake-planted.lnk", "b.lnk"},
        {system + "mendrake-planted.dll", "c.lnk"},
        {desktop + "\\mendrake-kept.lnk", "d.lnk"}};
    std::string manifest;
    for (const auto& [original, name] : lines) {
        ASSERT_TRUE(platform::Os().WriteWholeFile(kept + name, "shortcut bytes").ok());
        manifest += original + "\t" + name + "\r\n";
    }
    ASSERT_TRUE(platform::Os().WriteWholeFile(kept + kManifestName, manifest).ok());
    ASSERT_TRUE(platform::Os().WriteWholeFile(backup, "REGEDIT4\r\n\r\n").ok());

    const RestoreResult result = RestoreBackup(backup);
    std::string failures;
    for (const std::string& failure : result.failures) {
        failures += failure + "\n";
    }
    EXPECT_EQ(1u, result.files) << failures;
    EXPECT_EQ(3u, result.failures.size()) << failures;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((system + "mendrake-planted.lnk").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((system + "mendrake-planted.dll").c_str()));
    EXPECT_EQ("shortcut bytes", ReadWholeFile(desktop + "\\mendrake-kept.lnk"));
    DeleteFileA((desktop + "\\mendrake-kept.lnk").c_str());
    for (const auto& [original, name] : lines) {
        DeleteFileA((kept + name).c_str());
        DeleteFileA(original.c_str());
    }
    DeleteFileA((kept + kManifestName).c_str());
    RemoveDirectoryA(kept.substr(0, kept.size() - 1).c_str());
    DeleteFileA(backup.c_str());
}

} // namespace
} // namespace mendrake::test
