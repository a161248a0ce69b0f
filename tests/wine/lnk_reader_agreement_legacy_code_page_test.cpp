// The shortcut reader against the shell's own shortcut object, file by file: every shortcut of
// the shared collection (each lnk-* folder's lnkinfo_table.tsv lists the shortcut files it
// holds), and the altered files of lnk_crafted_shortcuts.h written to a temporary folder. The
// platform asks the shell object (CLSID_ShellLink, IPersistFile::Load, IShellLinkA::GetPath
// with SLGP_UNCPRIORITY); the reader gets the same bytes.
#include "platform/memory/lnk_reader.h"
#include "platform/platform.h"
#include "tests/native/lnk_crafted_shortcuts.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace mendrake::test {
namespace {

using platform::Os;
using platform::ReadShortcutTarget;

struct KnownDifference {
    const char* shellObject;
    const char* reader;
    const char* why;
};

// Files where the reader and the shell object disagree, with both answers.
const std::map<std::string, KnownDifference> kKnownDifferences = {
    {"lnk-EricZimmerman-Lnk/TestFiles/Win10/Windows Software Development Kit.lnk.test",
     {"C:\\Windows\\explorer.exe", "..\\..\\..\\..\\..\\..\\..\\Windows\\explorer.exe",
      "No link info, so the relative path stands in. The shell object tries it against the "
      "shortcut's folder and then against the working folder (C:\\Program Files (x86)\\Windows "
      "Kits\\8.1\\), and the prefix happens to hold C:\\Windows\\explorer.exe, so it reports "
      "that file. A reader of bytes cannot look at the disk; a relative target has no drive "
      "part, and one that resolves names a file that exists, so neither is ever reported."}},
};

std::wstring Utf8ToWide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

// The file names of the collection are UTF-8; the platform takes ANSI paths.
std::string Utf8ToAnsi(const std::string& text) {
    const std::wstring wide = Utf8ToWide(text);
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), length, nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(length) - 1);
    return ansi;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every shortcut file of the collection, as paths relative to the shared data folder (UTF-8).
std::vector<std::string> SharedShortcutFiles() {
    std::vector<std::string> files;
    for (const auto& folder : std::filesystem::directory_iterator(HostPath(SharedData("")))) {
        const std::string name = folder.path().filename().string();
        if (name.rfind("lnk-", 0) != 0) {
            continue;
        }
        std::istringstream table(ReadHostFile(SharedData(name + "/lnkinfo_table.tsv")));
        std::string line;
        std::getline(table, line); // column names
        while (std::getline(table, line)) {
            files.push_back(name + "/" + line.substr(0, line.find('\t')));
        }
    }
    return files;
}

TEST(LnkReaderAgreement, EverySharedShortcutGivesTheShellObjectsTarget) {
    const std::vector<std::string> files = SharedShortcutFiles();
    int agreeing = 0;
    int knownDifferences = 0;
    for (const std::string& file : files) {
        const std::string unixPath = SharedData(file);
        const std::string bytes = ReadBytes(Utf8ToWide(HostPath(unixPath)));
        ASSERT_FALSE(bytes.empty()) << file;
        const std::string shellObject = Os().ShortcutTarget(Utf8ToAnsi(HostPath(unixPath)));
        const std::string reader = ReadShortcutTarget(bytes);
        const auto known = kKnownDifferences.find(file);
        if (known != kKnownDifferences.end()) {
            EXPECT_EQ(shellObject, known->second.shellObject) << file;
            EXPECT_EQ(reader, known->second.reader) << file;
            ++knownDifferences;
            continue;
        }
        EXPECT_EQ(reader, shellObject) << file;
        agreeing += reader == shellObject ? 1 : 0;
    }
    EXPECT_EQ(files.size(), 1069u);
    EXPECT_EQ(knownDifferences, static_cast<int>(kKnownDifferences.size()));
    std::printf("%d of %zu shortcut files agree; %d known differences\n", agreeing, files.size(),
                knownDifferences);
}

// A file in the temporary folder, removed when the object goes.
class TemporaryFile {
  public:
    TemporaryFile(const std::string& name, const std::string& bytes)
        : path_(std::filesystem::temp_directory_path() / name) {
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    ~TemporaryFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    std::string Path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

TEST(LnkReaderAgreement, AlteredShortcutsGiveTheMeasuredTargets) {
    int index = 0;
    for (const lnk::CraftedShortcut& shortcut : lnk::CraftedShortcuts()) {
        const TemporaryFile file("mendrake-lnk-" + std::to_string(index++) + ".lnk",
                                 shortcut.bytes);
        EXPECT_EQ(Os().ShortcutTarget(file.Path()), shortcut.target) << shortcut.name;
        EXPECT_EQ(ReadShortcutTarget(shortcut.bytes), shortcut.target) << shortcut.name;
    }
}

} // namespace
} // namespace mendrake::test
