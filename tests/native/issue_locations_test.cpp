// Where an issue points, in the forms the registry editor, Explorer, the clipboard and the
// exclusion list take.
#include "repair/issue_locations.h"

#include <gtest/gtest.h>

namespace mendrake {
namespace {

TItem Issue(std::int32_t category, std::string keyText, std::uint32_t root, std::string key,
            std::string value, bool deleteKey, std::string data = "") {
    TItem issue;
    issue.Category = category;
    issue.Problem = "Problem";
    issue.Data = std::move(data);
    issue.KeyText = std::move(keyText);
    issue.RootKey = root;
    issue.Key = std::move(key);
    issue.Value = std::move(value);
    issue.DeleteKey = deleteKey;
    return issue;
}

TEST(IssueLocations, EachKindOfIssueNamesItsKeyValueOrFile) {
    struct Case {
        const char* what;
        TItem issue;
        const char* editorPath;
        const char* exclusion;
        const char* fileLocation;
    };
    const Case cases[] = {
        {"a value in HKLM",
         Issue(10, "HKLM\\Software\\Run", 0x80000002u, "\\Software\\Run", "Tool", false,
               "C:\\Gone\\tool.exe"),
         "Computer\\HKEY_LOCAL_MACHINE\\Software\\Run", "HKLM\\Software\\Run\\Tool",
         "C:\\Gone\\tool.exe"},
        {"a whole key in HKCR, data without a drive",
         Issue(4, "HKCR\\.zzz", 0x80000000u, "\\.zzz", "", true, ".zzz"),
         "Computer\\HKEY_CLASSES_ROOT\\.zzz", "HKCR\\.zzz", ""},
        {"the default value of a key in HKCU",
         Issue(6, "HKCU\\Software\\Open", 0x80000001u, "\\Software\\Open", "", false,
               "\\\\server\\share\\app.exe"),
         "Computer\\HKEY_CURRENT_USER\\Software\\Open", "HKCU\\Software\\Open",
         "\\\\server\\share\\app.exe"},
        {"a key path with a trailing backslash",
         Issue(9, "HKLM\\Software\\X\\", 0x80000002u, "\\Software\\X\\", "", true),
         "Computer\\HKEY_LOCAL_MACHINE\\Software\\X", "HKLM\\Software\\X\\", ""},
        {"a shortcut on the desktop",
         Issue(14, "C:\\Users\\me\\Desktop\\", 0x80000002u, "C:\\Users\\me\\Desktop\\", "Gone.lnk",
               false, "Gone.lnk"),
         "", "C:\\Users\\me\\Desktop\\Gone.lnk", "C:\\Users\\me\\Desktop\\Gone.lnk"},
        {"a shortcut in a folder written without its backslash",
         Issue(13, "C:\\Menu", 0x80000002u, "C:\\Menu", "a.lnk", false), "", "C:\\Menu\\a.lnk",
         "C:\\Menu\\a.lnk"},
        {"an unknown root", Issue(3, "??\\x", 0x12u, "\\x", "v", false), "", "??\\x\\v", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.editorPath, RegistryEditorPath(c.issue)) << c.what;
        EXPECT_EQ(c.exclusion, ExclusionEntry(c.issue)) << c.what;
        EXPECT_EQ(c.fileLocation, FileLocationOf(c.issue)) << c.what;
    }
}

TEST(IssueLocations, CopiedRowsAreTabSeparatedLinesInTheGivenOrder) {
    TItem a = Issue(10, "HKLM\\Run", 0x80000002u, "\\Run", "A", false, "C:\\a b\\a.exe");
    a.Problem = "Run Issue";
    TItem b = Issue(14, "C:\\Desk\\", 0x80000002u, "C:\\Desk\\", "b.lnk", false, "b.lnk");
    b.Problem = "Desktop Issue";
    EXPECT_EQ("Desktop Issue\tb.lnk\tC:\\Desk\\\r\nRun Issue\tC:\\a b\\a.exe\tHKLM\\Run\r\n",
              RowsAsText({&b, &a}));
    EXPECT_EQ("", RowsAsText({}));
}

} // namespace
} // namespace mendrake
