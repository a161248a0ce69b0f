// The shortcut reader against real shortcut files, files altered field by field, and damaged
// files. Every expected target here is what Wine's shell object gave for the same bytes
// (IShellLinkA::GetPath with SLGP_UNCPRIORITY);
// tests/wine/lnk_reader_agreement_legacy_code_page_test.cpp checks the whole shared collection
// against the shell object itself.
#include "platform/memory/lnk_ansi.h"
#include "platform/memory/lnk_reader.h"
#include "tests/native/lnk_crafted_shortcuts.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace mendrake::test {
namespace {

using platform::ReadShortcutTarget;

struct SharedShortcut {
    const char* file;
    const char* target;
};

// One file of each kind of target the collection holds.
const SharedShortcut kSharedShortcuts[] = {
    // The link info's local base path is the target.
    {"lnk-pylnk3/examples/local_file.lnk", "C:\\Windows\\explorer.exe"},
    {"lnk-pylnk3/examples/local_folder.lnk", "C:\\Users\\stray\\Desktop\\New folder"},
    {"lnk-pylnk3/examples/local_disk.lnk", "C:\\"},
    {"lnk-EricZimmerman-Lnk/TestFiles/WinXP/WordPad.lnk",
     "C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe"},
    {"lnk-EricZimmerman-Lnk/TestFiles/WinVista/Windows Update.lnk",
     "D:\\Windows\\System32\\wuapp.exe"},
    // The item-ID list names a known folder (Downloads); the link info's path still wins.
    {"lnk-pylnk3/examples/recent1.lnk", "C:\\Users\\heznik\\Downloads\\2020M09_01_contract.pdf"},
    // Base path "C:\Users\" with common suffix "Administrator": the suffix is not joined.
    {"lnk-EricZimmerman-Lnk/TestFiles/Misc/local.directory.seven.test", "C:\\Users\\"},
    // UNC targets (link info holds only the network part), a mapped drive (network part
    // plus an item-ID list through Z:), a Unicode UNC path: no local base path, no target.
    {"lnk-pylnk3/examples/net_folder1_file1.lnk", ""},
    {"lnk-pylnk3/examples/mounted_folder1_file1.lnk", ""},
    {"lnk-EricZimmerman-Lnk/TestFiles/Misc/remote.file.xp.test", ""},
    {"lnk-EricZimmerman-Lnk/TestFiles/Misc/unicodeNetworkPath.lnk.test", ""},
    {"lnk-LnkParse3/decoded/network_info.lnk", ""},
    // Only an environment-variable block names the target: it is not consulted.
    {"lnk-pylnk3/examples/send_to_fax.lnk", ""},
    {"lnk-golnk/test/Windows Store.lnk", ""},
    {"lnk-golnk/test/vbox-svr-win10.lnk", ""},
    {"lnk-EricZimmerman-Lnk/TestFiles/Win8.1/PhotosApp.lnk", ""},
    // A packaged (UWP) app: an item-ID list only.
    {"lnk-pylnk3/examples/uwp_calc.lnk", ""},
    // No link info but a relative path: the relative path, as stored.
    {"lnk-EricZimmerman-Lnk/TestFiles/Win7/Calculator.lnk",
     "..\\..\\..\\..\\..\\..\\Windows\\System32\\calc.exe"},
    // ... in UTF-16, with a Cyrillic letter that code page 1252 lacks.
    {"lnk-LnkParse3/decoded/sample7.lnk",
     "..\\..\\..\\..\\..\\..\\..\\ProgramData\\V?_DJ\\V?_DJ.exe"},
    // ANSI base paths written under other code pages come back as their bytes.
    {"lnk-LnkParse3/decoded/invalid_date3.lnk",
     "C:\\Users\\\xCF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xFC\\Desktop\\\xA0"},
    {"lnk-LnkParse3/decoded/sample5.lnk", "E:\\\xA0\\\xA0.exe"},
    // A lone UTF-16 surrogate; the ANSI base path already holds '?' for it.
    {"lnk-plaso/test_data/unpaired_surrogate.lnk", "C:\\test\\unicode_U+0000d800_?.exe"},
    // Advertised (installer) shortcuts report no path.
    {"lnk-EricZimmerman-Lnk/TestFiles/Misc/local.file.darwin.test", ""},
    {"lnk-LnkParse3/decoded/darwin_block.lnk", ""},
    // The shell object refuses to load these: string data past the end of the file, and an
    // advertised-program flag with no block behind the strings.
    {"lnk-LnkParse3/decoded/padded_cli_arguments.lnk", ""},
    {"lnk-golnk/test/test.lnk.bak", ""},
};

TEST(LnkReader, GivesTheShellObjectsTargetForRealShortcuts) {
    for (const SharedShortcut& shortcut : kSharedShortcuts) {
        const std::string bytes = ReadHostFile(SharedData(shortcut.file));
        EXPECT_EQ(ReadShortcutTarget(bytes), shortcut.target) << shortcut.file;
    }
}

TEST(LnkReader, FollowsTheShellObjectOnAlteredFields) {
    for (const lnk::CraftedShortcut& shortcut : lnk::CraftedShortcuts()) {
        EXPECT_EQ(ReadShortcutTarget(shortcut.bytes), shortcut.target) << shortcut.name;
    }
}

TEST(LnkReader, RejectsTheDamagedFiles) {
    const std::filesystem::path bad = SharedData("lnk-EricZimmerman-Lnk/TestFiles/Bad");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(bad)) {
        EXPECT_EQ(ReadShortcutTarget(ReadHostFile(entry.path().string())), "") << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 3);
    EXPECT_EQ(ReadShortcutTarget(""), "");
}

// Every prefix of the example: the target needs the header, item-ID list, link info and the
// string data whole (they end at byte 359); the extra data behind them may be missing.
TEST(LnkReader, NeedsEverythingUpToTheStringDataWhole) {
    const std::string example = lnk::FormatExample();
    constexpr std::size_t kStringDataEnd = 359;
    for (std::size_t length = 0; length <= example.size(); ++length) {
        const std::string expected = length < kStringDataEnd ? "" : "C:\\test\\a.txt";
        ASSERT_EQ(ReadShortcutTarget(example.substr(0, length)), expected) << length;
    }
}

// Cut short or with any one byte changed, a shortcut of each layout is read without touching
// a byte outside the buffer (the sanitizers of the native build watch every read). The copy
// is exactly as long as the file, so a read past its end is caught.
TEST(LnkReader, SurvivesTruncationAndSingleByteDamage) {
    const char* files[] = {
        "lnk-LnkParse3/decoded/microsoft_example.lnk",
        "lnk-pylnk3/examples/local_file.lnk",
        "lnk-pylnk3/examples/net_folder1_file1.lnk",
        "lnk-plaso/test_data/unpaired_surrogate.lnk",
        "lnk-EricZimmerman-Lnk/TestFiles/WinXP/WordPad.lnk",
        "lnk-EricZimmerman-Lnk/TestFiles/Win7/Calculator.lnk",
        "lnk-EricZimmerman-Lnk/TestFiles/Misc/local.file.darwin.test",
    };
    for (const char* file : files) {
        const std::string bytes = ReadHostFile(SharedData(file));
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const std::vector<char> prefix(bytes.begin(),
                                           bytes.begin() + static_cast<long>(length));
            ReadShortcutTarget(std::string_view(prefix.data(), prefix.size()));
        }
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            for (const int value : {0x00, 0xFF, 0x7F, 0x80}) {
                std::vector<char> damaged(bytes.begin(), bytes.end());
                damaged[at] = static_cast<char>(value);
                const std::string target =
                    ReadShortcutTarget(std::string_view(damaged.data(), damaged.size()));
                ASSERT_LE(target.size(), 260u) << file << " byte " << at;
            }
        }
    }
}

TEST(LnkAnsi, ConvertsUtf16AsCodePage1252Does) {
    struct Case {
        std::u16string utf16;
        std::string ansi;
    } cases[] = {
        {u"C:\\plain", "C:\\plain"},
        {u"caf\u00E9 \u00FF", "caf\xE9 \xFF"},   // Latin-1 letters map to themselves
        {u"\u20AC\u2019\u0152", "\x80\x92\x8C"}, // the code page's own 0x80-0x9F characters
        {u"\u0081\u009D", "\x81\x9D"},           // its undefined bytes round-trip
        {u"\u0080\u009F", "??"},                 // C1 controls it maps elsewhere
        {u"\u0100\u0131\u01CE", "Aia"},          // best-fit letters
        {u"\u041A\u4E2D", "??"},                 // Cyrillic and CJK: no fit
        {u"\U0001F600", "??"},                   // a surrogate pair: one '?' per unit
        {u"a\xD800"
         u"b",
         "a?b"}, // a lone surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::lnk::Utf16ToAnsi(c.utf16), c.ansi) << c.ansi;
    }
}

} // namespace
} // namespace mendrake::test
